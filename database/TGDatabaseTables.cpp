// The stored shape of every table of a database.
#include "database/TGDatabaseTables.h"

#include "containers/LVariableArray.h"

namespace genvora {

namespace {

// Sorted arrays of code tuples order by their first word (the record code),
// as every index of the file does; a byte comparison would order
// little-endian codes wrongly and could not find an entry by its code.
LArray* NewArray(const char* name, unsigned itemSize, bool keepSorted) {
  auto* array = new LArray(itemSize, keepSorted ? new LLongComparator : nullptr, keepSorted);
  array->SetClassName(name);
  return array;
}

LXArray* NewStore(const char* name) { return new LXArray(name, true); }

}  // namespace

TGDatabaseTables::TGDatabaseTables() {
  indiMarques = Own(new TGTableIndiMarques);

  individus = Own(new TGTableIndividus);
  evenements = Own(new TGTableEvenements);
  individus->SetTableEvenements(evenements);
  evenements->SetTableIndividus(individus);
  dicoNoms = individus->GetDicoNoms();
  dicoLieux = evenements->GetDicoLieux();
  unions = Own(new TGTableUnion);

  medias = Own(new TGTableMedias);

  liens = Own(new TGTableLiens);

  dicoAdresses = Own(new TGTableDicoAdresses);

  // The Sosa table alone: the occurrences the computations keep beside it
  // are theirs and never stored.
  sosa = Own(NewArray("SOSATbl", 36, false));
  sosa->SetMinSize(512);

  documents = Own(new TGTableDocuments);

  redaction = Own(NewStore("TableRedaction"));

  ordreEnfants = Own(NewArray("OrdreEnfants", 4, false));
  ordreConjoints = Own(NewArray("OrdreConjoints", 4, false));
  taches = Own(new TGTableTache);
  tacheAdresses = Own(new TGTableLiensGenerique("TableTaches-Adresses"));
  tacheIndividus = Own(new TGTableLiensGenerique("TableTaches-Individus"));
  adresseLiens = Own(new TGTableLiensGenerique("TGTableDicoAdresses-Liens"));
  taches->SetLiens(tacheAdresses, tacheIndividus);
  dicoAdresses->SetLiens(adresseLiens);
  notes = Own(new TGTableNote("TableNote"));
  prenoms = Own(new TGTablePrenoms);
  professions = Own(new TGTableProfessions);
  liensPrenoms = Own(new TGTableLiensPrenoms);
  liensProfessions = Own(new TGTableLiensProfessions);
  prenoms->SetLiens(liensPrenoms);
  professions->SetLiens(liensProfessions);
  individusDicos_ = std::make_unique<TGIndividusDictionnaires>(individus);
  dicoNoms->SetIndividus(individusDicos_.get());
  prenoms->SetIndividus(individusDicos_.get());
  professions->SetIndividus(individusDicos_.get());
  // The dictionaries' own alphabetical indexes, saved as sections.
  prenomsAlpha = prenoms->GetIndexAlpha();
  professionsAlpha = professions->GetIndexAlpha();
  // The dictionary's own alphabetical index, saved as a section of its own.
  nomsAlpha = dicoNoms->GetIndexAlpha();
  unionLiens = Own(new TGTableLiensGenerique("TGTableUnion-Liens"));
  noteLiens = Own(new TGTableLiensGenerique("TableNote-Liens"));
  notesAideRecherche = Own(new TGTableNote("TableNoteAideRecherche"));
  rechercheLog = Own(new TGTableRechercheLog);
  branches = Own(new TGTableBranchesMemorisees);
  mediasCadres = Own(new TGTableMediasCadres);
  medias->SetCadres(mediasCadres);
  evenements->SetTableLiens(liens);
}

TGDatabaseTables::~TGDatabaseTables() = default;


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
      {"TableRedaction", redaction, -1000},
      {"OrdreEnfants", ordreEnfants, 1},
      {"OrdreConjoints", ordreConjoints, 1},
      {"TableTaches", taches, 2},
      {"TableTaches-Adresses", tacheAdresses, 4},
      {"TableTaches-Individus", tacheIndividus, 4},
      {"TGTableDicoAdresses-Liens", adresseLiens, 5},
      {"TableNote", notes, 6},
      {"TablePrenoms", prenoms, 8},
      {"TableProfessions", professions, 8},
      {"TableLiensPrenoms", liensPrenoms, 8},
      {"TableLiensProfessions", liensProfessions, 8},
      {"TBPrenom-IdxAlpha", prenomsAlpha, 8},
      {"TBProfession-IdxAlpha", professionsAlpha, 8},
      {"TBNoms-IdxAlpha", nomsAlpha, 8},
      {"TGTableDicoNoms", dicoNoms, 15},
      {"TGTableDicoLieux", dicoLieux, 15},
      {"TGTableUnion-Liens", unionLiens, 16},
      {"TableNote-Liens", noteLiens, 16},
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
