// The stored shape of every table of a database: each store, dictionary,
// link table, order list and index array, with the name it carries in the
// file and the attached arrays that travel inside its block.
//
// A database file is a run of container blocks with no framing between
// them, so the shape in memory is the format: an array reads back only the
// attached slots it has in memory, in slot order. The shapes here are built
// exactly as the tables build themselves; the typed table classes, when a
// database uses them, must keep the same names and slots.
//
// Stores and their attached arrays (slot: name, item bytes):
//
//   store                 | attached
//   ----------------------+----------------------------------------------------
//   TGTableIndividus      | 0 code list; 1 TBPeople-IdxAlpha 4; 2 TBPeople-IdxAlphaR 4;
//                         | 4 QuickList 12 (its slot 1: QuickList-Childs 8);
//                         | 3 the surname dictionary, only in files older than 12
//   TGTableEvenements     | 0; 1 TBEvent-Idx 16; 2 the place dictionary, only in
//                         | files older than 12
//   TGTableUnion          | 0; 1 TBUnion-IdxHusb 8; 3 TBUnion-IdxSpouse 8
//   TGTableMedias         | 0; 1 TBMedia-IdxOwner (the media link store, whose
//                         | code list keeps its first name: TG5LinkMedia-IDList)
//   TBLINK                | 0; 1 TBLINK-IdxVERS 12; 2 TBLINK-IdxDE 12
//   TGTableDicoAdresses   | 0
//   SOSATbl (array, 36)   | none; a block "SOSADbl" (8-byte occurrences, the
//                         | Sosa computations' working state) found right
//                         | after it is read and dropped
//   TG5Doc                | 0; 1 TG5LinkDoc (document link store; its slot 1:
//                         | TBDoc-IdxDoc 12)
//   TG8TableRedaction     | 0
//   TableTaches, TableNote, TableNoteAideRecherche, TablePrenoms,
//   TableProfessions, MediasCadres | 0
//   TGTableDicoNoms       | 0; 1 PartNameTbl (variable array of particle texts)
//   TGTableDicoLieux      | 0; 1 TBPlace-IdxPlace 4 (match TBPlace-IdxPlace-Match);
//                         | 3 TBNom-IdxCode 4 (match TBPlace-IdxCode-Match)
//   TableRechercheLog     | 0; 1 TableRechercheLog-Liens 8
//
// Plain arrays: CkeckedPeoples 4, OrdreEnfants 4, OrdreConjoints 4, the
// generic pair tables (8), TBLiensPrenoms 12, TBLiensProfessions 8, the three
// alphabetical indexes (4, each owned by its dictionary) and
// BranchesMemorisees 12.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "containers/LArray.h"
#include "containers/LXArray.h"
#include "platform/File.h"
#include "tables/IndividusDictionnaires.h"
#include "tables/TGTableBranchesMemorisees.h"
#include "tables/TGTableDicoAdresses.h"
#include "tables/TGTableDicoLieux.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableDocuments.h"
#include "tables/TGTableEvenements.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableLiens.h"
#include "tables/TGTableLiensGenerique.h"
#include "tables/TGTableLiensPrenoms.h"
#include "tables/TGTableLiensProfessions.h"
#include "tables/TGTableMedias.h"
#include "tables/TGTableNote.h"
#include "tables/TGTablePrenoms.h"
#include "tables/TGTableProfessions.h"
#include "tables/TGTableRechercheLog.h"
#include "tables/TGTableTache.h"
#include "tables/TGTableUnion.h"

namespace genvora {

class TGDatabaseTables {
 public:
  TGDatabaseTables();
  ~TGDatabaseTables();
  TGDatabaseTables(const TGDatabaseTables&) = delete;
  TGDatabaseTables& operator=(const TGDatabaseTables&) = delete;

  // Base tables, in file order.
  TGTableIndiMarques* indiMarques;
  TGTableIndividus* individus;
  TGTableEvenements* evenements;
  TGTableUnion* unions;
  TGTableMedias* medias;
  TGTableLiens* liens;
  TGTableDicoAdresses* dicoAdresses;
  LArray* sosa;
  TGTableDocuments* documents;
  LXArray* redaction;
  // Extension sections.
  LArray* ordreEnfants;
  LArray* ordreConjoints;
  TGTableTache* taches;
  TGTableLiensGenerique* tacheAdresses;
  TGTableLiensGenerique* tacheIndividus;
  TGTableLiensGenerique* adresseLiens;
  TGTableNote* notes;
  TGTablePrenoms* prenoms;
  TGTableProfessions* professions;
  TGTableLiensPrenoms* liensPrenoms;
  TGTableLiensProfessions* liensProfessions;
  LArray* prenomsAlpha;
  LArray* professionsAlpha;
  LArray* nomsAlpha;
  // Owned by the individuals and the events tables.
  TGTableDicoNoms* dicoNoms;
  TGTableDicoLieux* dicoLieux;
  TGTableLiensGenerique* unionLiens;
  TGTableLiensGenerique* noteLiens;
  TGTableNote* notesAideRecherche;
  TGTableRechercheLog* rechercheLog;
  TGTableBranchesMemorisees* branches;
  TGTableMediasCadres* mediasCadres;

  // Stores that live inside another's block.
  TGTableLiensMedias* MediaLiens() const { return medias->GetLiens(); }
  TGTableLienDocuments* DocumentLiens() const { return documents->GetLiens(); }
  TG5QuickList* QuickList() const { return individus->GetQuickList(); }

  // One entry per section of the complete layout, in file order, with the
  // lowest extension level that holds it (0 for the base tables; the
  // redaction table is 1: it follows the base tables).
  struct Section {
    const char* name;
    LArray* array;
    std::int32_t minLevel;  // read when the level is above this
  };
  std::vector<Section> Sections() const;

  // Every store whose records take their codes from the shared counter.
  std::vector<LXArray*> CodedStores() const;

  // Empties every table.
  void Flush();

  // Calls `visit` for the array and every attached array inside it, with
  // its name and count; what `info` lists.
  static void WalkArrays(const LArray* array, const std::function<void(const LArray&)>& visit);

 private:
  std::vector<std::unique_ptr<LArray>> owned_;
  // The individuals as the dictionaries see them.
  std::unique_ptr<TGIndividusDictionnaires> individusDicos_;
  template <class T>
  T* Own(T* array) {
    owned_.emplace_back(array);
    return array;
  }
};

// Copies a whole block (items and attached arrays) from one array into
// another of the same shape, through memory; false when it did not read
// back.
bool CopyArrayBlock(const LArray& from, LArray& to);

}  // namespace genvora
