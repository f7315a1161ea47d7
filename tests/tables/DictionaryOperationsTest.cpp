// The dictionaries' remaining operations: variants and masters over several
// levels (the same for surnames, places, first names and professions), the
// surname deletion rule, first names and professions kept in step with the
// individuals' fields, place copies and unique towns, particles imported.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TablesTestSupport.h"
#include "platform/Preferences.h"
#include "records/TGIndividu.h"
#include "records/TGLieu.h"
#include "records/TGNom.h"
#include "records/TVGPrenom.h"
#include "records/TVGProfession.h"
#include "tables/IndividusDictionnaires.h"
#include "tables/TGTableDicoLieux.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableLiensPrenoms.h"
#include "tables/TGTableLiensProfessions.h"
#include "tables/TGTableParticules.h"
#include "tables/TGTablePrenoms.h"
#include "tables/TGTableProfessions.h"

namespace genvora {
namespace {

std::vector<CodeID> Liste(std::initializer_list<CodeID> codes) { return codes; }

std::unique_ptr<LArray> ArrayOf(const std::vector<CodeID>& codes) {
  auto array = std::make_unique<LArray>(4, nullptr, false);
  for (CodeID code : codes) array->AddItem(&code, 4);
  return array;
}

// One maker per dictionary: a record spelt `text`, attached to `master` (0:
// its own master), written under `code`.
struct NomsTraits {
  using Table = TGTableDicoNoms;
  static void Write(Table& t, CodeID code, const char* text, CodeID master) {
    TGNom nom(t.GetSplitter());
    nom.SetCodeID(code);
    nom.SetNom(text);
    nom.SetRattachement(master == 0 ? code : master);
    ASSERT_NE(t.EcritData(&nom), 0);
  }
};
struct LieuxTraits {
  using Table = TGTableDicoLieux;
  static void Write(Table& t, CodeID code, const char* text, CodeID master) {
    TGLieu lieu;
    lieu.SetCodeID(code);
    lieu.SetText(TGLieu::kVille, text);
    lieu.SetRattachement(master == 0 ? code : master);
    ASSERT_NE(t.EcritData(&lieu), 0);
  }
};
struct PrenomsTraits {
  using Table = TGTablePrenoms;
  static void Write(Table& t, CodeID code, const char* text, CodeID master) {
    TVGPrenom prenom;
    prenom.SetCodeID(code);
    prenom.SetPrenom(text);
    prenom.SetRattachement(master == 0 ? code : master);
    ASSERT_NE(t.EcritData(&prenom), 0);
  }
};
struct ProfessionsTraits {
  using Table = TGTableProfessions;
  static void Write(Table& t, CodeID code, const char* text, CodeID master) {
    TVGProfession profession;
    profession.SetCodeID(code);
    profession.SetProfession(text);
    profession.SetRattachement(master == 0 ? code : master);
    ASSERT_NE(t.EcritData(&profession), 0);
  }
};

template <typename Traits>
class DicoVariantes : public ::testing::Test {};
using Dictionaries = ::testing::Types<NomsTraits, LieuxTraits, PrenomsTraits, ProfessionsTraits>;
TYPED_TEST_SUITE(DicoVariantes, Dictionaries);

// Family: 1 master; 2 and 4 attached to 1; 3 attached to 2 (second level);
// 5 free; 6 and 7 attached to each other (a ring); 8 with master 0.
TYPED_TEST(DicoVariantes, MastersAndVariantsOverTwoLevels) {
  using Table = typename TypeParam::Table;
  Table table;
  TypeParam::Write(table, 1, "Martin", 0);
  TypeParam::Write(table, 2, "Martain", 1);
  TypeParam::Write(table, 3, "Marttain", 2);
  TypeParam::Write(table, 4, "Marten", 1);
  TypeParam::Write(table, 5, "Durand", 0);
  TypeParam::Write(table, 6, "Ring", 7);
  TypeParam::Write(table, 7, "Rong", 6);
  TypeParam::Write(table, 8, "Zero", 0);
  {
    // Master 0 stays "not attached".
    LArray none(4, nullptr, false);
    table.LesVariantesDe(0, &none);
    EXPECT_TRUE(Codes(none).empty());
  }

  auto check = [&table](const char* when) {
    SCOPED_TRACE(when);
    LArray direct(4, nullptr, false);
    table.LesVariantesDe(1, &direct);
    EXPECT_EQ(Codes(direct), Liste({2, 4}));

    const auto from = ArrayOf({1});
    LArray all(4, nullptr, false);
    table.LesVariantesDes(from.get(), &all);
    EXPECT_EQ(Codes(all), Liste({2, 4, 3})) << "level by level";

    const auto ring = ArrayOf({6});
    LArray ringOut(4, nullptr, false);
    table.LesVariantesDes(ring.get(), &ringOut);
    EXPECT_EQ(Codes(ringOut), Liste({7})) << "a ring ends";

    LArray masters(4, nullptr, false);
    table.FillListeIDsMaitre(&masters);
    EXPECT_EQ(Codes(masters), Liste({1, 2, 7, 6})) << "each master once, by its first variant";

    EXPECT_TRUE(table.EstVarianteMaitre(1));
    EXPECT_TRUE(table.EstVarianteMaitre(2));
    EXPECT_FALSE(table.EstVarianteMaitre(3));
    EXPECT_FALSE(table.EstVarianteMaitre(5));
    EXPECT_EQ(table.GetVarianteMaitre(3), 2u) << "one level up";
    EXPECT_EQ(table.GetVarianteMaitre(1), 1u);
  };
  check("learnt from the writes");

  // Read back from a file: the order is learnt again from the store.
  TempDir dir;
  Table fresh;
  RoundTrip(table, fresh, dir);
  {
    SCOPED_TRACE("after a read");
    LArray all(4, nullptr, false);
    const auto from = ArrayOf({1});
    fresh.LesVariantesDes(from.get(), &all);
    EXPECT_EQ(Codes(all), Liste({2, 4, 3}));
  }
  check("unchanged by the round trip");

  // 2 leaves the family: its own variant 3 goes with it.
  TypeParam::Write(table, 2, "Martain", 0);
  LArray all(4, nullptr, false);
  const auto from = ArrayOf({1});
  table.LesVariantesDes(from.get(), &all);
  EXPECT_EQ(Codes(all), Liste({4}));
  EXPECT_FALSE(table.EstVarianteMaitre(3));

  // A deletion the dictionary does not see (the store's own) is noticed.
  table.LXArray::DeleteData(4);
  EXPECT_FALSE(table.EstVarianteMaitre(1));
  table.DeleteData(3);
  EXPECT_FALSE(table.EstVarianteMaitre(2));
}

// ------------------------------------------------------------ surnames

TEST(DicoNomsSuppression, BorneOrMasterSurnamesAreKept) {
  TGTableIndividus individus;
  TGIndividusDictionnaires vue(&individus);
  TGTableDicoNoms& noms = *individus.GetDicoNoms();
  noms.SetIndividus(&vue);
  NomsTraits::Write(noms, 10, "Martin", 0);
  NomsTraits::Write(noms, 11, "Martain", 10);
  NomsTraits::Write(noms, 12, "Durand", 0);
  NomsTraits::Write(noms, 13, "Blanc", 0);

  TGIndividu jean;
  jean.SetCodeID(1);
  jean.SetCodeNom(12);
  jean.SetChar(5, "Jean");
  ASSERT_NE(individus.EcritData(&jean), 0);

  EXPECT_FALSE(noms.InternalCanDelete(10)) << "master of 11";
  EXPECT_TRUE(noms.InternalCanDelete(11));
  EXPECT_FALSE(noms.InternalCanDelete(12)) << "borne by Jean";
  EXPECT_TRUE(noms.InternalCanDelete(13));
  EXPECT_FALSE(noms.InternalCanDelete(99)) << "nothing to delete";

  jean.SetCodeNom(13);
  individus.EcritData(&jean);
  EXPECT_TRUE(noms.InternalCanDelete(12));
  EXPECT_FALSE(noms.InternalCanDelete(13));
  noms.DeleteData(11);
  EXPECT_TRUE(noms.InternalCanDelete(10)) << "its last variant is gone";

  // Without the individuals' side only the dictionary's own reason counts.
  noms.SetIndividus(nullptr);
  EXPECT_TRUE(noms.InternalCanDelete(13));
}

// ----------------------------------------------------------- first names

struct Personnes {
  TGTableIndividus individus;
  TGIndividusDictionnaires vue{&individus};
  TGTableLiensPrenoms liensPrenoms;
  TGTableLiensProfessions liensProfessions;
  TGTablePrenoms prenoms;
  TGTableProfessions professions;
  CounterCodes codes{1000};

  Personnes() {
    prenoms.SetLiens(&liensPrenoms);
    prenoms.SetIndividus(&vue);
    professions.SetLiens(&liensProfessions);
    professions.SetIndividus(&vue);
  }
  void Ajoute(CodeID code, const char* prenomsText, const char* professionsText = "") {
    TGIndividu indi;
    indi.SetCodeID(code);
    indi.SetChar(5, prenomsText);
    indi.SetChar(6, professionsText);
    ASSERT_NE(individus.EcritData(&indi), 0);
  }
  AnsiString Texte(CodeID code, int selector) {
    AnsiString text;
    EXPECT_TRUE(vue.LitTexte(code, selector, text));
    return text;
  }
  std::vector<AnsiString> Liste(CodeID code) {
    std::vector<AnsiString> out;
    prenoms.GetListePrenoms(code, out);
    return out;
  }
};

TEST(PrenomsIndividu, ChainReplacedInTheFieldAndItsLinks) {
  Personnes p;
  p.Ajoute(1, "Jean Pierre, Marie");
  p.Ajoute(2, "Pierre");
  p.prenoms.AjouterMettreAJourPrenom("Jean Pierre, Marie", 1, kPrenomMasculin, &p.codes, false, true);
  p.prenoms.AjouterMettreAJourPrenom("Pierre", 2, kPrenomMasculin, &p.codes);
  const CodeID jean = p.prenoms.PrenomExists("Jean");
  const CodeID pierre = p.prenoms.PrenomExists("Pierre");
  ASSERT_NE(jean, 0u);
  EXPECT_EQ(p.liensPrenoms.GetUsuel(1), jean) << "usuelSiAucun: the first of the text";
  EXPECT_EQ(p.liensPrenoms.GetUsuel(2), 0u);
  EXPECT_EQ(p.Liste(1), (std::vector<AnsiString>{"Jean", "Pierre", "Marie"}));

  // Pierre becomes Paul for everyone who bears it.
  TVGPrenom paul;
  paul.SetPrenom("Paul");
  const CodeID paulCode = p.prenoms.MetAJour(paul, &p.codes, false);
  EXPECT_EQ(p.prenoms.RemplacePrenomIndividu(pierre, paulCode, 0), 2);
  EXPECT_EQ(p.Texte(1, 5), "Jean Paul, Marie") << "delimiters kept as typed";
  EXPECT_EQ(p.Texte(2, 5), "Paul");
  LArray porteurs(4, nullptr, false);
  p.liensPrenoms.GetIndis(pierre, &porteurs);
  EXPECT_EQ(porteurs.GetCount(), 0u);
  EXPECT_EQ(p.Liste(1), (std::vector<AnsiString>{"Jean", "Marie", "Paul"}));
  EXPECT_EQ(p.Liste(2), (std::vector<AnsiString>{"Paul"}));

  // The usual first name replaced for one individual: the flag follows.
  TVGPrenom jacques;
  jacques.SetPrenom("Jacques");
  const CodeID jacquesCode = p.prenoms.MetAJour(jacques, &p.codes, false);
  EXPECT_EQ(p.prenoms.RemplacePrenomIndividu(jean, jacquesCode, 1), 1);
  EXPECT_EQ(p.Texte(1, 5), "Jacques Paul, Marie");
  EXPECT_EQ(p.liensPrenoms.GetUsuel(1), jacquesCode);
  EXPECT_EQ(p.Liste(1).front(), "Jacques");
  // Into a first name the individual already has as usual: it stays usual.
  const CodeID marie = p.prenoms.PrenomExists("Marie");
  EXPECT_EQ(p.prenoms.RemplacePrenomIndividu(marie, jacquesCode, 1), 1);
  EXPECT_EQ(p.Texte(1, 5), "Jacques Paul, Jacques");
  EXPECT_EQ(p.liensPrenoms.GetUsuel(1), jacquesCode);
  EXPECT_EQ(p.Liste(1), (std::vector<AnsiString>{"Jacques", "Paul"}));

  // A word is replaced whole, case ignored; a part of a word is not.
  p.Ajoute(3, "Annette ANNE");
  EXPECT_TRUE(p.prenoms.MettreAJourPrenomDansChampIndividu(3, "anne", "Anna"));
  EXPECT_EQ(p.Texte(3, 5), "Annette Anna");
  EXPECT_FALSE(p.prenoms.MettreAJourPrenomDansChampIndividu(3, "Louise", "Lou"));
  EXPECT_FALSE(p.prenoms.MettreAJourPrenomDansChampIndividu(99, "Anna", "Anne"));
  EXPECT_EQ(p.prenoms.RemplacePrenomIndividu(pierre, 424242, 0), 0) << "unknown first name";
}

TEST(PrenomsIndividu, FlagsLinksAndAlphabeticalQueries) {
  Personnes p;
  p.prenoms.AjouterMettreAJourPrenom("Zo\xE9 Anne", 1, kPrenomFeminin, &p.codes, true, false);
  const CodeID zoe = p.prenoms.PrenomExists("zo\xE9");
  TVGPrenom stored;
  ASSERT_TRUE(p.prenoms.FetchData(zoe, &stored));
  EXPECT_TRUE(stored.GetGriot()) << "griot: the spelling is final";
  EXPECT_EQ(p.liensPrenoms.GetUsuel(1), 0u);

  const CodeID anne = p.prenoms.PrenomExists("Anne");
  EXPECT_TRUE(p.prenoms.AjouterLienPrenomAvecUsuel(2, anne, true));
  EXPECT_TRUE(p.prenoms.AjouterLienPrenomAvecUsuel(2, zoe, false));
  EXPECT_EQ(p.liensPrenoms.GetUsuel(2), anne);
  EXPECT_TRUE(p.prenoms.AjouterLienPrenomAvecUsuel(2, zoe, true));
  EXPECT_EQ(p.liensPrenoms.GetUsuel(2), zoe) << "one usual first name";
  EXPECT_TRUE(p.prenoms.AjouterLienPrenomAvecUsuel(2, zoe, false));
  EXPECT_EQ(p.liensPrenoms.GetUsuel(2), zoe) << "linked again, still usual";
  EXPECT_FALSE(p.prenoms.AjouterLienPrenomAvecUsuel(2, 4242, true));
  EXPECT_FALSE(p.prenoms.AjouterLienPrenomAvecUsuel(0, zoe, true));

  // Index: Anne, Zoé. Equal texts go after their run.
  EXPECT_EQ(p.prenoms.PrenomInsertionAlpha("Aaron"), 1);
  EXPECT_EQ(p.prenoms.PrenomInsertionAlpha(" anne "), 2);
  EXPECT_EQ(p.prenoms.PrenomInsertionAlpha("Marie"), 2);
  EXPECT_EQ(p.prenoms.PrenomInsertionAlpha("Zora"), 3);

  const struct {
    const char* prenoms;
    const char* debut;
    bool expected;
  } cases[] = {
      {"Jean Pierre", "jean p", true},     {"Jean, Pierre", "JEAN PIERRE", true},
      {"Jean Pierre", "Jea Pierre", false}, {"\xC9mile", "emi", true},
      {"Jean", "", true},                  {"Jean", "Jean Pierre", false},
      {"  (Jean)  ", "jean", true},        {"Marie", "Jean", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TGTablePrenoms::MonPrenomCommencePar(c.prenoms, c.debut), c.expected)
        << c.prenoms << " / " << c.debut;
}

// ----------------------------------------------------------- professions

TEST(ProfessionsIndividu, SetForAnIndividualAndReplacedInItsField) {
  Personnes p;
  p.Ajoute(1, "Jean", "  notaire,  ma\xEEtre  de forges / Cultivateur  ");
  const std::vector<AnsiString> known = {"Notaire", "Ma\xEEtre de forges", "Cultivat", "Boulanger", "Cultivateur",
                                         "notaire"};
  EXPECT_EQ(p.professions.MettreAJourProfessionForIndividu(1, known, nullptr, &p.codes), 4);
  EXPECT_EQ(p.Texte(1, 6), "notaire, ma\xEEtre de forges / Cultivateur") << "cleaned and stored back";
  LArray linked(4, nullptr, false);
  p.liensProfessions.GetProfessions(1, &linked);
  std::vector<AnsiString> texts;
  for (CodeID code : Codes(linked)) {
    TVGProfession profession;
    ASSERT_TRUE(p.professions.FetchData(code, &profession));
    texts.push_back(profession.GetProfession());
  }
  // "Cultivat" is no whole word of the text; the second "notaire" is the
  // dictionary's "Notaire".
  EXPECT_EQ(texts, (std::vector<AnsiString>{"Notaire", "Ma\xEEtre de forges", "Cultivateur"}));
  EXPECT_EQ(p.professions.GetCount(), 3u);

  // The profession renamed in the field, accents and case ignored.
  EXPECT_TRUE(p.professions.MettreAJourProfessionDansChampIndividu(1, "MAITRE DE FORGES", "Forgeron"));
  EXPECT_EQ(p.Texte(1, 6), "notaire, Forgeron / Cultivateur");
  p.Ajoute(2, "Paul", "notaires/notaire");
  EXPECT_TRUE(p.professions.MettreAJourProfessionDansChampIndividu(2, "Notaire", "Tabellion"));
  EXPECT_EQ(p.Texte(2, 6), "notaires/Tabellion");
  EXPECT_FALSE(p.professions.MettreAJourProfessionDansChampIndividu(2, "Boulanger", "Mitron"));

  // An emptied text leaves no link behind.
  p.Ajoute(1, "Jean", "   ");
  EXPECT_EQ(p.professions.MettreAJourProfessionForIndividu(1, known, nullptr, &p.codes), 0);
  LArray none(4, nullptr, false);
  p.liensProfessions.GetProfessions(1, &none);
  EXPECT_EQ(none.GetCount(), 0u);
}

// ---------------------------------------------------------------- places

CodeID PutLieu(TGTableDicoLieux& lieux, CodeID code, const char* ville, const char* departement) {
  TGLieu lieu;
  lieu.SetCodeID(code);
  lieu.SetText(TGLieu::kVille, ville);
  lieu.SetText(TGLieu::kDepartement, departement);
  lieu.SetRattachement(code);
  lieux.EcritData(&lieu);
  return code;
}

TEST(DicoLieuxOperations, CopiesUniqueTownsAndKeys) {
  TGTableDicoLieux lieux;
  PutLieu(lieux, 1, "Paris", "Seine");
  PutLieu(lieux, 2, "PARIS", "seine");   // a copy of 1, written around MetAJour
  PutLieu(lieux, 3, "Paris", "Texas");
  PutLieu(lieux, 4, "Lyon", "Rh\xF4ne");

  EXPECT_TRUE(lieux.EstUneCopieDe(2, 1));
  EXPECT_TRUE(lieux.EstUneCopieDe(1, 2));
  EXPECT_FALSE(lieux.EstUneCopieDe(3, 1)) << "another department";
  EXPECT_FALSE(lieux.EstUneCopieDe(1, 1)) << "itself";
  EXPECT_FALSE(lieux.EstUneCopieDe(9, 1));

  EXPECT_EQ(lieux.UniqueContient("lyon "), 4u);
  EXPECT_EQ(lieux.UniqueContient("Paris"), 0u) << "three homonyms";
  EXPECT_EQ(lieux.UniqueContient("Lyo"), 0u);
  EXPECT_EQ(lieux.UniqueContient(""), 0u);

  TGLieu wanted;
  wanted.SetText(TGLieu::kVille, "paris");
  wanted.SetText(TGLieu::kDepartement, "Texas");
  EXPECT_EQ(lieux.BinaryFind(&wanted), 3u);
  EXPECT_EQ(lieux.BinaryFind(&wanted, false), 1u) << "the town alone: first of its run";
  wanted.SetText(TGLieu::kDepartement, "Oise");
  EXPECT_EQ(lieux.BinaryFind(&wanted), 0u);

  lieux.RemoveKeySequential(3);
  EXPECT_EQ(Codes(*lieux.GetIndexVille()), Liste({4, 1, 2}));
  EXPECT_EQ(lieux.GetIndexCode()->GetCount(), 3u);
  lieux.Reindex();
  EXPECT_EQ(Codes(*lieux.GetIndexVille()), Liste({4, 1, 2, 3}));
  EXPECT_EQ(lieux.UniqueContient("Lyon"), 4u);
}

// Watches the preferences' current record while a place is stored.
class LieuxEspion : public TGTableDicoLieux {
 public:
  int EcritData(std::uint32_t code, const void* data, unsigned size) override {
    seen = SharedPrefs() != nullptr ? SharedPrefs()->CurrentRecord : 0xFFFFFFFFu;
    return TGTableDicoLieux::EcritData(code, data, size);
  }
  using TGTableDicoLieux::EcritData;
  CodeID seen = 0xFFFFFFFFu;
};

TEST(DicoLieuxOperations, CurrentRecordClearedWhileWriting) {
  ScopedPrefs prefs;
  prefs->CurrentRecord = 77;
  LieuxEspion lieux;
  PutLieu(lieux, 1, "Nantes", "");
  EXPECT_EQ(lieux.seen, 0u);
  EXPECT_EQ(prefs->CurrentRecord, 77u) << "restored afterwards";
}

// -------------------------------------------------------------- particles

TEST(ParticulesImport, ImportedAndLoadedForASplitter) {
  TGTableParticules table;
  table.UpdateFrom({"de", "van der"});
  EXPECT_EQ(table.ImporteListe({"DE", " van ", "", "della", "van"}), 2);
  std::vector<AnsiString> list;
  table.LoadList(list);
  EXPECT_EQ(list, (std::vector<AnsiString>{"de", "van der", "van", "della"}));

  TGTableParticules other;
  other.UpdateFrom({"von", "della", "zu"});
  EXPECT_EQ(table.ImporteListe(other), 2);
  EXPECT_EQ(table.ImporteListe(table), 0);
  EXPECT_EQ(table.GetCount(), 6u);

  // As stored, or cleaned for a splitter.
  TGTableParticules raw;
  raw.UpdateFrom({" de ", "De", "", "la"});
  raw.LoadList(list, true);
  EXPECT_EQ(list, (std::vector<AnsiString>{" de ", "De", "", "la"}));
  raw.LoadList(list, false);
  EXPECT_EQ(list, (std::vector<AnsiString>{"de", "la"}));
}

}  // namespace
}  // namespace genvora
