// genvora merge FILE A B --list [--json]: the merge grid of individuals A
// and B, one line per field or sub-record:
//   LINE<TAB>KIND<TAB>PARENT<TAB>A's text<TAB>B's text<TAB>same|differs
// (PARENT is the line of the event or union the line belongs to, 0 for the
// individual's own lines; line 0 is the whole individual). --json gives a
// list of {line, kind, field, parent, a, b, aEmpty, bEmpty, identical}.
//
// genvora merge FILE A B [--prefer a|b] [--choices CHOICES.json]
// [--dry-run]: merges B into A and saves the file in place through the
// engine's safe save, the previous file kept as the backup. Every line
// keeps A's side when it is not empty and takes B's otherwise (--prefer b:
// the reverse); CHOICES.json, a list of {"line": N, "a": bool, "b": bool},
// then sets the boxes of the lines it names (line 0 with "a" keeps A whole
// and drops B). One output line per line that changes A:
//   line N FIELD: took B | joined | cleared
// then "created CODE" for each record made for A and "removed individual
// CODE". With --dry-run the same lines are printed and nothing is written.
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "computations/V8FusionGestionnaire.h"
#include "database/TGDatabase.h"
#include "platform/Encoding.h"

namespace genvora::cli {

namespace {

struct Options {
  std::string path;
  CodeID a = 0;
  CodeID b = 0;
  bool list = false;
  bool json = false;
  std::string prefer = "a";
  std::string choices;
  bool dryRun = false;
};

// Reads CHOICES.json into the grid's boxes; false with `reason` when it is
// not a list of {line, a, b} naming lines of the grid.
bool AppliqueChoix(const std::string& path, V8FusionGestionnaire& merge, std::string& reason) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    reason = "cannot read the choices file " + path;
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  const nlohmann::json choices = nlohmann::json::parse(text.str(), nullptr, false);
  if (choices.is_discarded() || !choices.is_array()) {
    reason = "the choices file " + path + " is not a JSON list of {line, a, b}";
    return false;
  }
  for (const auto& choice : choices) {
    if (!choice.is_object() || !choice.contains("line") || !choice["line"].is_number_integer()) {
      reason = "a choice of " + path + " has no line number";
      return false;
    }
    const auto line = choice["line"].get<long long>();
    if (line < 0 || line >= merge.GetCount()) {
      reason = "the choices file names line " + std::to_string(line) + ", and the grid has lines 0 to " +
               std::to_string(merge.GetCount() - 1);
      return false;
    }
    for (const char* side : {"a", "b"})
      if (choice.contains(side) && !choice[side].is_boolean()) {
        reason = std::string("the choice of line ") + std::to_string(line) + " has a non-boolean \"" + side + "\"";
        return false;
      }
    V8FusionTypeElement& element = merge.GetElement(static_cast<int>(line));
    element.SetSelectionA(choice.value("a", false));
    element.SetSelectionB(choice.value("b", false));
  }
  return true;
}

void Liste(const V8FusionGestionnaire& merge, bool json) {
  nlohmann::json out = nlohmann::json::array();
  for (int i = 0; i < merge.GetCount(); ++i) {
    const V8FusionTypeElement& l = merge.Lignes()[static_cast<std::size_t>(i)];
    const std::string a = AnsiToUtf8(l.GetChaineA()), b = AnsiToUtf8(l.GetChaineB());
    if (json) {
      out.push_back({{"line", i},
                     {"kind", static_cast<int>(l.GetChamp())},
                     {"field", NomDuChamp(l.GetChamp())},
                     {"parent", l.GetParent()},
                     {"a", a},
                     {"b", b},
                     {"aEmpty", l.GetChamp1EstVide()},
                     {"bEmpty", l.GetChamp2EstVide()},
                     {"identical", l.GetInfoIndivIdentique()}});
    } else {
      std::printf("%d\t%s\t%d\t%s\t%s\t%s\n", i, NomDuChamp(l.GetChamp()), l.GetParent(), a.c_str(), b.c_str(),
                  l.GetInfoIndivIdentique() ? "same" : "differs");
    }
  }
  if (json) std::printf("%s\n", out.dump(2).c_str());
}

// What a line does to A, or null when it leaves A as it is.
const char* Effet(const V8FusionTypeElement& l) {
  if (l.GetInfoIndivIdentique() || (l.GetChamp1EstVide() && l.GetChamp2EstVide())) return nullptr;
  if (l.GetSelectionB() && !l.GetChamp2EstVide()) return l.GetSelectionA() && !l.GetChamp1EstVide() ? "joined" : "took B";
  if (!l.GetSelectionA() && !l.GetChamp1EstVide()) return "cleared";
  return nullptr;
}

int Run(const Options& o) {
  if (o.a == o.b) {
    std::fprintf(stderr, "genvora: merge: A and B are the same individual (%u)\n", o.a);
    return kExitUsage;
  }
  std::string reason;
  const bool saving = !o.list && !o.dryRun;
  std::unique_ptr<TGDatabaseSosa> opened = OpenDatabase(o.path, OpenOptions{false, saving}, reason);
  if (!opened) {
    PrintFailure(o.path, reason);
    return kExitFailure;
  }
  TGDatabaseSosa& db = *opened;
  for (CodeID code : {o.a, o.b})
    if (!db.EstIndividu(code)) {
      PrintFailure(o.path, NotAnIndividual(db, code));
      return kExitFailure;
    }
  V8FusionGestionnaire merge;
  merge.SetDatabase(&db);
  if (!merge.SetCodes(o.a, o.b)) {
    PrintFailure(o.path, "individuals " + std::to_string(o.a) + " and " + std::to_string(o.b) + " cannot be read");
    return kExitFailure;
  }
  if (o.list) {
    Liste(merge, o.json);
    return kExitOk;
  }
  merge.SelectionParDefaut(o.prefer == "b");
  if (!o.choices.empty() && !AppliqueChoix(o.choices, merge, reason)) {
    PrintFailure(o.choices, reason);
    return kExitFailure;
  }
  // Printed before the merge, whose removals the texts would not survive.
  const V8FusionTypeElement& whole = merge.Lignes()[0];
  if (!whole.GetSelectionA() && !whole.GetSelectionB()) {
    for (int i = 1; i < merge.GetCount(); ++i) {
      const V8FusionTypeElement& l = merge.Lignes()[static_cast<std::size_t>(i)];
      if (const char* effet = Effet(l)) std::printf("line %d %s: %s\n", i, NomDuChamp(l.GetChamp()), effet);
    }
  }
  TFusionReport report;
  merge.Fusion(&report);
  for (CodeID code : report.crees) std::printf("created %u\n", code);
  std::printf("removed individual %u\n", merge.GetIndividuSupprimme());
  if (merge.GetDeCujusChange())
    std::printf("de cujus set to %u\n", merge.GetIndividuSupprimme() == o.a ? o.b : o.a);
  if (o.dryRun) {
    std::printf("nothing written (--dry-run)\n");
    return kExitOk;
  }
  return SaveInPlace(db, o.path);
}

}  // namespace

void RegisterMergeCommand(CLI::App& app) {
  auto options = std::make_shared<Options>();
  CLI::App* cmd = app.add_subcommand("merge", "Merge individual B into individual A, or list the merge grid");
  cmd->add_option("FILE", options->path, "The database file")->required();
  cmd->add_option("A", options->a, "Code of the individual that stays")->required();
  cmd->add_option("B", options->b, "Code of the individual merged into A and removed")->required();
  CLI::Option* list = cmd->add_flag("--list", options->list, "List the grid lines and write nothing");
  cmd->add_flag("--json", options->json, "With --list: the lines as JSON")->needs(list);
  CLI::Option* prefer = cmd->add_option("--prefer", options->prefer,
                                        "Which side each line takes when both hold something: a (the default) or b")
                            ->check(CLI::IsMember({"a", "b"}));
  CLI::Option* choices =
      cmd->add_option("--choices", options->choices, "A JSON list of {line, a, b} selections from --list");
  CLI::Option* dryRun = cmd->add_flag("--dry-run", options->dryRun, "Print what would change and write nothing");
  list->excludes(prefer, choices, dryRun);
  cmd->callback([options] {
    int status = Run(*options);
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
