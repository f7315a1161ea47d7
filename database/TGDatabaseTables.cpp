// The stored shape of every table of a database.
#include "database/TGDatabaseTables.h"

#include "containers/LVariableArray.h"
#include "containers/TG5indexWithMatch.h"

namespace genvora {

namespace {

LArray* NewArray(const char* name, unsigned itemSize, bool keepSorted) {
  auto* array = new LArray(itemSize, nullptr, keepSorted);
  array->SetClassName(name);
  return array;
}

LXArray* NewStore(const char* name) { return new LXArray(name, true); }

// The quick list of the individuals: {individual, father, mother}, with the
// parent-to-child pairs inside it.
LArray* NewQuickList() {
  LArray* quick = NewArray("QuickList", 12, true);
  quick->AttachArray(1, NewArray("QuickList-Childs", 8, true));
  return quick;
}

TG5indexWithMatch* NewIndexWithMatch(const char* name, const char* matchName) {
  auto* index = new TG5indexWithMatch(4, nullptr, false);
  index->SetClassName(name);
  index->GetMatchArray()->SetClassName(matchName);
  return index;
}

}  // namespace

LXArray* TGDatabaseTables::NewDicoNoms() {
  LXArray* store = NewStore("TGTableDicoNoms");
  auto* particles = new LVariableArray(nullptr, false);
  particles->SetClassName("PartNameTbl");
  store->AttachArray(1, particles);
  return store;
}

LXArray* TGDatabaseTables::NewDicoLieux() {
  LXArray* store = NewStore("TGTableDicoLieux");
  store->AttachArray(1, NewIndexWithMatch("TBPlace-IdxPlace", "TBPlace-IdxPlace-Match"));
  store->AttachArray(3, NewIndexWithMatch("TBNom-IdxCode", "TBPlace-IdxCode-Match"));
  return store;
}

TGDatabaseTables::TGDatabaseTables() {
  indiMarques = Own(NewArray("CkeckedPeoples", 4, false));
  indiMarques->InvalidateSort();

  individus = Own(NewStore("TGTableIndividus"));
  individus->AttachArray(1, NewArray("TBPeople-IdxAlpha", 4, false));
  individus->AttachArray(2, NewArray("TBPeople-IdxAlphaR", 4, false));
  individus->AttachArray(4, NewQuickList());

  evenements = Own(NewStore("TGTableEvenements"));
  evenements->AttachArray(1, NewArray("TBEvent-Idx", 16, true));

  unions = Own(NewStore("TGTableUnion"));
  unions->AttachArray(1, NewArray("TBUnion-IdxHusb", 8, true));
  unions->AttachArray(3, NewArray("TBUnion-IdxSpouse", 8, true));

  medias = Own(NewStore("TGTableMedias"));
  medias->AttachArray(1, NewStore("TBMedia-IdxOwner"));

  liens = Own(NewStore("TBLINK"));
  liens->AttachArray(1, NewArray("TBLINK-IdxVERS", 12, true));
  liens->AttachArray(2, NewArray("TBLINK-IdxDE", 12, true));

  dicoAdresses = Own(NewStore("TGTableDicoAdresses"));

  sosa = Own(NewArray("SOSATbl", 36, false));
  sosa->SetMinSize(512);
  LArray* doubles = NewArray("SOSADbl", 8, false);
  doubles->SetMinSize(512);
  sosa->AttachArray(1, doubles);

  documents = Own(NewStore("TG5Doc"));
  LXArray* docLinks = NewStore("TG5LinkDoc");
  docLinks->AttachArray(1, NewArray("TBDoc-IdxDoc", 12, true));
  documents->AttachArray(1, docLinks);

  redaction = Own(NewStore("TG8TableRedaction"));

  ordreEnfants = Own(NewArray("OrdreEnfants", 4, false));
  ordreConjoints = Own(NewArray("OrdreConjoints", 4, false));
  taches = Own(NewStore("TableTaches"));
  tacheAdresses = Own(NewArray("TBTache-Adresses", 8, true));
  tacheIndividus = Own(NewArray("TBTache-Individus", 8, true));
  adresseLiens = Own(NewArray("TBAdresse-Liens", 8, true));
  notes = Own(NewStore("TableNote"));
  prenoms = Own(NewStore("TablePrenoms"));
  professions = Own(NewStore("TableProfessions"));
  liensPrenoms = Own(NewArray("TBLiensPrenoms", 12, true));
  liensProfessions = Own(NewArray("TBLiensProfessions", 8, true));
  prenomsAlpha = Own(NewArray("TBPrenom-IdxAlpha", 4, false));
  professionsAlpha = Own(NewArray("TBProfession-IdxAlpha", 4, false));
  nomsAlpha = Own(NewArray("TBNoms-IdxAlpha", 4, false));
  dicoNoms = Own(NewDicoNoms());
  dicoLieux = Own(NewDicoLieux());
  unionLiens = Own(NewArray("TBUnion-Liens", 8, true));
  noteLiens = Own(NewArray("TBNote-Liens", 8, true));
  notesAideRecherche = Own(NewStore("TableNoteAideRecherche"));
  rechercheLog = Own(NewStore("TableRechercheLog"));
  rechercheLog->AttachArray(1, NewArray("TBRechercheLog-Liens", 8, true));
  branches = Own(NewArray("BranchesMemorisees", 12, true));
  mediasCadres = Own(NewStore("MediasCadres"));
}

TGDatabaseTables::~TGDatabaseTables() = default;

LXArray* TGDatabaseTables::MediaLiens() const { return static_cast<LXArray*>(medias->GetAttachedArray(1)); }
LXArray* TGDatabaseTables::DocumentLiens() const { return static_cast<LXArray*>(documents->GetAttachedArray(1)); }
LArray* TGDatabaseTables::QuickList() const { return individus->GetAttachedArray(4); }

std::vector<TGDatabaseTables::Section> TGDatabaseTables::Sections() const {
  return {
      {"CkeckedPeoples", indiMarques, -1000},
      {"TGTableIndividus", individus, -1000},
      {"TGTableEvenements", evenements, -1000},
      {"TGTableUnion", unions, -1000},
      {"TGTableMedias", medias, -1000},
      {"TBLINK", liens, -1000},
      {"TGTableDicoAdresses", dicoAdresses, -1000},
      {"SOSATbl", sosa, -1000},
      {"TG5Doc", documents, -1000},
      {"TG8TableRedaction", redaction, -1000},
      {"OrdreEnfants", ordreEnfants, 1},
      {"OrdreConjoints", ordreConjoints, 1},
      {"TableTaches", taches, 2},
      {"TBTache-Adresses", tacheAdresses, 4},
      {"TBTache-Individus", tacheIndividus, 4},
      {"TBAdresse-Liens", adresseLiens, 5},
      {"TableNote", notes, 6},
      {"TablePrenoms", prenoms, 8},
      {"TableProfessions", professions, 8},
      {"TBLiensPrenoms", liensPrenoms, 8},
      {"TBLiensProfessions", liensProfessions, 8},
      {"TBPrenom-IdxAlpha", prenomsAlpha, 8},
      {"TBProfession-IdxAlpha", professionsAlpha, 8},
      {"TBNoms-IdxAlpha", nomsAlpha, 8},
      {"TGTableDicoNoms", dicoNoms, 15},
      {"TGTableDicoLieux", dicoLieux, 15},
      {"TBUnion-Liens", unionLiens, 16},
      {"TBNote-Liens", noteLiens, 16},
      {"TableNoteAideRecherche", notesAideRecherche, 18},
      {"TableRechercheLog", rechercheLog, 18},
      {"BranchesMemorisees", branches, 18},
      {"MediasCadres", mediasCadres, 21},
  };
}

std::vector<LXArray*> TGDatabaseTables::CodedStores() const {
  return {individus, evenements, unions,  medias,   MediaLiens(),       liens,        dicoAdresses,
          documents, DocumentLiens(), taches, prenoms, professions, dicoNoms, dicoLieux, rechercheLog,
          mediasCadres, redaction};
}

void TGDatabaseTables::Flush() {
  for (const Section& section : Sections()) {
    section.array->Flush();
    WalkArrays(section.array, [](const LArray& a) { const_cast<LArray&>(a).Flush(); });
  }
}

void TGDatabaseTables::WalkArrays(const LArray* array, const std::function<void(const LArray&)>& visit) {
  if (array == nullptr) return;
  visit(*array);
  for (int slot = 0; slot < LArray::kAttachedSlots; ++slot) WalkArrays(array->GetAttachedArray(slot), visit);
}

bool CopyArrayBlock(const LArray& from, LArray& to) {
  MemoryFile buffer;
  if (!from.EcritDans(&buffer) || !buffer.Seek(0)) return false;
  return to.LitDans(&buffer);
}

}  // namespace genvora
