// Saves that are killed, run out of room or fail: whatever stops a save, the
// file keeps exactly its old bytes or takes exactly the new ones and opens
// normally; a failed save says why, leaves no temporary file and confirms
// nothing; a temporary file left by a killed save becomes an error copy at
// the next open.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "support/SyntheticFamily.h"
#include "tests/support/DatabaseFixtures.h"
#include "tests/support/FamilyWriter.h"

namespace genvora {
namespace {

namespace fs = std::filesystem;
using Op = FileFaults::Op;
using testing::DatabaseSandbox;

constexpr std::uint32_t kPersons = 2500;
constexpr int kAdded = 200;

struct ChildEnd {
  bool killed = false;  // by SIGKILL
  int code = -1;        // exit code otherwise
  std::string said;     // what the child wrote to its pipe
};

// Runs `body` in a forked child; `duringChild` runs in this process while
// the child lives (given its pid).
ChildEnd InChild(const std::function<int(int fd)>& body, const std::function<void(pid_t)>& duringChild = {}) {
  std::fflush(nullptr);
  int fds[2];
  if (::pipe(fds) != 0) return {};
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    int code = body(fds[1]);
    ::_exit(code);
  }
  ::close(fds[1]);
  if (duringChild) duringChild(pid);
  ChildEnd end;
  char buffer[512];
  ssize_t n;
  while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) end.said.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  end.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  if (WIFEXITED(status)) end.code = WEXITSTATUS(status);
  return end;
}

void Say(int fd, const std::string& text) {
  if (::write(fd, text.data(), text.size()) < 0) return;
}

std::vector<std::string> ErrorCopies(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().string().ends_with(TGDatabase::kErrorSuffix)) out.push_back(entry.path().string());
  return out;
}

// A database of some thousands of persons saved under `path` (the old
// content), then changed in memory (the new content, not yet saved).
class SaveFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = box.Path("family.genvora");
    db.SetAsNewFile();
    SyntheticFamily family(SyntheticFamilyOptions{kPersons, 20261210}, db);
    family.Build();
    db.AssigneNomDeFichier(path);
    ASSERT_TRUE(db.FichierEnregistrer(false)) << db.LastReason();
    oldBytes = ReadAll(path);
    oldCount = db.Tables().individus->GetCount();
    testing::FamilyWriter w{db};
    for (int i = 0; i < kAdded; ++i) w.Person(0, 0, i % 2 == 1);
    // The bytes the next save writes, without saving.
    const TGHeader keep = db.Header;
    MemoryFile memory;
    ASSERT_TRUE(db.sequentialWriteV9(memory));
    db.Header = keep;
    newBytes = memory.Bytes();
    ASSERT_NE(oldBytes, newBytes);
    FileFaults::Reset();
  }
  void TearDown() override { FileFaults::Reset(); }

  // Puts the old file back and clears what a previous run left beside it.
  void Restore() {
    WriteAll(path, oldBytes);
    ::chmod(path.c_str(), 0644);
    fs::remove(path + TGDatabase::kTmpSuffix);
    for (const std::string& e : ErrorCopies(box.Dir())) fs::remove(e);
    // The saves before this one confirmed the file today; marked as
    // confirmed the day before, a failed save must leave the mark.
    IniStore& config = box.Prefs().GetConfigFile();
    const std::int64_t today = config.ReadInteger(TGDatabase::kIntegrityHistory, path, 1);
    confirmedMark = std::to_string(today - 1);
    config.WriteString(TGDatabase::kIntegrityHistory, path, confirmedMark);
  }

  // The file holds the old or the new content whole and opens normally;
  // a leftover temporary file is kept under an error name by that open.
  void CheckAfterKill(const std::string& when, bool expectNew) {
    SCOPED_TRACE(when);
    const std::vector<unsigned char> now = ReadAll(path);
    ASSERT_TRUE(now == oldBytes || now == newBytes) << "mixed content, " << now.size() << " bytes";
    EXPECT_EQ(now == newBytes, expectNew);
    const std::string tmp = path + TGDatabase::kTmpSuffix;
    const bool leftover = fs::exists(tmp);
    const std::vector<unsigned char> leftBytes = leftover ? ReadAll(tmp) : std::vector<unsigned char>{};
    TGDatabaseSosa reopened;
    reopened.AssigneNomDeFichier(path);
    ASSERT_TRUE(reopened.FichierOuvrir()) << reopened.LastReason();
    EXPECT_EQ(reopened.Tables().individus->GetCount(), expectNew ? oldCount + kAdded : oldCount);
    EXPECT_FALSE(fs::exists(tmp));
    const std::vector<std::string> copies = ErrorCopies(box.Dir());
    if (leftover) {
      ASSERT_EQ(copies.size(), 1u);
      EXPECT_EQ(ReadAll(copies[0]), leftBytes);
    } else {
      EXPECT_TRUE(copies.empty());
    }
  }

  // A save that failed: it said why, the file and the header are as they
  // were, nothing is left beside the file, nothing is confirmed.
  void CheckFailedSave(const std::string& when, bool saved) {
    SCOPED_TRACE(when);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(db.LastReason().empty());
    EXPECT_EQ(ReadAll(path), oldBytes);
    EXPECT_FALSE(fs::exists(path + TGDatabase::kTmpSuffix));
    EXPECT_EQ(box.Prefs().GetConfigFile().Read(TGDatabase::kIntegrityHistory, path), confirmedMark);
    EXPECT_TRUE(db.FichierOuvert);
  }

  DatabaseSandbox box;
  RecordingHost host;
  TGDatabaseSosa db;
  std::string path;
  std::vector<unsigned char> oldBytes, newBytes;
  std::uint32_t oldCount = 0;
  std::string confirmedMark;
};

TEST_F(SaveFaultsTest, KilledAtEveryStepLeavesTheOldOrTheNewFileWhole) {
  // Every call of each step in turn, in the order a save makes them: the
  // old file stands until the rename, the new one from the rename on.
  struct Step {
    Op op;
    const char* name;
    bool newAfterKill;
  };
  const Step steps[] = {{Op::Create, "creating the temporary file", false},
                        {Op::Write, "writing", false},
                        {Op::Sync, "syncing", false},
                        {Op::Rename, "renaming", false},
                        {Op::SyncFolder, "syncing the folder", true}};
  int kills = 0;
  for (const Step& step : steps) {
    int n = 1;
    for (;; ++n) {
      Restore();
      ChildEnd end = InChild([&](int) {
        FileFaults::Arm(step.op, n, FileFaults::Action::Kill);
        return db.FichierEnregistrer(false) ? 0 : 1;
      });
      if (!end.killed) {
        // Past the last call of this step: the save went through.
        EXPECT_EQ(end.code, 0);
        EXPECT_EQ(ReadAll(path), newBytes);
        break;
      }
      ++kills;
      CheckAfterKill(std::string("killed before ") + step.name + " #" + std::to_string(n), step.newAfterKill);
      if (step.op == Op::Sync || step.op == Op::Rename) {
        // The temporary file is complete before it is synced and renamed.
        Restore();
        InChild([&](int) {
          FileFaults::Arm(step.op, n, FileFaults::Action::Kill);
          return db.FichierEnregistrer(false) ? 0 : 1;
        });
        EXPECT_EQ(ReadAll(path + TGDatabase::kTmpSuffix), newBytes) << step.name;
      }
      if (HasFatalFailure()) return;
    }
    EXPECT_GT(n, 1) << "the save never reached " << step.name;
  }
  EXPECT_GE(kills, 6);
}

TEST_F(SaveFaultsTest, KilledAtAnyMomentLeavesTheOldOrTheNewFileWhole) {
  Restore();
  const auto start = std::chrono::steady_clock::now();
  ChildEnd whole = InChild([&](int) { return db.FichierEnregistrer(false) ? 0 : 1; });
  const auto duration = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(whole.code, 0);
  ASSERT_EQ(ReadAll(path), newBytes);
  constexpr int kMoments = 10;
  for (int i = 0; i <= kMoments; ++i) {
    Restore();
    auto delay = duration * i / kMoments;
    ChildEnd end = InChild([&](int) { return db.FichierEnregistrer(false) ? 0 : 1; },
                           [&](pid_t child) {
                             std::this_thread::sleep_for(delay);
                             ::kill(child, SIGKILL);
                           });
    const std::vector<unsigned char> now = ReadAll(path);
    CheckAfterKill("killed after " + std::to_string(i) + "/" + std::to_string(kMoments) + " of a save",
                   now == newBytes);
    if (HasFatalFailure()) return;
  }
}

TEST_F(SaveFaultsTest, InjectedFailureAtEveryCallFailsCleanly) {
  struct Step {
    Op op;
    const char* name;
  };
  const Step steps[] = {{Op::Create, "create"}, {Op::Write, "write"}, {Op::Sync, "sync"}, {Op::Rename, "rename"}};
  std::uint32_t counter = db.Header.GetNumeroEnregistrement();
  for (const Step& step : steps) {
    int n = 1;
    for (;; ++n) {
      Restore();
      FileFaults::Arm(step.op, n, FileFaults::Action::Fail);
      const bool saved = db.FichierEnregistrer(false);
      if (FileFaults::Calls(step.op) < n) {
        // Past the last call: the save went through and counted.
        EXPECT_TRUE(saved) << db.LastReason();
        counter = db.Header.GetNumeroEnregistrement();
        break;
      }
      CheckFailedSave(std::string("failed ") + step.name + " #" + std::to_string(n), saved);
      EXPECT_EQ(db.Header.GetNumeroEnregistrement(), counter);
      if (step.op == Op::Rename) {
        // The temporary file was synced before the rename was tried, and
        // the folder is synced only after a rename.
        EXPECT_EQ(FileFaults::Calls(Op::Sync), 1);
        EXPECT_EQ(FileFaults::Calls(Op::SyncFolder), 0);
      }
    }
    EXPECT_GT(n, 1) << "the save never made a " << step.name;
  }
  FileFaults::Reset();
  Restore();
  ASSERT_TRUE(db.FichierEnregistrer(false)) << db.LastReason();
  TGDatabaseSosa reopened;
  reopened.AssigneNomDeFichier(path);
  ASSERT_TRUE(reopened.FichierOuvrir()) << reopened.LastReason();
  EXPECT_EQ(reopened.Tables().individus->GetCount(), oldCount + kAdded);
}

TEST_F(SaveFaultsTest, FileSizeLimitStopsTheSaveCleanly) {
  Restore();
  const rlim_t limit = static_cast<rlim_t>(newBytes.size() / 2);
  ChildEnd end = InChild([&](int fd) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit rl {limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) return 10;
    if (db.FichierEnregistrer(false)) return 11;
    Say(fd, db.LastReason());
    if (box.Prefs().GetConfigFile().Read(TGDatabase::kIntegrityHistory, path) != confirmedMark) return 12;
    return 0;
  });
  ASSERT_FALSE(end.killed);
  EXPECT_EQ(end.code, 0);
  EXPECT_NE(end.said.find("File too large"), std::string::npos) << end.said;
  EXPECT_EQ(ReadAll(path), oldBytes);
  EXPECT_FALSE(fs::exists(path + TGDatabase::kTmpSuffix));
  TGDatabaseSosa reopened;
  reopened.AssigneNomDeFichier(path);
  EXPECT_TRUE(reopened.FichierOuvrir()) << reopened.LastReason();
  EXPECT_TRUE(ErrorCopies(box.Dir()).empty());
}

TEST_F(SaveFaultsTest, ReadOnlyFileOrFolderIsNeverSavedOver) {
  // Mode bits, not access(): the superuser may write anything, yet a file
  // its owner made read-only stays as it is.
  Restore();
  ::chmod(path.c_str(), 0444);
  CheckFailedSave("read-only file", db.FichierEnregistrer(false));
  EXPECT_NE(db.LastReason().find("read-only"), std::string::npos) << db.LastReason();
  ::chmod(path.c_str(), 0644);

  const std::string folder = box.Path("folder.genvora");
  fs::create_directory(folder);
  EXPECT_FALSE(db.FichierEnregistrerSous(folder, false));
  EXPECT_NE(db.LastReason().find("folder"), std::string::npos) << db.LastReason();
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_FALSE(fs::exists(folder + TGDatabase::kTmpSuffix));

  // A writable file in a folder without write permission: the temporary
  // file and the backup would go there.
  const std::string locked = box.Path("locked");
  fs::create_directory(locked);
  const std::string inside = locked + "/family.genvora";
  WriteAll(inside, oldBytes);
  ::chmod(locked.c_str(), 0555);
  EXPECT_FALSE(db.FichierEnregistrerSous(inside, true));
  EXPECT_NE(db.LastReason().find("the folder is read-only"), std::string::npos) << db.LastReason();
  ::chmod(locked.c_str(), 0755);
  EXPECT_EQ(ReadAll(inside), oldBytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 1);
}

TEST_F(SaveFaultsTest, AFileThatVanishesWhileBeingOpenedIsRefusedAndNotRecreated) {
  // How many times an open for saving opens the file to read it.
  Restore();
  FileFaults::Reset();
  {
    TGDatabaseSosa probe;
    probe.AssigneNomDeFichier(path);
    ASSERT_TRUE(probe.FichierOuvrir()) << probe.LastReason();
  }
  const int opens = FileFaults::Calls(Op::OpenToRead);
  ASSERT_GE(opens, 2);  // the header, then the whole file
  for (int n = 1; n <= opens; ++n) {
    SCOPED_TRACE("deleted before opening #" + std::to_string(n));
    Restore();
    FileFaults::Arm(Op::OpenToRead, n, FileFaults::Action::Vanish);
    TGDatabaseSosa opened;
    opened.AssigneNomDeFichier(path);
    std::string reason;
    bool ok = false;
    try {
      ok = opened.FichierOuvrir();
      reason = opened.LastReason();
    } catch (const std::exception& e) {
      reason = ReasonOf(e);
    }
    FileFaults::Reset();
    EXPECT_FALSE(ok);
    EXPECT_FALSE(reason.empty());
    // Nothing made in its place: no empty database, no temporary file, no
    // error copy, and no entry in the active files to keep a later open out.
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(path + TGDatabase::kTmpSuffix));
    EXPECT_TRUE(ErrorCopies(box.Dir()).empty());
    WriteAll(path, oldBytes);
    TGDatabaseSosa again;
    again.AssigneNomDeFichier(path);
    EXPECT_TRUE(again.FichierOuvrir()) << again.LastReason();
  }
}

}  // namespace
}  // namespace genvora
