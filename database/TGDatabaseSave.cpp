// The save path of the database object and the per-user save history.
//
// A save never writes over the database in place:
//  1. the complete layout goes to "<path>.tmpsav", which is synced to disk;
//  2. with a backup, the current file is hard-linked (or copied) to
//     "<name>.bak" through a temporary name renamed over the old backup;
//  3. the temporary file is renamed over the database (atomic: a crash
//     leaves either the old file or the new one), then the folder is synced
//     so that the rename itself survives a crash.
// A failure at any step leaves the database file as it was, removes the
// temporary file and confirms nothing in the history. A file without write
// permission, a file in a folder without write permission, or a folder, is
// never saved over.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "database/TGDatabase.h"
#include "platform/Exception.h"
#include "platform/Preferences.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "utilities/FilePaths.h"

namespace genvora {

namespace {

// Why the file at `path` must not be replaced, empty when it may. A file
// without any write permission is read-only whoever saves (the superuser
// too): its owner protected it.
std::string WhyNotReplaceable(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return "cannot save over " + path + ": it is a folder";
    if (!S_ISREG(st.st_mode)) return "cannot save over " + path + ": not a regular file";
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return "cannot save over " + path + ": the file is read-only";
  }
  // The same for the folder the temporary file and the backup go to.
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  if (::stat(folder.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    return "cannot save in " + folder.string() + ": the folder is read-only";
  return {};
}

AnsiString BackupNameOf(const AnsiString& path) {
  std::filesystem::path p(path);
  return (p.parent_path() / p.stem()).string() + TGDatabase::kBackupExtension;
}

}  // namespace

bool TGDatabase::sequentialWriteV9(FileHandle& file) {
  TGDatabaseTables& t = *tables_;
  Header.SetNombreIndividus(static_cast<std::int32_t>(t.individus->GetCount()));
  Header.IncrementNumeroEnregistrement();
  Progress("header", 0, 1);
  if (!file.Seek(0) || !Header.EcritDans(file)) return false;
  // Whatever the name, the complete layout: a shorter level would drop the
  // dictionaries and notes that the sections above it hold.
  const std::vector<TGDatabaseTables::Section> sections = t.Sections();
  int done = 0;
  for (const TGDatabaseTables::Section& section : sections) {
    if (section.minLevel == 1) {
      // The level goes between the redaction table and the first section.
      std::int32_t level = kExtensionLevel;
      unsigned char bytes[4] = {static_cast<unsigned char>(level), static_cast<unsigned char>(level >> 8),
                                static_cast<unsigned char>(level >> 16), static_cast<unsigned char>(level >> 24)};
      if (section.array == t.ordreEnfants && !file.Write(bytes, 4)) return false;
    }
    if (!section.array->EcritDans(&file)) return false;
    Progress(section.name, ++done, static_cast<std::int64_t>(sections.size()));
  }
  return true;
}

bool TGDatabase::CreerFichierBak() {
  if (Chemin.empty()) return false;
  if (!KELFileExists(Chemin)) return false;
  AnsiString backup = BackupNameOf(Chemin);
  AnsiString staging = backup + ".tmpbak";
  std::remove(staging.c_str());
  // A hard link costs nothing and keeps the old bytes under the new name; a
  // file system without links gets a copy.
  if (::link(Chemin.c_str(), staging.c_str()) != 0) {
    std::error_code ec;
    std::filesystem::copy_file(Chemin, staging, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) return false;
  }
  if (std::rename(staging.c_str(), backup.c_str()) != 0) {
    std::remove(staging.c_str());
    return false;
  }
  return true;
}

bool TGDatabase::FichierFermer(bool makeBackup) {
  if (closing_) return false;
  closing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{closing_};
  if (Chemin.empty()) throw EGenvoraError("G5vclstrings.M1404");
  reason_.clear();
  ControlsDatabase();

  const AnsiString tmp = Chemin + kTmpSuffix;
  // The header changes a save makes (counter, version, count) are undone
  // when the save fails: the file did not change, nor does its header.
  const TGHeader before = Header;
  bool ok = false;
  // A failed save takes back the temporary file it made: left behind, the
  // next open would keep it as an error copy of a save that never counted.
  bool created = false;
  reason_ = WhyNotReplaceable(Chemin);
  if (reason_.empty()) try {
    std::unique_ptr<PlatformFile> file = PlatformFile::Open(tmp, FileMode::Create);
    if (!file) {
      reason_ = LoadResString("G5vclstrings.M1409") + " " + tmp + ": " + std::strerror(errno);
    } else {
      created = true;
      errno = 0;
      ok = sequentialWriteV9(*file);
      ok = ok && file->Sync();
      const int writeError = errno;
      ok = file->Close() && ok;
      if (!ok) {
        reason_ = LoadResString("G5vclstrings.ExceptionFichier") + " " + tmp;
        const int why = writeError != 0 ? writeError : errno;
        if (why != 0) reason_ += std::string(": ") + std::strerror(why);
      }
    }
  } catch (const std::exception& e) {
    ok = false;
    reason_ = ReasonOf(e);
  }
  if (ok && BeforeReplace && !BeforeReplace()) {
    ok = false;
    reason_ = "the save was interrupted before the file was replaced";
  }
  if (ok) {
    // A backup that cannot be made does not stop the save: the database is
    // still replaced atomically.
    if (makeBackup) CreerFichierBak();
    if (!RenameFile(tmp, Chemin)) {
      ok = false;
      reason_ = "cannot replace " + Chemin + ": " + std::strerror(errno);
    } else {
      SyncFolderOf(Chemin);
      // The media the upgrades left go beside the file just written; a
      // medium that cannot be copied does not undo the save.
      if (!pendingMedia_.empty()) ApplyPendingMedia(Chemin);
    }
  }
  if (!ok) {
    Header = before;
    if (created) ::unlink(tmp.c_str());
  }
  FichierOuvert = !ok;
  if (OnPostOpenFile) OnPostOpenFile(*this);
  // Only a save that reached the disk confirms the file's integrity.
  if (ok) TagFile(false);
  return ok;
}

bool TGDatabase::FichierEnregistrer(bool makeBackup) {
  bool ok = FichierFermer(makeBackup);
  FichierOuvert = true;
  if (ok) FichierModifie = false;
  return ok;
}

bool TGDatabase::FichierEnregistrerSous(const AnsiString& path, bool makeBackup) {
  // The entry of the old name goes with it, unless this object never wrote
  // one.
  const bool listed = listed_ && !Chemin.empty();
  AnsiString previous = Chemin;
  Chemin = path;
  bool ok = FichierEnregistrer(makeBackup);
  if (ok && listed && previous != Chemin) {
    activeFiles_.DeleteFileName(previous);
    activeFiles_.WriteFileName(Chemin);
  }
  return ok;
}

void TGDatabase::TagFile(bool resetIntegrity) {
  TPreferenceGenvora5* prefs = SharedPrefs();
  if (prefs == nullptr || Chemin.empty()) return;
  const std::int64_t today = TodaySerial();
  prefs->GetConfigFile().WriteInteger(kIntegrityHistory, Chemin, resetIntegrity ? 0 : today);
  prefs->GetConfigFile().WriteInteger(kSavingHistory, Chemin, today);
}

bool TGDatabase::GetTaggedFile() {
  TPreferenceGenvora5* prefs = SharedPrefs();
  if (prefs == nullptr) return false;
  return prefs->GetConfigFile().ReadString(kSavingHistory, Chemin, "1") != "1";
}

bool TGDatabase::GetOutDateFile() {
  if (!GetTaggedFile()) return false;
  std::int64_t confirmed = SharedPrefs()->GetConfigFile().ReadInteger(kIntegrityHistory, Chemin, 0);
  return static_cast<std::int64_t>(TodaySerial()) - confirmed > kIntegrityDays;
}

}  // namespace genvora
