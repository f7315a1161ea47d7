// genvora sosa FILE CODE: numbers the ancestors of a person, the de cujus
// (--root CODE is the same).
//
// One line per record, in number order, the de cujus (number 1) first:
// NUMBER<TAB>GENERATION<TAB>CODE<TAB>FIRST NAMES<TAB>SURNAME. With --json an
// array of {number, generation, code, occurrences}: number as decimal text
// (it outgrows every integer type), generation 1 for the de cujus, and
// occurrences the star numbering's counter of further meetings, or for the
// mono and full numberings the count of numbers the person received. The file
// is opened read-only and left untouched unless --save is given; then the de
// cujus and the numbers are saved with it through the database's safe save.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "computations/TV5SosaMaker.h"
#include "database/TGDatabase.h"
#include "platform/Encoding.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"

namespace genvora::cli {

namespace {

struct Options {
  std::string path;
  CodeID root = 0;       // the positional CODE
  CodeID rootAlias = 0;  // --root CODE
  std::string mode = "star";
  bool json = false;
  bool save = false;
};

struct Names {
  std::string prenoms;
  std::string nom;
};

Names NamesOf(TGDatabase& db, CodeID code) {
  Names names;
  TGIndividu individu;
  if (!individu.LitDans(code, db.Tables().individus)) return names;
  names.prenoms = AnsiToUtf8(individu.GetChar(5));
  TGNom nom;
  if (individu.GetCodeNom() != 0 && nom.LitDans(individu.GetCodeNom(), db.Tables().dicoNoms))
    names.nom = AnsiToUtf8(nom.GetNom());
  return names;
}

int Run(const Options& o) {
  std::string reason;
  std::unique_ptr<TGDatabaseSosa> opened = OpenDatabase(o.path, OpenOptions{false, o.save}, reason);
  if (!opened) {
    PrintFailure(o.path, reason);
    return kExitFailure;
  }
  TGDatabaseSosa& db = *opened;
  if (!db.EstIndividu(o.root)) {
    PrintFailure(o.path, "no individual " + std::to_string(o.root));
    return kExitFailure;
  }
  const sosaActionT action = o.mode == "mono"   ? kSosaMonoPasse
                             : o.mode == "full" ? kSosaCompletFichier
                                                : kSosaMonoEtoile;
  // A change of de cujus numbers the ancestors the star way; the file's own
  // de cujus changes nothing, so the numbering asked is always run then.
  TV5SosaMaker& maker = db.SosaMaker();
  const bool starRun = db.Header.GetDeCujus() != o.root;
  db.SetDeCujus(o.root);
  if (action != kSosaMonoEtoile || !starRun) {
    maker.SetDeCujus(o.root);
    maker.SetAction(action);
  }

  std::map<CodeID, std::uint32_t> counts;
  const LArray& dbl = maker.GetSOSADbl();
  for (int i = 1; i <= static_cast<int>(dbl.GetCount()); ++i) {
    SosaOccurrence occurrence;
    if (dbl.FetchItemAt(i, &occurrence)) counts[occurrence.code] = occurrence.count;
  }
  std::vector<TV5Sosa> records;
  for (int i = 1; i <= static_cast<int>(maker.GetSOSATbl().GetCount()); ++i) {
    TV5Sosa n;
    maker.LoadSosaData(i, n);
    records.push_back(n);
  }
  // The star numbering leaves its table in walk order.
  std::stable_sort(records.begin(), records.end(), [](const TV5Sosa& a, const TV5Sosa& b) { return a.Compare(b) < 0; });

  nlohmann::json out = nlohmann::json::array();
  std::map<CodeID, Names> names;
  for (const TV5Sosa& n : records) {
    const CodeID code = n.GetCodeID();
    const std::uint32_t occurrences = action == kSosaMonoEtoile ? n.GetOccurrences() : counts[code];
    if (o.json) {
      out.push_back({{"number", n.GetText()},
                     {"generation", n.GetGeneration()},
                     {"code", code},
                     {"occurrences", occurrences}});
    } else {
      auto found = names.find(code);
      if (found == names.end()) found = names.emplace(code, NamesOf(db, code)).first;
      std::printf("%s\t%u\t%u\t%s\t%s\n", n.GetText().c_str(), n.GetGeneration(), code, found->second.prenoms.c_str(),
                  found->second.nom.c_str());
    }
  }
  if (o.json) std::printf("%s\n", out.dump(2).c_str());
  if (maker.GetHorsCapacite() != 0)
    PrintError(o.path, std::to_string(maker.GetHorsCapacite()) + " ancestor(s) beyond generation " +
                           std::to_string(TV5Sosa::kMaxBits) + " left unnumbered");
  if (maker.GetTronque()) PrintError(o.path, "stopped at " + std::to_string(maker.GetLimiteExpansion()) + " numbers");
  if (maker.GetCyclesCoupes() != 0)
    PrintError(o.path, std::to_string(maker.GetCyclesCoupes()) + " cycle(s) in the ancestry cut");

  if (o.save) {
    if (!db.FichierEnregistrer(false)) {
      PrintFailure(o.path, "not saved: " + (db.LastReason().empty() ? std::string("the file cannot be written")
                                                                    : db.LastReason()));
      return kExitFailure;
    }
  }
  return kExitOk;
}

}  // namespace

void RegisterSosaCommand(CLI::App& app) {
  auto options = std::make_shared<Options>();
  CLI::App* cmd = app.add_subcommand("sosa", "Number the ancestors of a person with Sosa numbers, the person being 1");
  cmd->add_option("FILE", options->path, "The database file")->required();
  CLI::Option* code = cmd->add_option("CODE", options->root, "Code of the person numbered 1");
  CLI::Option* root = cmd->add_option("--root", options->rootAlias, "The same as CODE")->excludes(code);
  cmd->add_option("--mode", options->mode, "Numbering: mono gives each ancestor its smallest number; star (the "
                                           "default) one number each, with a count of further meetings; full "
                                           "every number")
      ->check(CLI::IsMember({"mono", "star", "full"}));
  cmd->add_flag("--json", options->json, "Print a JSON array of {number, generation, code, occurrences}");
  cmd->add_flag("--save", options->save, "Save the numbering and the person numbered 1 with the file");
  cmd->callback([options, code, root] {
    if (code->count() == 0 && root->count() == 0) throw CLI::RequiredError("CODE");
    if (root->count() != 0) options->root = options->rootAlias;
    int status = Run(*options);
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
