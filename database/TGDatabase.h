// The database object: one per open genealogy file. It owns the file header
// and every table, opens a file of any generation, saves it in the current
// layout, keeps the shared identifier counter and re-indexes the stores.
//
// File layout, in order (no framing between the tables; each is a container
// block that knows its own length):
//
//   # | content                                  | present in
//   --+------------------------------------------+---------------------------------
//   1 | header: "GENVORA" chunk + blocks A and B | chunked files; legacy: block A
//   2 | CkeckedPeoples .. TG5Doc (base tables)   | every generation
//   3 | TG8TableRedaction                        | .GV8 and later
//   4 | extension level L, 4 bytes little-endian | .GV9 and later
//   5 | the sections that L admits               | .GV9 and later
//
// Which reader a file gets: a chunked header of DatabaseVersion 300 (what
// this engine writes) is read by the complete reader whatever the
// extension; any other file by the reader of its extension: ".GV5" and
// ".GV7" the base tables, ".GV8" also the redaction table, every other
// extension the complete reader. Files older than 12 keep the surname and
// place dictionaries inside the individuals and events tables.
//
// Invariants:
//  1. A save writes the complete current layout (DatabaseVersion 300,
//     level 22) to "<path>.tmpsav", syncs it, and only then renames it over
//     the file; the previous file is never deleted first. A failed save
//     leaves the file and the in-memory header as they were, and no
//     temporary file.
//  2. After every successful read LastCodeID is at least the greatest code
//     of every store that draws from the shared counter.
//  3. A table that fails to read while bytes remain is damage: a normal
//     open refuses the file; a forced open keeps what was read and lists
//     what was dropped. A file that simply ends before the redaction table
//     or a section is an older layout.
//  4. A read-only open changes nothing on disk: no ".tmpsav" rename, no
//     active-files entry, no history.
//  5. Every refusal leaves its reason in LastReason().
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/SosaNumbering.h"
#include "database/TGDatabaseTables.h"
#include "database/TGHeader.h"
#include "database/TV7RegFileManager.h"
#include "platform/File.h"
#include "platform/Types.h"
#include "tables/IndexSupport.h"

namespace genvora {

class TGIndividu;

class TGDatabase {
 public:
  using Event = std::function<void(TGDatabase&)>;

  // On-disk constants: they never change.
  static constexpr std::int32_t kExtensionLevel = 22;
  static constexpr std::int32_t kRefusedExtensionLevel = 8;
  static constexpr std::int32_t kDictionariesInTablesBelow = 12;
  static constexpr const char* kTmpSuffix = ".tmpsav";
  static constexpr const char* kErrorSuffix = ".erreur";
  static constexpr const char* kBackupExtension = ".bak";
  static constexpr const char* kSavingHistory = "Files saving history";
  static constexpr const char* kIntegrityHistory = "Files integrity history";
  static constexpr std::int64_t kIntegrityDays = 60;

  // The reader a file gets.
  enum class Reader { Base, V8, V9 };
  // Which upgrades a read calls for.
  struct UpgradePlan {
    bool g12 = false, g13 = false, g14 = false, g15 = false;
  };

  TGDatabase();
  // `activeFilesPath` empty: the per-user list.
  explicit TGDatabase(std::string activeFilesPath);
  virtual ~TGDatabase();
  TGDatabase(const TGDatabase&) = delete;
  TGDatabase& operator=(const TGDatabase&) = delete;

  // --- file name and state
  bool AssigneNomDeFichier(const AnsiString& path);
  bool FileAssigned() const { return !Chemin.empty(); }
  bool SetAsNewFile();
  void _RAZ();

  // --- opening
  bool FichierOuvrir();
  bool LireEntete();
  // The reader chosen for a file whose header is `header`, named `path`.
  static Reader ReaderFor(const AnsiString& path, const TGHeader& header);
  static bool FilerV9(const AnsiString& path);

  // --- saving
  bool FichierFermer(bool makeBackup);
  bool FichierEnregistrer(bool makeBackup);
  bool FichierEnregistrerSous(const AnsiString& path, bool makeBackup);
  // The complete layout at the start of `file`.
  bool sequentialWriteV9(FileHandle& file);
  bool CreerFichierBak();
  bool ControlsDatabase() { return true; }
  virtual bool GetTaggedFile();
  virtual bool GetOutDateFile();
  virtual void TagFile(bool resetIntegrity);
  std::int64_t GetEstimatedFileSize() const;

  // --- upgrades (hooks: each runs after a successful read that calls for it)
  //
  // The upgrades only change records in memory. What they would do on disk
  // (media copied into the bundle, thumbnails written as pictures) is kept
  // as pending media work and done by the next successful save, in the
  // folder of the file saved: an open never writes beside its input, and
  // "upgrade IN OUT" puts the media beside OUT.
  void MiseAJour(const UpgradePlan& plan);
  virtual void MiseAJourG12();
  virtual void MiseAJourG13();
  virtual void MiseAJourG14();
  virtual void MiseAJourG15();
  // Moves a record's note text to the note table (joined to a note
  // already there under the code).
  void DeplaceNote(CodeID code, const AnsiString& text, bool prive);
  // An individual's note text moved; true when the record changed.
  bool DeplaceNoteIndividu(TGIndividu& indi, CodeID code);
  void DeplaceNotesDesUnionsEtLieux();
  // `avant`, when given, runs on each individual read before its first
  // names and professions are taken, true when it changed the record.
  void TraitePrenomsEtProfessionsV12(const std::function<bool(TGIndividu&, CodeID)>& avant = {});
  void TraiteNomsV12();
  void MAJG13_Medias(const AnsiString& mediaDirectory);
  void MAJG13_Notes();
  void MAJG13_Sources();
  void MAJG13_Noms();
  void MAJG13_LiensEtTemoins();
  void MAJG13_TypesUnions();
  bool SupprimeLesNotesNonUtilisees();
  // The notes no record owns (a note is keyed by its owner's code), last
  // code first: what SupprimeLesNotesNonUtilisees removes.
  std::vector<CodeID> NotesNonUtilisees() const;
  // Empties the first-name and profession link tables and makes them again
  // from the individuals' texts (the generation 12 step, run on demand).
  void ReconstruitTablesLiensPrenomsEtLiensProfession();
  // Notes of the note table back into the records that keep a note field
  // (individuals, unions, media), before writing an older generation.
  void RemetNotesVersStructure();
  void PrepareCompatibiliteGV8() {}
  // The folder of the database (or the one set for upgrades) with its
  // separator. It creates nothing: media folders are made by the save.
  AnsiString GetDatabaseCurrentDir();
  void SetDatabaseDir(const AnsiString& dir) { DatabaseDir = dir; }

  // What the upgrades of the last open changed, step by step.
  struct UpgradeReport {
    std::uint32_t notesMoved = 0;          // record notes into the note table
    std::uint32_t placesRestored = 0;
    std::uint32_t firstNamesCapitalised = 0;
    std::uint32_t firstNamesAdded = 0;     // new first-name records
    std::uint32_t firstNameLinks = 0;
    std::uint32_t professionsAdded = 0;
    std::uint32_t professionLinks = 0;
    std::uint32_t surnamesIndexed = 0;
    std::uint32_t mediaNotesMoved = 0;
    std::uint32_t mediaToCopy = 0;         // media whose file goes into the bundle at the save
    std::uint32_t thumbnailsToWrite = 0;   // stored thumbnails saved as the medium's picture
    std::uint32_t thumbnailsRebuilt = 0;
    std::uint32_t mainMediaSet = 0;
    std::uint32_t notesRewritten = 0;
    std::uint32_t notesDeleted = 0;        // notes whose owner is gone
    std::uint32_t documentsConverted = 0;
    std::uint32_t surnamesDetached = 0;
    std::uint32_t linksConverted = 0;
    std::uint32_t unionTypesConverted = 0;
    std::uint32_t recordsRemoved = 0;      // unreadable records dropped by a step
    bool guidRenewed = false;
    // Filled by the save that did the pending media work.
    std::uint32_t mediaCopied = 0;
    std::uint32_t thumbnailsWritten = 0;
    std::uint32_t mediaFailed = 0;
  };
  const UpgradeReport& LastUpgradeReport() const { return upgradeReport_; }
  // Media work the upgrades left for the save.
  struct PendingMedia {
    CodeID code = 0;
    bool copyOriginal = false;     // copy the original file into the bundle when its date changed
    bool writeThumbnail = false;   // the original is gone: save the stored thumbnail as the picture
  };
  const std::vector<PendingMedia>& PendingMediaWork() const { return pendingMedia_; }
  // Does the pending media work in the folder of `databasePath`; answers
  // the count of media that could not be written.
  std::uint32_t ApplyPendingMedia(const AnsiString& databasePath);

  // Progress of the upgrade steps: the step code under way, its percentage.
  std::uint8_t ProgressStep = 0;
  std::int32_t ProgressPercent = 0;
  std::int32_t ProgressTotal = 0;
  AnsiString ProgressText;
  // The hook handed to long media operations: kind 0 starts (value = total),
  // 1 advances, 2 names the step, 3 ends.
  void ProgressCallback(int kind, std::int64_t value, const AnsiString& text = {});
  void SetUpgradeProgress(std::uint8_t step, std::int32_t percent);

  // --- identifiers and checks
  // The greatest code GetNextID hands out; past it GetNextID raises.
  static constexpr CodeID kLastUsableCodeID = 0x7FFFFFFEu;
  CodeID GetNextID();
  static CodeID GetLastLArrayCodeID(const LXArray* table);
  void ReloadLastID();
  void CheckDatabase();
  static bool CheckLXArray(const LXArray* table);
  bool ReIndexMatchLXArray(LXArray* table);
  bool ReIndexArrays(bool includeEvents);
  // Gives the medium `oldCode` the code `newCode` in the media store and in
  // the media links that name it as their medium's owner word.
  bool RemplaceCodeIDMedia(CodeID oldCode, CodeID newCode);

  // --- records and roots
  CodeID GetPremierIndividu() const;
  // While a file is open and when `code` differs from the header's de
  // cujus: the header takes it, and the attached Sosa numbering numbers its
  // ancestors (star numbering). The database is then modified.
  void SetDeCujus(CodeID code);
  static bool EstDans(const LXArray* table, CodeID code);
  bool EstIndividu(CodeID c) const { return EstDans(tables_->individus, c); }
  bool EstEvenement(CodeID c) const { return EstDans(tables_->evenements, c); }
  bool EstUnion(CodeID c) const { return EstDans(tables_->unions, c); }
  bool EstMedia(CodeID c) const { return EstDans(tables_->medias, c); }
  bool EstDicoNom(CodeID c) const { return EstDans(tables_->dicoNoms, c); }
  bool EstLieu(CodeID c) const { return EstDans(tables_->dicoLieux, c); }

  // --- progress: per table of a read or write
  void Progress(const char* what, std::int64_t done, std::int64_t total);

  TGHeader Header;
  TGDatabaseTables& Tables() { return *tables_; }
  const TGDatabaseTables& Tables() const { return *tables_; }
  LArray& Basket() { return *basket_; }
  // The Sosa numbering of this database, bound to its Sosa table (saved
  // with the file) and its ancestry quick list: `make` makes it now, and
  // again each time _RAZ makes the tables again. Null until one is attached
  // (computations/TGDatabaseSosa.h attaches the Sosa maker).
  using SosaNumberingMaker = std::function<std::unique_ptr<TGSosaNumbering>(TGDatabase&)>;
  void AttachSosaNumbering(SosaNumberingMaker make);
  TGSosaNumbering* SosaNumbering() { return sosaNumbering_.get(); }
  const TGSosaNumbering* SosaNumbering() const { return sosaNumbering_.get(); }

  AnsiString Chemin;
  // The host's integer tag; the full records use it as the latch that
  // reports a failed load once per database.
  int Tag = 0;
  bool FichierOuvert = false;
  bool FichierModifie = false;
  bool ForcedMode = false;
  // Open without touching the disk (the read-only commands).
  bool ReadOnly = false;
  bool ControlKeyAtOpen = false;
  bool NotesMoved = false;
  Event OnIOProgress;
  Event OnPostOpenFile;
  Event OnCorruptedFile;

  // What the last open or save found.
  const std::string& LastReason() const { return reason_; }
  const std::vector<std::string>& Dropped() const { return dropped_; }
  std::int32_t ExtensionLevel() const { return level_; }
  // Saved names of the tables the last open read from the file.
  const std::vector<std::string>& SectionsRead() const { return sectionsRead_; }
  Reader LastReader() const { return reader_; }
  const UpgradePlan& LastUpgradePlan() const { return plan_; }
  // Called by the upgrade step of a save test: after the temporary file is
  // complete, before it replaces the database (failure injection).
  std::function<bool()> BeforeReplace;

  // The name a left-behind temporary file is given at the next opening.
  static AnsiString ErrorNameFor(const AnsiString& path, double now);

 private:
  // A section read: no bytes left, read, or damaged with bytes left.
  enum class SectionRead { Absent, Ok, Damaged };
  SectionRead ReadSection(FileHandle& file, LArray& array, const char* name);
  bool Damage(const std::string& what);

  bool sequentialRead(FileHandle& file);
  bool sequentialReadV8(FileHandle& file);
  bool sequentialReadV9(FileHandle& file);
  // Reads past a block "SOSADbl" that follows the Sosa table; false for a
  // damaged one that refuses the file.
  bool DropSosaOccurrences(FileHandle& file);
  bool ReadWithDictionaryInside(FileHandle& file, LXArray& table, const LXArray& dictionary, const char* name);
  void RecoverTmpsav();
  void InitInstance();

  std::unique_ptr<TGDatabaseTables> tables_;
  std::unique_ptr<LArray> basket_;
  SosaNumberingMaker makeSosaNumbering_;
  // After tables_: it holds pointers into them, so it goes first.
  std::unique_ptr<TGSosaNumbering> sosaNumbering_;
  TV7RegFileManager activeFiles_;
  AnsiString DatabaseDir;
  UpgradeReport upgradeReport_;
  std::vector<PendingMedia> pendingMedia_;
  bool closing_ = false;
  // This object wrote the active-files entry of Chemin.
  bool listed_ = false;
  bool stopReading_ = false;
  std::string reason_;
  std::vector<std::string> dropped_;
  std::vector<std::string> sectionsRead_;
  std::int32_t level_ = 0;
  Reader reader_ = Reader::V9;
  UpgradePlan plan_;
};

// The database's codes for the tables and dictionaries that hand out new
// codes themselves.
class TGDatabaseCodes : public ICodeAllocator {
 public:
  explicit TGDatabaseCodes(TGDatabase& db) : db_(db) {}
  CodeID GetNextID() override { return db_.GetNextID(); }

 private:
  TGDatabase& db_;
};

}  // namespace genvora
