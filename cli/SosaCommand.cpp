// genvora sosa: numbers the ancestors of a de cujus.
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
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cli/Commands.h"
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
  CodeID root = 0;
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
  TGDatabaseSosa db;
  db.ReadOnly = !o.save;
  db.AssigneNomDeFichier(o.path);
  if (!db.FichierOuvrir()) {
    std::cerr << "genvora: " << o.path << ": " << db.LastReason() << "\n";
    return kExitFailure;
  }
  if (!db.EstIndividu(o.root)) {
    std::cerr << "genvora: " << o.path << ": no individual " << o.root << "\n";
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
    std::cerr << "genvora: " << maker.GetHorsCapacite() << " ancestor(s) beyond generation " << TV5Sosa::kMaxBits
              << " left unnumbered\n";
  if (maker.GetTronque())
    std::cerr << "genvora: stopped at " << maker.GetLimiteExpansion() << " numbers\n";
  if (maker.GetCyclesCoupes() != 0)
    std::cerr << "genvora: " << maker.GetCyclesCoupes() << " cycle(s) in the ancestry cut\n";

  if (o.save) {
    if (!db.FichierEnregistrer(false)) {
      std::cerr << "genvora: " << o.path << ": not saved: " << db.LastReason() << "\n";
      return kExitFailure;
    }
  }
  return kExitOk;
}

}  // namespace

void RegisterSosaCommand(CLI::App& app) {
  auto options = std::make_shared<Options>();
  CLI::App* cmd = app.add_subcommand("sosa", "number the ancestors of a de cujus (Sosa numbers)");
  cmd->add_option("FILE", options->path, "database file")->required();
  cmd->add_option("--root", options->root, "code of the de cujus")->required();
  cmd->add_option("--mode", options->mode, "mono: smallest number of each ancestor; star (default): one number, "
                                           "implexes counted; full: every number")
      ->check(CLI::IsMember({"mono", "star", "full"}));
  cmd->add_flag("--json", options->json, "JSON array of {number, generation, code, occurrences}");
  cmd->add_flag("--save", options->save, "save the de cujus and the numbers with the file");
  cmd->callback([options] {
    int status = Run(*options);
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
