// The whole job a user runs on the largest trees, stage by stage: a
// synthetic family of a million persons written in three generations of the
// layout (".GV7", ".G12", current), then for each: open (with the upgrades
// the generation needs), save in the current layout, the file check with
// its repairs and save, and the exports. Each stage is printed with its
// time, the reference it is compared with in the same run (cat of the
// input for opening, cp of the output for saving and exporting, opening
// plus saving for the check), the ratio, and the peak resident memory of
// the stage's own process (which holds the opened database for the save
// and the exports).
//
//   genvora_pipeline [PERSONS] [FOLDER]
//
// Shared, noisy machines make absolute times meaningless from run to run;
// the ratios to the references measured beside them are what to compare.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "computations/TVG5Controleur.h"
#include "database/LegacyWriter.h"
#include "export/GedcomExport.h"
#include "export/SqliteExport.h"
#include "platform/Host.h"
#include "records/TVGNote.h"
#include "support/SyntheticFamily.h"

namespace {

using namespace genvora;
namespace fs = std::filesystem;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Shell(const std::string& command) {
  const double start = Now();
  if (std::system(command.c_str()) != 0) return -1;
  return Now() - start;
}

double CatSeconds(const std::string& path) { return Shell("cat '" + path + "' > /dev/null"); }

double CpSeconds(const std::string& path, const std::string& folder) {
  const std::string copy = folder + "/reference-copy";
  const double s = Shell("cp '" + path + "' '" + copy + "' && sync -f '" + copy + "'");
  fs::remove(copy);
  return s;
}

struct Stage {
  std::string input;
  std::string name;
  double seconds = 0;
  std::string reference;
  double referenceSeconds = 0;
  double peak = 0;
  bool ok = true;
};

// One stage in a process of its own, so that its peak resident memory is
// its own: the process opens what the stage needs, times the stage alone
// and prints the seconds.
Stage RunStage(const std::string& self, const std::string& stage, const std::string& input, const std::string& folder) {
  Stage s;
  s.input = fs::path(input).filename().string();
  s.name = stage;
  const std::string timing = folder + "/stage-seconds";
  fs::remove(timing);
  const pid_t child = fork();
  if (child == 0) {
    execl(self.c_str(), self.c_str(), "--stage", stage.c_str(), input.c_str(), folder.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  s.ok = child > 0 && wait4(child, &status, 0, &usage) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  s.peak = static_cast<double>(usage.ru_maxrss) * 1024.0;
  std::ifstream(timing) >> s.seconds;
  return s;
}

// The stage itself, in the child: the time of the stage alone goes to
// FOLDER/stage-seconds; the exit status tells whether it succeeded.
int StageMain(const std::string& stage, const std::string& input, const std::string& folder) {
  QuietHost quiet;
  SetHost(&quiet);
  const std::string saved = folder + "/saved.genvora";
  double start = 0;
  bool ok = false;
  TGDatabaseSosa db;
  auto open = [&](const std::string& path) {
    db.ReadOnly = true;
    db.AssigneNomDeFichier(path);
    return db.FichierOuvrir();
  };
  if (stage == "open") {
    start = Now();
    ok = open(input);
  } else if (stage == "save") {
    ok = open(input);
    start = Now();
    ok = ok && db.FichierEnregistrerSous(saved, false);
  } else if (stage == "check --repair") {
    start = Now();
    TVG5Controleur controleur;
    controleur.NomFichier = input;
    ok = controleur.TraiterLeFichier(true);
  } else if (stage == "SQLite export") {
    ok = open(input);
    start = Now();
    SqliteExportOptions options;
    options.replace = true;
    SqliteExportReport report;
    std::string error;
    ok = ok && ExportSqlite(db, folder + "/export.sqlite", options, report, error);
  } else if (stage == "GEDCOM export") {
    ok = open(input);
    start = Now();
    GedcomExportOptions options;
    options.replace = true;
    GedcomExportReport report;
    std::string error;
    ok = ok && ExportGedcom(db, folder + "/export.ged", options, report, error);
  }
  const double seconds = Now() - start;
  std::ofstream(folder + "/stage-seconds") << seconds;
  SetHost(nullptr);
  return ok ? 0 : 1;
}

// The family of the benchmarks, one in ten persons with a note: in a ".GV7"
// file the notes live inside the individuals' records, as that generation
// kept them.
std::vector<std::string> WriteInputs(std::uint32_t persons, const std::string& folder) {
  std::vector<std::string> out;
  TGDatabaseSosa db;
  db.SetAsNewFile();
  SyntheticFamily(SyntheticFamilyOptions{persons, 20240601}, db).Build();
  LArray* codes = db.Tables().individus->GetCodeList();
  for (int i = 10; i <= static_cast<int>(codes->GetCount()); i += 10) {
    std::uint32_t pair[2];
    codes->FetchItemAt(i, pair);
    TVGNote note;
    note.NewNote(pair[0], "Vu dans le registre paroissial", false);
    note.EcritDans(pair[0], db.Tables().notes);
  }
  for (const auto& [generation, name] : {std::pair<Generation, const char*>{Generation::G12, "synthetic.G12"},
                                         std::pair<Generation, const char*>{Generation::Current, "synthetic.genvora"}}) {
    const std::string path = folder + "/" + name;
    if (EcritGeneration(db, path, generation)) out.push_back(path);
  }
  db.RemetNotesVersStructure();
  const std::string gv7 = folder + "/synthetic.GV7";
  if (EcritGeneration(db, gv7, Generation::GV7)) out.insert(out.begin(), gv7);
  return out;
}

void Pipeline(const std::string& self, const std::string& input, const std::string& folder, std::vector<Stage>& stages) {
  const std::string saved = folder + "/saved.genvora";
  Stage open = RunStage(self, "open", input, folder);
  open.reference = "cat input";
  open.referenceSeconds = CatSeconds(input);
  stages.push_back(open);
  Stage save = RunStage(self, "save", input, folder);
  save.reference = "cp output";
  save.referenceSeconds = fs::exists(saved) ? CpSeconds(saved, folder) : 0;
  stages.push_back(save);
  Stage check = RunStage(self, "check --repair", saved, folder);
  check.input = open.input;
  check.reference = "open + save";
  check.referenceSeconds = open.seconds + save.seconds;
  stages.push_back(check);
  Stage sqlite = RunStage(self, "SQLite export", saved, folder);
  sqlite.input = open.input;
  sqlite.reference = "cp output";
  sqlite.referenceSeconds = fs::exists(folder + "/export.sqlite") ? CpSeconds(folder + "/export.sqlite", folder) : 0;
  stages.push_back(sqlite);
  Stage gedcom = RunStage(self, "GEDCOM export", saved, folder);
  gedcom.input = open.input;
  gedcom.reference = "cp output";
  gedcom.referenceSeconds = fs::exists(folder + "/export.ged") ? CpSeconds(folder + "/export.ged", folder) : 0;
  stages.push_back(gedcom);
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("saved", 0) == 0 || name.rfind("export", 0) == 0) fs::remove(entry.path());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--stage") return StageMain(argv[2], argv[3], argv[4]);
  const std::uint32_t persons = argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1000000;
  std::string folder;
  bool ownFolder = false;
  if (argc > 2) {
    folder = argv[2];
  } else {
    char templ[] = "/tmp/genvora-pipeline-XXXXXX";
    if (mkdtemp(templ) == nullptr) return 1;
    folder = templ;
    ownFolder = true;
  }
  // The per-user store of the engine (active files, settings) is the
  // benchmark's own, and the stages' processes inherit it.
  setenv("GENVORA_CONFIG_DIR", (folder + "/config").c_str(), 1);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  std::vector<std::string> inputs;
  {
    QuietHost quiet;
    SetHost(&quiet);
    std::fprintf(stderr, "writing %u persons in three generations to %s...\n", persons, folder.c_str());
    inputs = WriteInputs(persons, folder);
    SetHost(nullptr);
  }
  std::vector<Stage> stages;
  for (const std::string& path : inputs) {
    std::fprintf(stderr, "%s...\n", path.c_str());
    Pipeline(self, path, folder, stages);
  }
  std::printf("%-18s %-15s %9s  %-12s %9s %7s %10s %6s\n", "input", "stage", "seconds", "reference", "ref s", "ratio",
              "peak MB", "ok");
  for (const Stage& s : stages) {
    const double ratio = s.referenceSeconds > 0 ? s.seconds / s.referenceSeconds : 0;
    std::printf("%-18s %-15s %9.3f  %-12s %9.3f %7.2f %10.0f %6s\n", s.input.c_str(), s.name.c_str(), s.seconds,
                s.reference.c_str(), s.referenceSeconds, ratio, s.peak / 1.0e6, s.ok ? "yes" : "FAILED");
  }
  for (const std::string& path : inputs)
    std::printf("%-18s %.0f MB\n", fs::path(path).filename().string().c_str(), static_cast<double>(fs::file_size(path)) / 1.0e6);
  if (ownFolder) fs::remove_all(folder);
  bool ok = true;
  for (const Stage& s : stages) ok = ok && s.ok;
  return ok ? 0 : 1;
}
