// Files made to exhaust whoever reads them: counters that claim billions of
// items, a note that expands a thousand times, rich text nested 100,000
// deep, a line of 100,000 fathers, and cycles in parentage and in surname
// attachment. Every command that reads a whole file runs on each, as a user
// would run it, under a CPU-time limit and (outside the sanitizers, whose
// shadow memory needs the address space) an address-space limit: it answers
// with a result, a refusal or findings, never with a crash, a kill or a hang.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "database/LegacyWriter.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "records/TVGNote.h"
#include "tests/support/BlockFileBuilder.h"
#include "tests/support/DatabaseFixtures.h"
#include "tests/support/FamilyWriter.h"

namespace genvora {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The tool under limits; the exit status, or 128 + the signal that ended it.
int RunLimited(const std::string& args) {
  std::string limits = "ulimit -t 120; ";
  if (!kSanitized) limits += "ulimit -v 2000000; ";  // 2 GB of address space
  const std::string command = "sh -c '" + limits + "exec " + GENVORA_CLI_PATH + " " + args + "' >/dev/null 2>&1";
  const int raw = std::system(command.c_str());
  if (raw == -1) return -1;
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

struct Bomb {
  std::string what;
  std::string path;
  CodeID first = 0;  // a person to number and list from, 0 for none
  CodeID last = 0;
};

class BombFilesTest : public ::testing::Test {
 protected:
  // A new open database whose persons bear one surname.
  static void NewFile(TGDatabaseSosa& db, CodeID& surname) {
    db.SetAsNewFile();
    TGNom nom;
    surname = db.GetNextID();
    nom.SetNom("Martin");
    nom.SetRattachement(surname);
    nom.EcritDans(surname, db.Tables().dicoNoms);
    db.Tables().dicoNoms->ReIndex();
  }

  std::string Save(TGDatabaseSosa& db, const std::string& name) {
    const std::string path = box.Path(name);
    EXPECT_TRUE(db.FichierEnregistrerSous(path, false)) << db.LastReason();
    db.FichierFermer(false);
    return path;
  }

  // A note of `text` on a person of its own.
  Bomb Noted(const std::string& what, const std::string& name, const AnsiString& text, bool rtf) {
    TGDatabaseSosa db;
    CodeID surname = 0;
    NewFile(db, surname);
    testing::FamilyWriter w{db};
    const CodeID person = w.Person(0, 0, false, "Jean", surname);
    TVGNote note;
    note.NewNote(person, rtf ? AnsiString() : text, false);
    if (rtf) note.SetNoteRTF(text);
    note.EcritDans(person, db.Tables().notes);
    return {what, Save(db, name), person, person};
  }

  // Each father the son of the one before: 100,000 generations.
  Bomb Line() {
    TGDatabaseSosa db;
    CodeID surname = 0;
    NewFile(db, surname);
    testing::FamilyWriter w{db};
    db.Tables().individus->SetBatchModeTo(true);
    const CodeID first = w.Person(0, 0, false, "Adam", surname);
    CodeID last = first;
    for (int i = 1; i < 100000; ++i) last = w.Person(last, 0, false, "Seth", surname);
    db.Tables().individus->SetBatchModeTo(false);
    db.Tables().individus->Reindex();
    return {"a line of 100,000 fathers", Save(db, "line.genvora"), last, first};
  }

  // A father of his own father, a mother of her own daughter's mother, and
  // two surnames each attached to the other.
  Bomb Cycles() {
    TGDatabaseSosa db;
    CodeID surname = 0;
    NewFile(db, surname);
    TGNom other;
    const CodeID second = db.GetNextID();
    other.SetNom("Martel");
    other.SetRattachement(surname);
    other.EcritDans(second, db.Tables().dicoNoms);
    TGNom first;
    Check(first.LitDans(surname, db.Tables().dicoNoms));
    first.SetRattachement(second);
    first.EcritDans(surname, db.Tables().dicoNoms);
    db.Tables().dicoNoms->ReIndex();
    testing::FamilyWriter w{db};
    const CodeID a = w.Person(0, 0, false, "Pierre", surname);
    const CodeID b = w.Person(a, 0, false, "Paul", second);
    const CodeID c = w.Person(0, 0, true, "Anne", surname);
    const CodeID d = w.Person(0, c, true, "Marie", second);
    for (const auto& [child, father, mother] : {std::tuple{a, b, CodeID{0}}, std::tuple{c, CodeID{0}, d}}) {
      TGIndividu i;
      Check(i.LitDans(child, db.Tables().individus));
      i.SetCodePere(father);
      i.SetCodeMere(mother);
      db.Tables().individus->EcritData(&i);
    }
    w.Couple(a, c);
    w.Couple(b, d);
    db.Tables().individus->Reindex();
    return {"cycles in parentage and in surname attachment", Save(db, "cycles.genvora"), a, b};
  }

  // A small family in a layout without a checksum, whose individuals'
  // block then claims 99,999,999,999 items and as many bytes.
  Bomb Counters() {
    TGDatabaseSosa db;
    CodeID surname = 0;
    NewFile(db, surname);
    testing::FamilyWriter w{db};
    const CodeID father = w.Person(0, 0, false, "Jean", surname);
    w.Person(father, 0, false, "Paul", surname);
    const std::string path = box.Path("counters.G12");
    EXPECT_TRUE(EcritGeneration(db, path, Generation::G12));
    std::vector<unsigned char> bytes = ReadAll(path);
    std::vector<std::pair<std::string, std::size_t>> blocks;
    std::string error;
    EXPECT_TRUE(testing::BlockFileBuilder::WalkBlocks(bytes, blocks, error)) << error;
    bool patched = false;
    for (const auto& [name, at] : blocks) {
      if (name != "TGTableIndividus") continue;
      for (std::size_t field : {56u, 68u}) std::memcpy(bytes.data() + at + field, "99999999999", 12);
      patched = true;
    }
    EXPECT_TRUE(patched);
    WriteAll(path, bytes);
    return {"counters that claim 99,999,999,999 items", path, father, father};
  }

  // The builders return a Bomb, where an ASSERT cannot return.
  static bool Check(bool ok) {
    EXPECT_TRUE(ok);
    return ok;
  }

  testing::DatabaseSandbox box;
  QuietHost quiet;
};

TEST_F(BombFilesTest, EveryCommandAnswersWithinItsLimits) {
  // 20 MB of rich text of one letter, kept compressed in a small file.
  const std::string letters = "{\\rtf1 " + std::string(20u << 20, 'a') + "}";
  std::string nested = "{\\rtf1 ";
  nested.append(100000, '{');
  nested += "x";
  nested.append(100000, '}');
  nested += "}";
  const std::vector<Bomb> bombs = {
      Counters(),
      Noted("a note that expands a thousand times", "note.genvora", letters, true),
      Noted("rich text nested 100,000 deep", "rtf.genvora", nested, true),
      Line(),
      Cycles(),
  };
  // The note's file is small for what it holds.
  EXPECT_LT(std::filesystem::file_size(bombs[1].path), 1u << 20);
  for (const Bomb& bomb : bombs) {
    SCOPED_TRACE(bomb.what);
    const std::string out = box.Path("out");
    std::vector<std::string> commands = {"info " + bomb.path, "check " + bomb.path, "coherence " + bomb.path,
                                         "export " + bomb.path + " " + out + ".sqlite --force",
                                         "export " + bomb.path + " " + out + ".ged --force"};
    if (bomb.first != 0) {
      const std::string first = std::to_string(bomb.first), last = std::to_string(bomb.last);
      commands.push_back("sosa " + bomb.path + " " + first);
      commands.push_back("ancestors " + bomb.path + " " + first);
      commands.push_back("descendants " + bomb.path + " " + last);
      commands.push_back("person " + bomb.path + " " + first);
      commands.push_back("chart " + bomb.path + " " + first + " --ancestors -o " + out + ".svg");
    }
    for (const std::string& command : commands) {
      const int status = RunLimited(command);
      EXPECT_TRUE(status == 0 || status == 1 || status == 3) << command << ": exit status " << status;
    }
  }
}

}  // namespace
}  // namespace genvora
