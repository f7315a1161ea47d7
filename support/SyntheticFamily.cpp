#include "support/SyntheticFamily.h"

#include <algorithm>
#include <random>
#include <string>

#include "database/TGDatabase.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLieu.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "tables/TGTableDicoLieux.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableUnion.h"

namespace genvora {

namespace {

const char* const kSyllables[] = {"ber", "mar", "tin", "du", "val", "lau", "ren", "ro", "che", "pon",
                                  "gar", "nier", "fau", "bel", "mon", "lac", "roux", "fon", "ta", "vi"};
const char* const kPrenoms[] = {"Jean", "Marie", "Pierre", "Anne", "Louis", "Jeanne", "Jacques", "Françoise",
                                "François", "Marguerite", "Antoine", "Catherine", "Joseph", "Madeleine",
                                "Nicolas", "Élisabeth", "Claude", "Louise", "Étienne", "Geneviève"};

AnsiString MakeWord(std::mt19937& random, int syllables) {
  AnsiString word;
  for (int i = 0; i < syllables; ++i) word += kSyllables[random() % 20];
  word[0] = static_cast<char>(word[0] - 'a' + 'A');
  return word;
}

// Minute key of a day of a year between 1600 and 1950.
std::uint32_t DateKey(std::mt19937& random, int year) {
  const std::uint32_t sdn = 2305448u + static_cast<std::uint32_t>((year - 1600) * 365.25) + random() % 365;
  return sdn * 1440u;
}

}  // namespace

SyntheticFamily::SyntheticFamily(const SyntheticFamilyOptions& options)
    : options_(options),
      ownIndividus_(std::make_unique<TGTableIndividus>()),
      ownUnions_(std::make_unique<TGTableUnion>()),
      ownEvenements_(std::make_unique<TGTableEvenements>()),
      individus_(ownIndividus_.get()),
      unions_(ownUnions_.get()),
      evenements_(ownEvenements_.get()),
      newCode_([next = CodeID{1}]() mutable { return next++; }) {
  individus_->SetTableEvenements(evenements_);
  evenements_->SetTableIndividus(individus_);
}

SyntheticFamily::SyntheticFamily(const SyntheticFamilyOptions& options, TGDatabase& database)
    : options_(options),
      individus_(database.Tables().individus),
      unions_(database.Tables().unions),
      evenements_(database.Tables().evenements),
      newCode_([&database] { return database.GetNextID(); }) {}

SyntheticFamily::~SyntheticFamily() = default;

TGTableDicoNoms& SyntheticFamily::Noms() { return *individus_->GetDicoNoms(); }
TGTableDicoLieux& SyntheticFamily::Lieux() { return *evenements_->GetDicoLieux(); }

void SyntheticFamily::Build() {
  std::mt19937 random(options_.seed);
  const std::uint32_t n = options_.individus;
  TGTableDicoNoms& noms = Noms();
  TGTableDicoLieux& lieux = Lieux();

  const std::uint32_t surnameCount = n / 20 > 0 ? n / 20 : 1;
  for (std::uint32_t i = 0; i < surnameCount; ++i) {
    TGNom nom(noms.GetSplitter());
    AnsiString text = MakeWord(random, 2 + static_cast<int>(random() % 2));
    if (random() % 10 == 0) text = "de " + text;
    const CodeID code = newCode_();
    nom.SetCodeID(code);
    nom.SetNom(text);
    nom.SetRattachement(random() % 20 == 0 && !nomCodes_.empty() ? nomCodes_[random() % nomCodes_.size()] : code);
    nom.EcritDans(code, &noms);
    nomCodes_.push_back(code);
    nomTexts_.push_back(text);
  }
  noms.ReIndex();

  const std::uint32_t placeCount = n * 3 / 100 > 0 ? n * 3 / 100 : 1;
  std::vector<CodeID> places;
  for (std::uint32_t i = 0; i < placeCount; ++i) {
    TGLieu lieu;
    const CodeID code = newCode_();
    lieu.SetCodeID(code);
    lieu.SetText(TGLieu::kVille, MakeWord(random, 2 + static_cast<int>(random() % 3)));
    lieu.SetText(TGLieu::kCode, std::to_string(1000 + random() % 95000));
    lieu.SetText(TGLieu::kPays, "France");
    lieu.SetRattachement(code);
    lieu.EcritDans(code, &lieux);
    places.push_back(code);
  }
  lieux.ReIndex();

  struct Couple {
    CodeID code, epoux, epouse;
  };
  std::vector<Couple> couples;
  std::vector<CodeID> men, women;
  std::vector<CodeID> surnameOf;  // by individual position
  individuCodes_.reserve(n);
  const std::uint32_t unionCount = n * 3 / 10;
  individus_->SetBatchModeTo(true);
  // Whole event records, so that a database saved with them opens, checks
  // and upgrades like a real one; the index keys are the generated ones.
  auto addEvent = [&](CodeID owner, std::uint32_t type, std::uint32_t key) {
    const CodeID code = newCode_();
    TGEvenement event;
    event.SetCodeID(code);
    event.SetProprietaire(owner);
    event.SetType(static_cast<TV5EventList>(type));
    if (key != 0) event.GetDate()->SetDateTriApp(key, false);
    const std::string bytes = event.EncodeToString();
    evenements_->LXArray::EcritData(code, bytes.data(), static_cast<unsigned>(bytes.size()));
    eventKeys_.push_back({owner, key, type, code});
  };
  for (std::uint32_t i = 0; i < n; ++i) {
    TGIndividu individu;
    const CodeID code = newCode_();
    individu.SetCodeID(code);
    const bool male = random() % 2 == 0;
    individu.SetMasculin(male);
    individu.SetChar(5, AnsiString(kPrenoms[random() % 20]) + " " + kPrenoms[random() % 20]);
    CodeID surname = nomCodes_[random() % nomCodes_.size()];
    int year = 1600 + static_cast<int>(random() % 50);
    // Parents are a couple of about one generation earlier (a twelfth of the
    // unions back); many lines end, as in real files, so that an ancestry
    // holds tens of people, not the whole file.
    const std::size_t generation = std::max<std::size_t>(1, unionCount / 12);
    if (couples.size() > generation && random() % 100 < 60) {
      const std::size_t back = generation + random() % std::min(generation / 3 + 1, couples.size() - generation);
      const Couple& parents = couples[couples.size() - back];
      individu.SetCodePere(parents.epoux);
      individu.SetCodeMere(parents.epouse);
      surname = surnameOf[parents.epoux - individuCodes_.front()];
      year = std::min(1950, 1600 + static_cast<int>(i * 350ull / n) + static_cast<int>(random() % 10));
    }
    individu.SetCodeNom(surname);
    individus_->EcritData(&individu);
    individuCodes_.push_back(code);
    // Codes of individuals are interleaved with their events: keep a dense
    // table from code to surname.
    if (surnameOf.size() < code - individuCodes_.front() + 1) surnameOf.resize(code - individuCodes_.front() + 1);
    surnameOf[code - individuCodes_.front()] = surname;
    (male ? men : women).push_back(code);

    addEvent(code, TGTableEvenements::kNaissance, random() % 20 == 0 ? 0 : DateKey(random, year));
    if (random() % 10 < 8) addEvent(code, TGTableEvenements::kDeces, DateKey(random, std::min(1950, year + 60)));
    if (random() % 10 < 5) addEvent(code, TGTableEvenements::kBapteme, DateKey(random, year));
    // Residences and occupations, some undated.
    if (random() % 10 < 4) addEvent(code, 20, random() % 4 == 0 ? 0 : DateKey(random, std::min(1950, year + 30)));

    // Unions form among the people already there, at the pace that gives
    // 3 unions per 10 individuals.
    while (couples.size() < static_cast<std::size_t>(i + 1) * unionCount / n && !men.empty() && !women.empty()) {
      TGUnion uni;
      const CodeID unionCode = newCode_();
      uni.SetCodeID(unionCode);
      uni.SetEpoux(men[men.size() - 1 - random() % std::min<std::size_t>(men.size(), 5000)]);
      uni.SetEpouse(random() % 50 == 0 ? 0 : women[women.size() - 1 - random() % std::min<std::size_t>(women.size(), 5000)]);
      uni.EcritDans(unionCode, unions_);
      couples.push_back({unionCode, uni.GetEpoux(), uni.GetEpouse()});
      addEvent(unionCode, 61, DateKey(random, year));
    }
  }
  (void)places;
  individus_->SetBatchModeTo(false);
  unions_->ReIndex();
  evenements_->ReIndex(eventKeys_);
  individus_->Reindex();
}

}  // namespace genvora
