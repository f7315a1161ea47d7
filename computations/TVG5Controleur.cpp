// The file controller's steps. Each step walks the codes of its table taken
// before the walk (so that a deletion never runs over the list it walks),
// repairs each record in memory and writes it back through its table (the
// indexes follow), then deletes what it collected.
#include "computations/TVG5Controleur.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <unordered_set>

#include "computations/TGDatabaseSosa.h"
#include "containers/CodeList.h"
#include "database/FileFormat.h"
#include "platform/Exception.h"
#include "platform/Graphics.h"
#include "platform/Host.h"
#include "platform/Resources.h"
#include "records/TGAdresse.h"
#include "records/TGDocument.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGLieu.h"
#include "records/TGMedia.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TV5EventList.h"
#include "records/TVGNote.h"
#include "tables/CodeMembership.h"
#include "tables/IndexSupport.h"
#include "utilities/FilePaths.h"
#include "utilities/RichText.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

// Defaults the repairs give (on-disk values).
constexpr std::uint8_t kTypeUnionParDefaut = 57;       // an event of a union with a person's type
constexpr std::uint8_t kTypeIndividuParDefaut = 15;    // an event of a person with a union's type
constexpr liensListT kLienIndividuParDefaut = 1;       // person to person, outside 1..99
constexpr liensListT kLienEvenementParDefaut = 101;    // person to event, outside 101..119
constexpr std::uint32_t kNatureActeMax = 5;            // 0 digital .. 4 copy, 5 other
// Records between two progress reports of a step.
constexpr std::int64_t kPasProgres = 256;

AnsiString Num(std::uint32_t value) { return std::to_string(value); }

// "#code": built by appending (a literal in front of a temporary string
// trips a false alarm of the compiler's overlap check).
AnsiString Code(std::uint32_t value) {
  AnsiString out = "#";
  out += std::to_string(value);
  return out;
}

AnsiString ReplacePercentS(AnsiString text, const AnsiString& value) {
  auto at = text.find("%s");
  if (at != AnsiString::npos) text.replace(at, 2, value);
  return text;
}

// "text (code)": how a line names a record.
AnsiString Nomme(const AnsiString& text, CodeID code) {
  return text.empty() ? Code(code) : text + " #" + Num(code);
}

// Items of a plain pair array as words.
std::uint32_t Word(const LArray& array, int index, int word) {
  const auto* p = static_cast<const unsigned char*>(array.GetItemPtr(index));
  std::uint32_t value = 0;
  if (p != nullptr && array.GetItemSize(index) >= static_cast<unsigned>(4 * (word + 1)))
    std::memcpy(&value, p + 4 * word, 4);
  return value;
}

// Deletes `codes` from a store whose own DeleteData keeps its indexes: one
// by one when they are few; else in one pass of the store (each single
// deletion moves the store's tail and renumbers its code list, about as
// much as decoding a hundredth of its records) and `reindex` makes its
// indexes again.
constexpr std::size_t kEnBloc = 128;
// Rewrites of events through the table, each moving an entry of an index
// as long as the table, past which the index is made again once instead.
constexpr std::size_t kReecritsEnBloc = 1024;
void SupprimeEnBloc(LXArray* store, const std::vector<CodeID>& codes, const std::function<void()>& reindex) {
  if (codes.size() < kEnBloc || !reindex) {
    for (CodeID code : codes) store->DeleteData(code);
    return;
  }
  store->LXArray::DeleteDatas(codes);
  reindex();
}

// A picture's stored thumbnail is made again when it is missing, does not
// decode, or is wider or higher than the thumbnail size.
bool VignetteARefaire(const TGMedia& media) {
  if (media.GetVignette().empty()) return true;
  try {
    const TBitmap vignette = DecodeJpeg(media.GetVignette());
    return vignette.width <= 0 || vignette.height <= 0 || vignette.width > TGMedia::kThumbnailSize ||
           vignette.height > TGMedia::kThumbnailSize;
  } catch (const std::exception&) {
    return true;
  }
}

}  // namespace

const char* NomEtape(enumTableT step) {
  switch (step) {
    case etDicoNoms: return "surnames";
    case etDicoPrenoms: return "first names";
    case etDicoAdresses: return "addresses";
    case etTableIndividus: return "individuals";
    case etTableUnions: return "unions";
    case etDicoLieux: return "places";
    case etTableEvenements: return "events";
    case etTableLiens: return "links";
    case etTableDocuments: return "documents";
    case etTableLiensDocuments: return "document links";
    case etTableMedias: return "media";
    case etTableLiensMedias: return "media links";
    case etTableIndividusMemorises: return "remembered individuals";
    case etTableTaches: return "tasks";
    case etTableLiensPrenoms: return "first-name links";
    case etTableLiensProfessions: return "profession links";
    case etTableNotes: return "notes";
    case etTableLienSource: return "source index";
  }
  return "?";
}

TVG5Controleur::TVG5Controleur() = default;
TVG5Controleur::~TVG5Controleur() = default;

void TVG5Controleur::AddStringLog(const AnsiString& text) { StringLog.push_back(text); }

void TVG5Controleur::Status(const char* key) {
  OperationEnCours = LoadResString(key);
  V5ProcessMessage();
}

void TVG5Controleur::Modif(CodeID code, const char* what, const char* key, const AnsiString& text) {
  const AnsiString line = ReplacePercentS(LoadResString(key), text);
  AddStringLog(line);
  changes_.push_back(Change{TableCourante, code, what, line});
  ++parEtape_[TableCourante];
  ++compteur_;
  if (db_ != nullptr) db_->FichierModifie = true;
  if (OnErrorFound) OnErrorFound(*this);
}

bool TVG5Controleur::Lire(TGRoot& record, LXArray* store, CodeID code) {
  record.SetStampOnWrite(false);
  if (record.LitDans(code, store)) return true;
  NonLu(record, store, code);
  return false;
}

void TVG5Controleur::NonLu(const TGRoot& record, LXArray* store, CodeID code) {
  // Absent is not damage: the code list and the store disagree only after
  // a deletion of this run.
  if (TGDatabase::EstDans(store, code))
    illisibles_.push_back({code, record.LastDamage().empty() ? std::string("unreadable") : record.LastDamage()});
}

namespace {

// Reads the records of `codes` a chunk at a time, the chunk's records
// decoded on every core, then hands each in order, on this thread, to
// `lu(code, record)`, or to `nonLu(code, record)` when it does not decode.
// A chunk is decoded whole before any of its records is handed, so the
// handler may rewrite the record it is given: nothing reads the store while
// it does, and its rewrite changes no other record.
template <class Record, class Lu, class NonLu>
void LitEnOrdre(LXArray* store, const std::vector<CodeID>& codes, Lu lu, NonLu nonLu) {
  constexpr std::size_t kBloc = 16384;
  std::vector<Record> records(std::min(kBloc, codes.size()));
  std::vector<char> decode(records.size());
  for (std::size_t first = 0; first < codes.size(); first += kBloc) {
    const std::size_t count = std::min(kBloc, codes.size() - first);
    ForEachRange(count, 4096, [&](std::size_t begin, std::size_t end) {
      for (std::size_t k = begin; k < end; ++k) {
        records[k].SetStampOnWrite(false);
        decode[k] = records[k].LitDans(codes[first + k], store) ? 1 : 0;
      }
    });
    for (std::size_t k = 0; k < count; ++k) {
      if (decode[k] != 0) lu(codes[first + k], records[k]);
      else nonLu(codes[first + k], records[k]);
    }
  }
}

}  // namespace

void TVG5Controleur::RemoveIllisibles(LXArray* store, const char* table) {
  for (const Illisible& bad : illisibles_) {
    store->DeleteData(bad.code);
    Modif(bad.code, "unreadable-deleted", "Cvg5controleur._Illisible",
          AnsiString(table) + ", #" + Num(bad.code) + " (" + bad.raison + ")");
  }
  illisibles_.clear();
}

void TVG5Controleur::CalculeNbElements() {
  if (db_ == nullptr) return;
  const TGDatabaseTables& t = db_->Tables();
  const LArray* all[] = {t.dicoNoms,       t.individus,        t.liensPrenoms, t.liensProfessions,
                         t.DocumentLiens()->GetIndex(),       t.dicoAdresses, t.unions,
                         t.dicoLieux,      t.evenements,       t.liens,        t.documents,
                         t.DocumentLiens(), t.medias,          t.MediaLiens(), t.indiMarques,
                         t.tacheAdresses,  t.tacheIndividus,   t.notes,        t.adresseLiens};
  NombreDELements = 0;
  for (const LArray* a : all) NombreDELements += a != nullptr ? a->GetCount() : 0;
  NombreDELementsTraites = 0;
}

void TVG5Controleur::AddNbElementsTraites(std::int64_t n) {
  NombreDELementsTraites += n;
  PositionDansTableCourante += n;
  PourcentTexte = NombreDELements > 0
                      ? static_cast<std::int32_t>(std::min<std::int64_t>(100, NombreDELementsTraites * 100 / NombreDELements))
                      : 100;
  if (++pasDansEtape_ % kPasProgres == 0 || PositionDansTableCourante == ElementTableChange) {
    Host().Progress(NomEtape(TableCourante), PositionDansTableCourante, ElementTableChange);
    if (OnProgress) OnProgress(*this);
    V5ProcessMessage();
  }
}

void TVG5Controleur::Avance() { AddNbElementsTraites(1); }

void TVG5Controleur::TableChange(enumTableT table) {
  TableCourante = table;
  PositionDansTableCourante = 0;
  pasDansEtape_ = 0;
  illisibles_.clear();
  Host().Progress(NomEtape(table), 0, ElementTableChange);
  if (OnTableChange) OnTableChange(*this);
}

// ---- the run

void TVG5Controleur::Reset() {
  changes_.clear();
  StringLog.clear();
  perdues_.clear();
  remarques_.clear();
  parEtape_ = {};
  raison_.clear();
  enregistre_ = false;
  ouvert_ = false;
  compteur_ = 0;
}

bool TVG5Controleur::TraiterLeFichier(bool enregistrer) {
  Reset();
  Status("Localisation2011._ouverture");
  if (OnStart) OnStart(*this);

  auto fail = [&](const std::string& why) {
    raison_ = why;
    AddStringLog(ReplacePercentS(LoadResString("Localisation2011._ouvertureKo"), NomFichier) + ": " + why);
    Status("Localisation2011._verifTerminee");
    if (OnStop) OnStop(*this);
    Resultat = false;
    return false;
  };
  if (!KELFileExists(NomFichier)) return fail("no such file");
  if (GetGenvoraFileFormat(NomFichier) == kFileFormatSqlite) return fail("an SQLite-based database is not read here");

  owned_ = std::make_unique<TGDatabaseSosa>(ActiveFilesPath);
  TGDatabase& db = *owned_;
  db.AssigneNomDeFichier(NomFichier);
  db.ForcedMode = true;
  db.ReadOnly = !enregistrer;
  bool open = false;
  try {
    open = db.FichierOuvrir();
  } catch (const std::exception& e) {
    raison_ = ReasonOf(e);
  }
  if (!open) {
    const std::string why = !raison_.empty() ? raison_ : db.LastReason().empty() ? "the file cannot be opened" : db.LastReason();
    owned_.reset();
    return fail(why);
  }
  Status("Localisation2011._fichierOuvert");
  const bool ok = Run(db, enregistrer);
  owned_.reset();
  db_ = nullptr;
  return ok;
}

bool TVG5Controleur::TraiterLeFichierAvecDatabase(TGDatabase& db, bool enregistrer) {
  Reset();
  if (OnStart) OnStart(*this);
  const bool ok = Run(db, enregistrer);
  db_ = nullptr;
  return ok;
}

void TVG5Controleur::NoteReindex() {
  // What ReIndexArrays will renumber or remove, named before it does.
  TGDatabaseTables& t = db_->Tables();
  const std::pair<const LXArray*, const char*> stores[] = {
      {t.dicoNoms, "TGTableDicoNoms"},     {t.individus, "TGTableIndividus"},  {t.dicoLieux, "TGTableDicoLieux"},
      {t.evenements, "TGTableEvenements"}, {t.unions, "TGTableUnion"},         {t.medias, "TGTableMedias"},
      {t.MediaLiens(), "TG5LinkMedia"},    {t.liens, "TBLINK"},                {t.dicoAdresses, "TGTableDicoAdresses"},
      {t.documents, "TG5Doc"},             {t.DocumentLiens(), "TG5LinkDoc"},  {t.prenoms, "TablePrenoms"},
      {t.professions, "TableProfessions"}};
  std::unordered_set<std::uint32_t> seen;
  for (const auto& [store, name] : stores) {
    // Records written in code order repeat no code: the set of the codes
    // met is only made once a code does not follow the one before.
    seen.clear();
    bool ordered = true;
    std::uint32_t last = 0;
    for (int i = 1; i <= static_cast<int>(store->GetCount()); ++i) {
      if (store->GetItemSize(i) < 4) {
        Modif(0, "record-too-short-removed", "Cvg5controleur._Reindex", AnsiString(name) + ", item " + Num(i));
        continue;
      }
      std::uint32_t code = 0;
      std::memcpy(&code, store->GetItemPtr(i), 4);
      if (code == 0) {
        Modif(code, "code-renumbered", "Cvg5controleur._Reindex", AnsiString(name) + ", #" + Num(code));
        continue;
      }
      if (ordered && code > last) {
        last = code;
        continue;
      }
      if (ordered) {
        ordered = false;
        for (int j = 1; j < i; ++j) {
          std::uint32_t before = 0;
          if (store->GetItemSize(j) >= 4) std::memcpy(&before, store->GetItemPtr(j), 4);
          if (before != 0) seen.insert(before);
        }
      }
      if (!seen.insert(code).second)
        Modif(code, "code-renumbered", "Cvg5controleur._Reindex", AnsiString(name) + ", #" + Num(code));
    }
  }
}

bool TVG5Controleur::Run(TGDatabase& db, bool enregistrer) {
  db_ = &db;
  ouvert_ = true;
  ok_ = true;
  anonyme_ = 0;
  verificationDemandee_ = db.Header.FichierAVerifier();
  perdues_ = db.Dropped();
  for (const std::string& table : perdues_)
    AddStringLog(ReplacePercentS(LoadResString("Cvg5controleur._TablePerdue"), table));

  // A database given without its numbering gets a Sosa maker bound to its
  // own tables; one that has it keeps it (with what its open read).
  if (db.SosaNumbering() == nullptr) {
    db.AttachSosaNumbering([](TGDatabase& d) -> std::unique_ptr<TGSosaNumbering> {
      auto maker = std::make_unique<TV5SosaMaker>();
      maker->SetFiler(&d);
      return maker;
    });
  }
  const bool reconstruire = compteur_ == 0 && ReconstruireLiensPrenoms;
  CalculeNbElements();
  if (OnProgress) OnProgress(*this);
  Status("Localisation2011._etapUn");
  NoteReindex();
  db.ReIndexArrays(true);
  // The couples and links indexes are made again from the records: the
  // steps look couples and shared events up through them.
  TGDatabaseTables& t = db.Tables();
  t.unions->ReIndex();
  t.liens->ReIndex();
  if (reconstruire) {
    db.ReconstruitTablesLiensPrenomsEtLiensProfession();
    TableCourante = etTableLiensPrenoms;
    Modif(0, "name-links-rebuilt", "Cvg5controleur._LiensReconstruits", Num(t.liensPrenoms->GetCount()));
  }
  Status("Localisation2011._etapDeux");
  prochainCode_ = db.Header.GetLastCodeID() + 1;

  try {
    if (ok_) TraiterDicoNoms();
    if (ok_) TraiterTableIndividus();
    if (ok_) TraiterLiensSources();
    if (ok_) TraiterLiensPrenoms();
    if (ok_) TraiterLiensProfessions();
    if (ok_) TraiterDicoAdresses();
    if (ok_) TraiterTableUnions();
    if (ok_) TraiterDicoLieux();
    if (ok_) TraiterTableEvenements();
    if (ok_) TraiterTableLiens();
    if (ok_) TraiterTableDocuments();
    if (ok_) TraiterTableLiensDocuments();
    if (ok_) TraiterTableMedias();
    if (ok_) TraiterTableLiensMedias();
    if (ok_) TraiterTableIndividusMemorises();
    if (ok_) TraiterDicoTaches();
    if (ok_) SupprimeLesNotesNonUtilisees();
    if (ok_) TraiterTableNotes();
    if (ok_) TraiterTableNotesRecherche();
  } catch (const std::exception& e) {
    ok_ = false;
    raison_ = ReasonOf(e);
    AddStringLog(raison_);
  }
  if (ok_ && enregistrer && (compteur_ != 0 || verificationDemandee_ || !perdues_.empty())) {
    if (!perdues_.empty() && !AccepterPerte) {
      ok_ = false;
      raison_ = "unreadable tables would be lost by a save; nothing was written";
    } else {
      // This run was the verification: the file opens normally again.
      db.Header.DemanderVerificationFichier(false);
      if (db.FichierFermer(true)) {
        enregistre_ = true;
      } else {
        ok_ = false;
        raison_ = db.LastReason().empty() ? "the file cannot be written" : db.LastReason();
      }
    }
    if (!raison_.empty()) AddStringLog(raison_);
  }
  if (OnStop) OnStop(*this);
  Status("Localisation2011._verifTerminee");
  Resultat = ok_;
  return ok_;
}

CodeID TVG5Controleur::NomAnonyme() {
  if (anonyme_ != 0) return anonyme_;
  TGTableDicoNoms* noms = db_->Tables().dicoNoms;
  const AnsiString texte = LoadResString("Cvg5controleur._anonymousName");
  anonyme_ = noms->NomExists(texte);
  if (anonyme_ != 0) return anonyme_;
  TGNom nom;
  nom.SetNom(texte);
  nom.SetCodeID(db_->GetNextID());
  nom.SetCreatedNow();
  nom.SetExportable(true);
  noms->EcritData(&nom);
  anonyme_ = nom.GetCodeID();
  Modif(anonyme_, "anonymous-surname-created", "Cvg5controleur._NomAnonyme", Nomme(texte, anonyme_));
  return anonyme_;
}

AnsiString TVG5Controleur::TexteIndividu(CodeID code, const TGIndividu& indi) const {
  AnsiString text = indi.GetChar(5);
  TGNom nom;
  if (indi.GetCodeNom() != 0 && nom.LitDans(indi.GetCodeNom(), db_->Tables().dicoNoms))
    text += (text.empty() ? "" : " ") + nom.GetStoredNom();
  return Nomme(text, code);
}

// ---- surnames
//
// A surname's main-name reference (Rattachement) must name a surname: one
// naming nothing is cleared, and so is one naming the surname itself unless
// other surnames are attached to it (the rule of the upgrades, which keep
// such a master as it is). An empty text (blanks only) is
// replaced by the "no name" word, so that every individual's surname shows.
void TVG5Controleur::TraiterDicoNoms() {
  TGTableDicoNoms* noms = db_->Tables().dicoNoms;
  ElementTableChange = noms->GetCount();
  TableChange(etDicoNoms);
  for (CodeID code : CodesOf(noms)) {
    Avance();
    TGNom nom;
    if (!Lire(nom, noms, code)) continue;
    bool changed = false;
    const CodeID r = nom.GetRattachement();
    if (r != 0 && (r == code ? !noms->EstVarianteMaitre(code) : !db_->EstDicoNom(r))) {
      nom.SetRattachement(0);
      Modif(code, "main-name-cleared", "Cvg5controleur._Modif1", Nomme(nom.GetStoredNom(), code));
      changed = true;
    }
    if (AnsiTrim(nom.GetStoredNom()).empty()) {
      nom.SetNom(LoadResString("Locprincipale._SansNom"));
      Modif(code, "empty-surname-replaced", "Cvg5controleur._NomVide", Nomme(nom.GetStoredNom(), code));
      changed = true;
    }
    if (changed) noms->EcritData(&nom);
  }
  RemoveIllisibles(noms, "TGTableDicoNoms");
}

// ---- individuals
//
// A father or mother that is not an individual, or is the person itself, is
// cleared. A surname code that names no surname takes the anonymous surname
// (made once when the dictionary has none); 0 stays 0, a person without a
// surname being an ordinary state. An address code that names no address is
// cleared. Parents both known and joined by no union get one, with a new
// code: the union is what the family views walk.
void TVG5Controleur::TraiterTableIndividus() {
  TGDatabaseTables& t = db_->Tables();
  ElementTableChange = t.individus->GetCount();
  TableChange(etTableIndividus);
  // Only the store changes during the walk: the alphabetical indexes and
  // the quick list are made again once after it (each rewrite would
  // otherwise move entries of arrays as long as the table).
  const bool batch = t.individus->GetBatchMode();
  t.individus->SetBatchModeTo(true);
  // No individual comes or goes during the walk: whether a parent is one is
  // answered from a map of their codes made once. The surnames and addresses
  // are mapped too; only the anonymous surname may come during the walk, so
  // a code the map does not know is looked up again.
  const CodeMembership individus({t.individus, t.dicoNoms, t.dicoAdresses});
  // The records are decoded a chunk at a time on every core; each object
  // is decoded again for the next chunk, which refills every field.
  const auto nonLu = [&](CodeID code, const TGIndividu& indi) {
    Avance();
    NonLu(indi, t.individus, code);
  };
  // What the indexes read of each record, as the walk leaves it: the
  // rebuild after the walk takes it instead of decoding every record again.
  const std::vector<CodeID> codes = CodesOf(t.individus);
  std::vector<TGTableIndividus::IndexFields> fields;
  fields.reserve(codes.size());
  LitEnOrdre<TGIndividu>(t.individus, codes, [&](CodeID code, TGIndividu& indi) {
    Avance();
    bool changed = false;
    const CodeID pere = indi.GetCodePere();
    if (pere != 0 && (pere == code || !individus.Has(t.individus, pere))) {
      indi.SetCodePere(0);
      Modif(code, "father-invalid-cleared", "Cvg5controleur._Modif2", TexteIndividu(code, indi));
      changed = true;
    }
    const CodeID mere = indi.GetCodeMere();
    if (mere != 0 && (mere == code || !individus.Has(t.individus, mere))) {
      indi.SetCodeMere(0);
      Modif(code, "mother-invalid-cleared", "Cvg5controleur._Modif3", TexteIndividu(code, indi));
      changed = true;
    }
    const CodeID nom = indi.GetCodeNom();
    if (nom != 0 && !individus.Has(t.dicoNoms, nom) && !db_->EstDicoNom(nom)) {
      indi.SetCodeNom(NomAnonyme());
      Modif(code, "surname-missing-replaced", "Cvg5controleur._Modif4", TexteIndividu(code, indi));
      changed = true;
    }
    const CodeID adresse = indi.GetCodeAdresse();
    if (adresse != 0 && !individus.Has(t.dicoAdresses, adresse) && !TGDatabase::EstDans(t.dicoAdresses, adresse)) {
      indi.SetCodeAdresse(0);
      Modif(code, "address-invalid-cleared", "Localisation2011._codeAdresseErrone", TexteIndividu(code, indi));
      changed = true;
    }
    if (changed) t.individus->EcritData(&indi);
    fields.push_back({code, true, indi.GetCodeNom(), indi.GetCodePere(), indi.GetCodeMere(), indi.GetChar(5)});
    const CodeID p = indi.GetCodePere();
    const CodeID m = indi.GetCodeMere();
    if (p != 0 && m != 0 && t.unions->UnionCouple(p, m) == 0 && t.unions->UnionCouple(m, p) == 0) {
      TGUnion u;
      u.SetCodeID(db_->GetNextID());
      u.SetEpoux(p);
      u.SetEpouse(m);
      u.SetCreatedNow();
      u.SetExportable(true);
      t.unions->EcritData(&u);
      Modif(u.GetCodeID(), "parents-union-created", "Cvg5controleur._txtreconstruit",
            ReplacePercentS(LoadResString("Cvg5controleur._UnionCreee"), TexteIndividu(code, indi)) + " (#" +
                Num(u.GetCodeID()) + ")");
    }
  }, nonLu);
  // In one pass of the store: each single deletion would move its tail.
  std::vector<CodeID> illisibles;
  for (const Illisible& bad : illisibles_) {
    illisibles.push_back(bad.code);
    Modif(bad.code, "unreadable-deleted", "Cvg5controleur._Illisible",
          "TGTableIndividus, " + Code(bad.code) + " (" + bad.raison + ")");
  }
  t.individus->LXArray::DeleteDatas(illisibles);
  illisibles_.clear();
  t.individus->SetBatchModeTo(batch);
  if (compteur_ != 0) t.individus->Reindex(std::move(fields));
}

// ---- source index
//
// An entry {event, document, link} of the document links' index whose event
// is no event or whose document is no document goes.
void TVG5Controleur::TraiterLiensSources() {
  TGDatabaseTables& t = db_->Tables();
  LArray* index = t.DocumentLiens()->GetIndex();
  ElementTableChange = index->GetCount();
  TableChange(etTableLienSource);
  bool removed = false;
  for (int i = static_cast<int>(index->GetCount()); i >= 1; --i) {
    Avance();
    const CodeID ev = Word(*index, i, 0);
    const CodeID doc = Word(*index, i, 1);
    const CodeID link = Word(*index, i, 2);
    if (db_->EstEvenement(ev) && TGDatabase::EstDans(t.documents, doc)) continue;
    index->RemoveItemsAt(1, i);
    removed = true;
    Modif(link, "source-index-entry-removed", "Cvg5controleur._LienSource",
          Code(ev) + " / #" + Num(doc));
  }
  if (removed) t.DocumentLiens()->InvalidateOrders();
}

// ---- first-name and profession links
//
// Walked from the last entry to the first; an entry one of whose codes is
// neither an individual nor a first name (a profession) goes.
void TVG5Controleur::TraiterLiensPrenoms() {
  TraiterLiensNom(db_->Tables().liensPrenoms, db_->Tables().prenoms, etTableLiensPrenoms, "first-name-link-removed",
                  "Cvg5controleur._LienPrenom");
}

void TVG5Controleur::TraiterLiensProfessions() {
  TraiterLiensNom(db_->Tables().liensProfessions, db_->Tables().professions, etTableLiensProfessions,
                  "profession-link-removed", "Cvg5controleur._LienProfession");
}

void TVG5Controleur::TraiterLiensNom(LArray* liens, const LXArray* dico, enumTableT etape, const char* what,
                                     const char* key) {
  ElementTableChange = liens->GetCount();
  TableChange(etape);
  auto bon = [&](CodeID c) { return db_->EstIndividu(c) || TGDatabase::EstDans(dico, c); };
  for (int i = static_cast<int>(liens->GetCount()); i >= 1; --i) {
    Avance();
    const CodeID a = Word(*liens, i, 0);
    const CodeID b = Word(*liens, i, 1);
    if (bon(a) && bon(b)) continue;
    liens->RemoveItemsAt(1, i);
    Modif(a, what, key, Code(a) + " / #" + Num(b));
  }
}

// ---- addresses
//
// Each code an address keeps is checked with the kind test of the record it
// should designate: the union, man and woman of older versions (a union,
// two individuals), cleared when they dangle. A pair of the address links
// must join an address to an individual or a union (either order); any
// other pair goes. Addresses themselves are never deleted here: a text the
// user typed does not depend on who lives there.
void TVG5Controleur::TraiterDicoAdresses() {
  TGDatabaseTables& t = db_->Tables();
  TGTableLiensGenerique* liens = t.adresseLiens;
  ElementTableChange = t.dicoAdresses->GetCount() + liens->GetCount();
  TableChange(etDicoAdresses);
  for (CodeID code : CodesOf(t.dicoAdresses)) {
    Avance();
    TGAdresse adresse;
    if (!Lire(adresse, t.dicoAdresses, code)) continue;
    bool changed = false;
    if (adresse.GetOldXREFUnion() != 0 && !db_->EstUnion(adresse.GetOldXREFUnion())) {
      adresse.SetOldXREFUnion(0);
      changed = true;
    }
    if (adresse.GetOldXREFHomme() != 0 && !db_->EstIndividu(adresse.GetOldXREFHomme())) {
      adresse.SetOldXREFHomme(0);
      changed = true;
    }
    if (adresse.GetOldXREFFemme() != 0 && !db_->EstIndividu(adresse.GetOldXREFFemme())) {
      adresse.SetOldXREFFemme(0);
      changed = true;
    }
    if (!changed) continue;
    t.dicoAdresses->EcritData(&adresse);
    Modif(code, "address-reference-cleared", "Cvg5controleur._Adresse", Nomme(adresse.GetTexte(0), code));
  }
  RemoveIllisibles(t.dicoAdresses, "TGTableDicoAdresses");
  auto estAdresse = [&](CodeID c) { return TGDatabase::EstDans(t.dicoAdresses, c); };
  auto estPorteur = [&](CodeID c) { return db_->EstIndividu(c) || db_->EstUnion(c); };
  for (int i = static_cast<int>(liens->GetCount()); i >= 1; --i) {
    Avance();
    const CodeID a = Word(*liens, i, 0);
    const CodeID b = Word(*liens, i, 1);
    if ((estAdresse(a) && estPorteur(b)) || (estPorteur(a) && estAdresse(b))) continue;
    liens->RemoveItemsAt(1, i);
    Modif(a, "address-link-removed", "Cvg5controleur._LienAdresse", Code(a) + " / #" + Num(b));
  }
}

// ---- tasks
//
// The task-address and task-individual pairs are walked from the last to
// the first; a pair that does not join a task to an address (an
// individual), in either order, goes.
void TVG5Controleur::TraiterDicoTaches() {
  TGDatabaseTables& t = db_->Tables();
  ElementTableChange = t.tacheAdresses->GetCount() + t.tacheIndividus->GetCount();
  TableChange(etTableTaches);
  auto tache = [&](CodeID c) { return TGDatabase::EstDans(t.taches, c); };
  auto adresse = [&](CodeID c) { return TGDatabase::EstDans(t.dicoAdresses, c); };
  auto individu = [&](CodeID c) { return db_->EstIndividu(c); };
  const std::pair<TGTableLiensGenerique*, std::function<bool(CodeID)>> tables[] = {{t.tacheAdresses, adresse},
                                                                                   {t.tacheIndividus, individu}};
  for (const auto& [liens, autre] : tables) {
    for (int i = static_cast<int>(liens->GetCount()); i >= 1; --i) {
      Avance();
      const CodeID a = Word(*liens, i, 0);
      const CodeID b = Word(*liens, i, 1);
      if ((tache(a) && autre(b)) || (autre(a) && tache(b))) continue;
      liens->RemoveItemsAt(1, i);
      Modif(a, "task-link-removed", "Cvg5controleur._LienTache", Code(a) + " / #" + Num(b));
    }
  }
}

// ---- unions
//
// A partner code that names no individual is cleared: 0 is the ordinary
// "unknown partner". A union left with no partner at all is deleted after
// the walk; its events are then owned by nobody and the events step deals
// with them.
void TVG5Controleur::TraiterTableUnions() {
  TGDatabaseTables& t = db_->Tables();
  ElementTableChange = t.unions->GetCount();
  TableChange(etTableUnions);
  std::vector<CodeID> aSupprimer;
  auto texte = [](const TGUnion& u, CodeID code) {
    return Code(code) + " (#" + Num(u.GetEpoux()) + " & #" + Num(u.GetEpouse()) + ")";
  };
  for (CodeID code : CodesOf(t.unions)) {
    Avance();
    TGUnion u;
    if (!Lire(u, t.unions, code)) continue;
    bool changed = false;
    if (u.GetEpoux() != 0 && !db_->EstIndividu(u.GetEpoux())) {
      Modif(code, "husband-invalid-cleared", "Cvg5controleur._Modif6", texte(u, code));
      u.SetEpoux(0);
      changed = true;
    }
    if (u.GetEpouse() != 0 && !db_->EstIndividu(u.GetEpouse())) {
      Modif(code, "wife-invalid-cleared", "Cvg5controleur._Modif6", texte(u, code));
      u.SetEpouse(0);
      changed = true;
    }
    if (u.GetAdresse() != 0 && !TGDatabase::EstDans(t.dicoAdresses, u.GetAdresse())) {
      u.SetAdresse(0);
      Modif(code, "address-invalid-cleared", "Cvg5controleur._Modif7", texte(u, code));
      changed = true;
    }
    if (u.GetEpoux() == 0 && u.GetEpouse() == 0) {
      aSupprimer.push_back(code);
      Modif(code, "union-without-partner-deleted", "Cvg5controleur._UnionSupprimee", texte(u, code));
      continue;
    }
    if (changed) t.unions->EcritData(&u);
  }
  SupprimeEnBloc(t.unions, aSupprimer, [&] { t.unions->ReIndex(); });
  RemoveIllisibles(t.unions, "TGTableUnion");
}

// ---- places
//
// A parent place (Rattachement) that names no place is cleared.
void TVG5Controleur::TraiterDicoLieux() {
  TGTableDicoLieux* lieux = db_->Tables().dicoLieux;
  ElementTableChange = lieux->GetCount();
  TableChange(etDicoLieux);
  for (CodeID code : CodesOf(lieux)) {
    Avance();
    TGLieu lieu;
    if (!Lire(lieu, lieux, code)) continue;
    const CodeID r = lieu.GetRattachement();
    if (r == 0 || db_->EstLieu(r)) continue;
    lieu.SetRattachement(0);
    lieux->EcritData(&lieu);
    Modif(code, "parent-place-cleared", "Cvg5controleur._Modif8", Nomme(lieu.GetVille(), code));
  }
  RemoveIllisibles(lieux, "TGTableDicoLieux");
}

// ---- events
//
// An event whose owner is neither an individual nor a union goes to the
// first individual linked to it, when there is one; otherwise nobody can
// see it and it is deleted. The type must suit the owner (57 for a union's
// event with a person's type, 15 for the reverse). A shared event owned by
// an individual gets its owner's link (type 101) when it is missing. A
// place code that names no place is cleared.
void TVG5Controleur::TraiterTableEvenements() {
  TGDatabaseTables& t = db_->Tables();
  ElementTableChange = t.evenements->GetCount();
  TableChange(etTableEvenements);
  std::vector<CodeID> aSupprimer;
  struct Reecrit {
    CodeID code;
    std::string bytes;
    EvenementIndexT key;
  };
  std::vector<Reecrit> reecrits;
  // The walk adds links only: the owners and places an event names are
  // looked up in a map of their codes made once.
  const CodeMembership membres({t.individus, t.unions, t.dicoLieux});
  const auto estIndividu = [&](CodeID c) { return membres.Has(t.individus, c); };
  // The records are decoded a chunk at a time on every core; the store
  // does not change during the walk (rewrites and removals wait for its end).
  const auto nonLu = [&](CodeID code, const TGEvenement& ev) {
    Avance();
    NonLu(ev, t.evenements, code);
  };
  LitEnOrdre<TGEvenement>(t.evenements, CodesOf(t.evenements), [&](CodeID code, TGEvenement& ev) {
    Avance();
    // Named only when a line needs it: most events need none.
    const auto texte = [&] { return Nomme(ev.GetTypeStr(), code); };
    bool changed = false;
    CodeID owner = ev.GetProprietaire();
    // Each kind asked once per owner: three million events make the code
    // list searches count.
    bool ofIndividu = estIndividu(owner);
    bool ofUnion = membres.Has(t.unions, owner);
    if (!ofIndividu && !ofUnion) {
      LArray linked(4, nullptr, false);
      t.liens->LesIndisDeEvtPartage(code, &linked, false);
      CodeID heir = 0;
      for (int i = 1; heir == 0 && i <= static_cast<int>(linked.GetCount()); ++i) {
        CodeID c = 0;
        if (linked.FetchItemAt(i, &c) && estIndividu(c)) heir = c;
      }
      if (heir == 0) {
        aSupprimer.push_back(code);
        Modif(code, "event-without-owner-deleted", "Cvg5controleur._Modif5", texte());
        return;
      }
      ev.SetProprietaire(heir);
      owner = heir;
      ofIndividu = true;
      ofUnion = membres.Has(t.unions, owner);
      Modif(code, "event-owner-given", "Cvg5controleur._Proprietaire", texte());
      changed = true;
    }
    const bool unionEvent = IsUnionEvent(ev.GetType());
    if (ofUnion && !unionEvent) {
      ev.SetType(static_cast<TV5EventList>(kTypeUnionParDefaut));
      Modif(code, "union-event-type-corrected", "Cvg5controleur._Modif9", texte());
      changed = true;
    } else if (ofIndividu && unionEvent) {
      ev.SetType(static_cast<TV5EventList>(kTypeIndividuParDefaut));
      Modif(code, "individual-event-type-corrected", "Cvg5controleur._Modif9", texte());
      changed = true;
    }
    if (ev.GetDicoLieu() != 0 && !membres.Has(t.dicoLieux, ev.GetDicoLieu())) {
      ev.SetDicoLieu(0);
      Modif(code, "place-invalid-cleared", "Cvg5controleur._Modif10", texte());
      changed = true;
    }
    if (changed) reecrits.push_back({code, ev.EncodeToString(), TGTableEvenements::MakeKey(ev)});
    if (ev.GetPartage() && ofIndividu && t.liens->LeLienIndiEvt(owner, code) == 0) {
      TGLien lien;
      lien.SetCodeID(db_->GetNextID());
      lien.SetLienDe(owner);
      lien.SetLienVers(code);
      lien.SetType(kLienEvenementParDefaut);
      lien.SetCreatedNow();
      lien.SetExportable(true);
      t.liens->EcritData(&lien);
      Modif(lien.GetCodeID(), "shared-event-link-created", "Cvg5controleur._txtreconstruit",
            ReplacePercentS(LoadResString("Cvg5controleur._LienEvenement"), texte()));
    }
  }, nonLu);
  // Each rewrite through the table moves the event's entry in an index as
  // long as the table: many of them are stored as they are and the index
  // is made again once.
  if (reecrits.size() < kReecritsEnBloc) {
    for (const Reecrit& r : reecrits)
      t.evenements->EcritEvenement(r.key, r.bytes.data(), static_cast<unsigned>(r.bytes.size()));
  } else {
    for (const Reecrit& r : reecrits)
      t.evenements->LXArray::EcritData(r.code, r.bytes.data(), static_cast<unsigned>(r.bytes.size()));
  }
  t.evenements->DeleteDatas(aSupprimer);
  if (reecrits.size() >= kReecritsEnBloc) {
    // An owner given to an event may have a new arrival date, which the
    // individuals' order reads.
    t.evenements->ReIndex();
    t.individus->Reindex();
  }
  RemoveIllisibles(t.evenements, "TGTableEvenements");
}

// ---- links
//
// A link goes when an end is missing, its origin is no individual, or its
// target is neither an individual, an event nor a union. A link to an
// individual typed outside 1..99 gets 1; a link to an event typed outside
// 101..119 gets 101.
void TVG5Controleur::TraiterTableLiens() {
  TGDatabaseTables& t = db_->Tables();
  ElementTableChange = t.liens->GetCount();
  TableChange(etTableLiens);
  std::vector<CodeID> aSupprimer;
  // One record object for the walk: decoding refills every field.
  TGLien lien;
  for (CodeID code : CodesOf(t.liens)) {
    Avance();
    if (!Lire(lien, t.liens, code)) continue;
    const CodeID de = lien.GetLienDe();
    const CodeID vers = lien.GetLienVers();
    const AnsiString texte =
        Code(code) + " (#" + Num(de) + " -> #" + Num(vers) + ", type " + Num(lien.GetType()) + ")";
    const bool versIndividu = db_->EstIndividu(vers);
    const bool versEvenement = db_->EstEvenement(vers);
    if (de == 0 || vers == 0 || !db_->EstIndividu(de) || !(versIndividu || versEvenement || db_->EstUnion(vers))) {
      aSupprimer.push_back(code);
      Modif(code, "link-end-invalid-deleted", "Cvg5controleur._LienSupprime", texte);
      continue;
    }
    const liensListT type = lien.GetType();
    liensListT wanted = type;
    if (versIndividu && (type < 1 || type > 99)) wanted = kLienIndividuParDefaut;
    if (versEvenement && (type < 101 || type > 119)) wanted = kLienEvenementParDefaut;
    if (wanted == type) continue;
    lien.SetType(wanted);
    t.liens->EcritData(&lien);
    Modif(code, "link-type-defaulted", "Cvg5controleur._Modif11", texte);
  }
  SupprimeEnBloc(t.liens, aSupprimer, [&] { t.liens->ReIndex(); });
  RemoveIllisibles(t.liens, "TBLINK");
}

// ---- documents
//
// The nature of a document (0 digital, 1 internet, 2 microfilm, 3 original,
// 4 copy, 5 other) above 5 is set to 0.
void TVG5Controleur::TraiterTableDocuments() {
  TGTableDocuments* docs = db_->Tables().documents;
  ElementTableChange = docs->GetCount();
  TableChange(etTableDocuments);
  for (CodeID code : CodesOf(docs)) {
    Avance();
    TGDocument doc;
    if (!Lire(doc, docs, code)) continue;
    if (doc.GetNatureActe() <= kNatureActeMax) continue;
    doc.SetNatureActe(0);
    docs->EcritData(&doc);
    Modif(code, "document-nature-reset", "Cvg5controleur._Document", Nomme(doc.GetText(0), code));
  }
  RemoveIllisibles(docs, "TG5Doc");
}

// A document link whose event is no event or whose document is no document
// goes.
void TVG5Controleur::TraiterTableLiensDocuments() {
  TGDatabaseTables& t = db_->Tables();
  TGTableLienDocuments* liens = t.DocumentLiens();
  ElementTableChange = liens->GetCount();
  TableChange(etTableLiensDocuments);
  std::vector<CodeID> aSupprimer;
  for (CodeID code : CodesOf(liens)) {
    Avance();
    TGLienDocument lien;
    if (!Lire(lien, liens, code)) continue;
    if (db_->EstEvenement(lien.GetXREFEvenement()) && TGDatabase::EstDans(t.documents, lien.GetXREFDocument()))
      continue;
    aSupprimer.push_back(code);
    Modif(code, "document-link-deleted", "Cvg5controleur._Modif12",
          Code(code) + " (#" + Num(lien.GetXREFEvenement()) + " / #" + Num(lien.GetXREFDocument()) + ")");
  }
  SupprimeEnBloc(liens, aSupprimer, [&] { liens->ReIndex(); });
  RemoveIllisibles(liens, "TG5LinkDoc");
}

// ---- media
//
// A medium whose original file is gone is looked for in the database
// folder's "Media" folder, then in the database folder itself, by its file
// name: found there, its path is corrected to it. Found nowhere (and no
// bundle copy either), it is left as it is with a log line that is no
// change. A picture found on disk whose stored thumbnail is missing,
// unreadable, or larger than 256 pixels either way gets a new one.
void TVG5Controleur::TraiterTableMedias() {
  TGDatabaseTables& t = db_->Tables();
  ElementTableChange = t.medias->GetCount();
  TableChange(etTableMedias);
  const AnsiString dossier = db_->Chemin.empty() ? AnsiString() : KELGetFilePath(db_->Chemin, false);
  for (CodeID code : CodesOf(t.medias)) {
    Avance();
    TGMedia media;
    if (!Lire(media, t.medias, code)) continue;
    media.SetDatabaseFolder(dossier);
    const AnsiString original = media.GetOriginalFullPath();
    const AnsiString texte = Nomme(KELGetFileFullName(original), code);
    AnsiString trouve = KELFileExists(original) ? original : AnsiString();
    bool changed = false;
    if (trouve.empty() && !dossier.empty() && !original.empty()) {
      AnsiString base = dossier;
      if (base.back() != '/') base += '/';
      for (const AnsiString& candidate : {base + "Media/" + KELGetFileFullName(original), base + KELGetFileFullName(original)}) {
        if (!KELFileExists(candidate)) continue;
        trouve = candidate;
        media.SetOriginalFullPath(candidate);
        Modif(code, "media-path-corrected", "Cvg5controleur._MediaChemin", texte);
        changed = true;
        break;
      }
      if (trouve.empty() && !media.GetFileExist()) {
        remarques_.push_back(ReplacePercentS(LoadResString("Cvg5controleur._MediaIntrouvable"), texte));
        AddStringLog(remarques_.back());
      }
    }
    if (!trouve.empty() && TGMedia::IsFilenameIsAnImage(trouve) && VignetteARefaire(media) &&
        media.MetAJourVignette(trouve)) {
      Modif(code, "media-thumbnail-rebuilt", "Cvg5controleur._MediaVignette", texte);
      changed = true;
    }
    if (changed) t.medias->EcritData(&media);
  }
  RemoveIllisibles(t.medias, "TGTableMedias");
}

// A media link goes when its medium is no medium or its owner is none of
// the kinds a medium is shown on: individual, document, surname, event,
// place, union, first name, link.
void TVG5Controleur::TraiterTableLiensMedias() {
  TGDatabaseTables& t = db_->Tables();
  TGTableLiensMedias* liens = t.MediaLiens();
  ElementTableChange = liens->GetCount();
  TableChange(etTableLiensMedias);
  auto proprietaire = [&](CodeID c) {
    return db_->EstIndividu(c) || TGDatabase::EstDans(t.documents, c) || db_->EstDicoNom(c) ||
           db_->EstEvenement(c) || db_->EstLieu(c) || db_->EstUnion(c) || TGDatabase::EstDans(t.prenoms, c) ||
           TGDatabase::EstDans(t.liens, c);
  };
  std::vector<CodeID> aSupprimer;
  for (CodeID code : CodesOf(liens)) {
    Avance();
    TGLienMedia lien;
    if (!Lire(lien, liens, code)) continue;
    if (db_->EstMedia(lien.GetXREFMedia()) && proprietaire(lien.GetXREFCible())) continue;
    aSupprimer.push_back(code);
    Modif(code, "media-link-deleted", "Cvg5controleur._Modif13",
          Code(code) + " (#" + Num(lien.GetXREFMedia()) + " / #" + Num(lien.GetXREFCible()) + ")");
  }
  for (CodeID code : aSupprimer) liens->DeleteData(code);
  RemoveIllisibles(liens, "TG5LinkMedia");
}

// ---- remembered individuals
//
// The marked individuals keep only individuals. The memorised branches are
// left alone: their first word is not always an individual's code (older
// writers put the branch's own identifier there).
void TVG5Controleur::TraiterTableIndividusMemorises() {
  TGDatabaseTables& t = db_->Tables();
  ElementTableChange = t.indiMarques->GetCount();
  TableChange(etTableIndividusMemorises);
  std::vector<CodeID> marques;
  for (int i = 1; i <= static_cast<int>(t.indiMarques->GetCount()); ++i) {
    Avance();
    const CodeID c = Word(*t.indiMarques, i, 0);
    if (!db_->EstIndividu(c)) marques.push_back(c);
  }
  for (CodeID c : marques) {
    t.indiMarques->Demarque(c);
    Modif(c, "remembered-individual-removed", "Cvg5controleur._Memorise", Code(c));
  }
}

// ---- notes
//
// Notes no record owns go (a note takes its owner's code), then notes whose
// text is empty once its rich text is read.
void TVG5Controleur::SupprimeLesNotesNonUtilisees() {
  TGTableNote* notes = db_->Tables().notes;
  ElementTableChange = notes->GetCount();
  TableChange(etTableNotes);
  for (CodeID code : db_->NotesNonUtilisees()) {
    TVGNote note;
    AnsiString texte;
    if (note.LitDans(code, notes)) texte = AnsiTrim(note.GetNoteTxt());
    if (texte.size() > 60) texte = texte.substr(0, 60) + "...";
    notes->DeleteData(code);
    Modif(code, "unused-note-deleted", "Cvg5controleur._NoteInutilisee", Nomme(texte, code));
  }
}

void TVG5Controleur::TraiterTableNotes() {
  TGTableNote* notes = db_->Tables().notes;
  ElementTableChange = notes->GetCount();
  TableChange(etTableNotes);
  std::vector<CodeID> aSupprimer;
  for (CodeID code : CodesOf(notes)) {
    Avance();
    TVGNote note;
    if (!Lire(note, notes, code)) continue;
    if (!AnsiTrim(note.GetNoteTxt()).empty()) continue;
    if (!AnsiTrim(ConvertRtfText(note.GetNoteRTF(), ConvertRtfActionTo::Text)).empty()) continue;
    aSupprimer.push_back(code);
    Modif(code, "empty-note-deleted", "Cvg5controleur._NoteVide", Code(code));
  }
  notes->LXArray::DeleteDatas(aSupprimer);
  RemoveIllisibles(notes, "TableNote");
}

void TVG5Controleur::TraiterTableNotesRecherche() {}

}  // namespace genvora
