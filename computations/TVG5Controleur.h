// The file controller: opens a database in forced mode, walks its tables one
// after another, repairs every reference that does not designate a record
// of the right kind, normalises a few values, deletes what cannot be
// repaired, and logs each change. A run that changed something, or that met
// a header asking for a verification, marks the file verified and saves it
// (previous file kept as the backup).
//
// Invariants:
//  1. Every change is one log line and one Change value {step, code, what,
//     line}, counted per step; nothing changes without both.
//  2. No step invents a person: a reference that cannot be repaired is
//     cleared, and a record is deleted only when it is left with nothing
//     (a union of nobody, an event owned by nobody and linked to nobody, a
//     link without its ends, an empty note, a note no record owns, an
//     undecodable record).
//  3. A record that does not decode is never deleted during a walk: each
//     step collects the codes of its table's undecodable records and deletes
//     them after its walk, each with a line naming the table, the code and
//     the reason. The backup keeps their bytes.
//  4. A check run (Enregistrer false) works on a read-only open: it changes
//     the records in memory only, and nothing is written anywhere.
//  5. A file whose forced open dropped unreadable tables is saved only when
//     AccepterPerte is set; the log names every table lost.
//  6. A second run on a repaired file finds nothing (every repair leaves a
//     state its own check accepts).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/TGDatabase.h"
#include "platform/Types.h"

namespace genvora {

class LXArray;
class TGDatabaseSosa;
class TGIndividu;
class TGRoot;

// The step being processed (on-disk order of the host's enumeration).
enum enumTableT : std::uint8_t {
  etDicoNoms = 0,
  etDicoPrenoms = 1,
  etDicoAdresses = 2,
  etTableIndividus = 3,
  etTableUnions = 4,
  etDicoLieux = 5,
  etTableEvenements = 6,
  etTableLiens = 7,
  etTableDocuments = 8,
  etTableLiensDocuments = 9,
  etTableMedias = 10,
  etTableLiensMedias = 11,
  etTableIndividusMemorises = 12,
  etTableTaches = 13,
  etTableLiensPrenoms = 14,
  etTableLiensProfessions = 15,
  etTableNotes = 16,
  etTableLienSource = 17,
};
inline constexpr int kNombreEtapes = 18;

// A short English name of the step ("individuals", "links"...).
const char* NomEtape(enumTableT step);

class TVG5Controleur {
 public:
  using Event = std::function<void(TVG5Controleur&)>;

  // One repair: the step, the record's code (0 for the whole table), a
  // stable key of what was wrong and done ("father-invalid-cleared"), and
  // the log line (Windows-1252, as every engine text).
  struct Change {
    enumTableT step;
    CodeID code;
    std::string what;
    AnsiString line;
  };

  TVG5Controleur();
  virtual ~TVG5Controleur();
  TVG5Controleur(const TVG5Controleur&) = delete;
  TVG5Controleur& operator=(const TVG5Controleur&) = delete;

  // Checks the file named by NomFichier. `enregistrer` false: a check run
  // (invariant 4); true: a repair run that saves when needed. True when the
  // file could be opened and processed (and, for a repair, saved when it
  // had to be).
  bool TraiterLeFichier(bool enregistrer);
  // The same on an open database given by the host; it is saved (closed)
  // when `enregistrer` and a change or a pending verification call for it.
  bool TraiterLeFichierAvecDatabase(TGDatabase& db, bool enregistrer);

  void AddStringLog(const AnsiString& text);
  void CalculeNbElements();
  void AddNbElementsTraites(std::int64_t n);
  void TableChange(enumTableT table);

  // Options.
  AnsiString NomFichier;
  // The host's option bit 0x80: rebuild the first-name and profession
  // links from the individuals' texts before the steps.
  bool ReconstruireLiensPrenoms = false;
  // Save even though the forced open dropped unreadable tables.
  bool AccepterPerte = false;
  // The per-user list of open files the controller's own database uses
  // (empty: the user's).
  std::string ActiveFilesPath;

  // Published state.
  Event OnStart, OnStop, OnProgress, OnErrorFound, OnTableChange;
  std::vector<AnsiString> StringLog;
  bool Resultat = false;
  enumTableT TableCourante = etDicoNoms;
  std::int64_t NombreDELements = 0;
  std::int64_t NombreDELementsTraites = 0;
  std::int64_t ElementTableChange = 0;        // records of the current step
  std::int64_t PositionDansTableCourante = 0;
  AnsiString OperationEnCours;
  std::int32_t PourcentTexte = 0;

  // What the last run found.
  const std::vector<Change>& Changes() const { return changes_; }
  const std::array<std::uint32_t, kNombreEtapes>& ChangesParEtape() const { return parEtape_; }
  // Tables the forced open could not read (they would be lost by a save).
  const std::vector<std::string>& TablesPerdues() const { return perdues_; }
  // The header asked for a verification when the file was opened.
  bool VerificationDemandee() const { return verificationDemandee_; }
  // Log lines that are no change (a medium found nowhere).
  const std::vector<AnsiString>& Remarques() const { return remarques_; }
  // The last run opened the file (its steps ran).
  bool Ouvert() const { return ouvert_; }
  // The last run saved the file.
  bool Enregistre() const { return enregistre_; }
  // Why the last run failed (empty when it did not): an engine text.
  const std::string& Raison() const { return raison_; }

 protected:
  // The steps, in the order of the host's table.
  virtual void TraiterDicoNoms();
  virtual void TraiterLiensPrenoms();
  virtual void TraiterLiensProfessions();
  virtual void TraiterLiensSources();
  virtual void TraiterDicoAdresses();
  virtual void TraiterDicoTaches();
  virtual void TraiterTableIndividus();
  virtual void TraiterTableUnions();
  virtual void TraiterDicoLieux();
  virtual void TraiterTableEvenements();
  virtual void TraiterTableLiens();
  virtual void TraiterTableDocuments();
  virtual void TraiterTableLiensDocuments();
  virtual void TraiterTableMedias();
  virtual void TraiterTableLiensMedias();
  virtual void TraiterTableIndividusMemorises();
  virtual void TraiterTableNotes();
  virtual void TraiterTableNotesRecherche();
  void SupprimeLesNotesNonUtilisees();

 private:
  struct Illisible {
    CodeID code;
    std::string raison;
  };
  void Reset();
  bool Run(TGDatabase& db, bool enregistrer);
  void Status(const char* key);
  // Logs one change (invariant 1): the resource `key` with %s replaced by
  // `text`.
  void Modif(CodeID code, const char* what, const char* key, const AnsiString& text);
  // A first-name or profession link table: a pair one of whose codes is
  // neither an individual nor an entry of `dico` goes.
  void TraiterLiensNom(LArray* liens, const LXArray* dico, enumTableT etape, const char* what, const char* key);
  // Reads `code`; on damage notes it for RemoveIllisibles and answers false.
  bool Lire(TGRoot& record, LXArray* store, CodeID code);
  // What Lire does with a record that did not decode.
  void NonLu(const TGRoot& record, LXArray* store, CodeID code);
  void RemoveIllisibles(LXArray* store, const char* table);
  void Avance();
  CodeID NomAnonyme();
  void NoteReindex();
  AnsiString TexteIndividu(CodeID code, const TGIndividu& indi) const;

  TGDatabase* db_ = nullptr;
  std::unique_ptr<TGDatabaseSosa> owned_;
  bool ok_ = true;
  std::uint32_t compteur_ = 0;
  CodeID prochainCode_ = 0;
  CodeID anonyme_ = 0;
  std::vector<Illisible> illisibles_;
  std::vector<Change> changes_;
  std::array<std::uint32_t, kNombreEtapes> parEtape_{};
  std::vector<std::string> perdues_;
  bool verificationDemandee_ = false;
  bool enregistre_ = false;
  bool ouvert_ = false;
  std::vector<AnsiString> remarques_;
  std::string raison_;
  std::int64_t pasDansEtape_ = 0;
};

}  // namespace genvora
