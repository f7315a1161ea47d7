// genvora duplicates FILE [--with OTHER] ...: the pairs of individuals that
// may be the same person, each pair once, in the order the scan of FILE's
// alphabetical index finds them. With --with the persons of FILE are looked
// for in OTHER (the first code of a pair is FILE's, the second OTHER's).
//
// One line per pair: CODE<TAB>NAME<TAB>BIRTH<TAB>DEATH for the first, then
// the same for the second, then a count line. BIRTH is the birth, else the
// christening; DEATH the death, else the burial; a dated one first, in the
// GEDCOM form ("1 JAN 1850"), the same whatever the preferences. With
// --json an array of {a, b}, each {code, name, birth, death}. The files are
// only read.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "computations/TFullIndividu.h"
#include "computations/TV8Trieur.h"
#include "database/TGDatabase.h"
#include "platform/Encoding.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"

namespace genvora::cli {

namespace {

struct Options {
  std::string path;
  std::string other;
  std::string firstNames = "subset";
  std::string dates = "match";
  int years = 2;
  bool sameYear = false;
  bool sameDate = false;
  bool parents = false;
  bool excludeAncestry = true;
  bool noEventsOk = false;
  bool json = false;
};

struct Shown {
  CodeID code = 0;
  std::string name, birth, death;
};

std::string DateOf(TGDatabase& db, CodeID first, CodeID second) {
  TGEvenement e;
  for (CodeID code : {first, second}) {
    if (code == 0 || !e.LitDans(code, db.Tables().evenements)) continue;
    if (e.GetDate()->EstVide()) continue;
    e.GetDate()->SetFormat("%GED");
    return AnsiToUtf8(e.GetDate()->GetText());
  }
  return {};
}

Shown ShowOf(TGDatabase& db, CodeID code) {
  Shown s;
  s.code = code;
  TGIndividu individu;
  if (!individu.LitDans(code, db.Tables().individus)) return s;
  TGNom nom;
  const bool lu = individu.GetCodeNom() != 0 && nom.LitDans(individu.GetCodeNom(), db.Tables().dicoNoms);
  s.name = AnsiToUtf8(TFullIndividu::TexteIndividu(individu, lu ? &nom : nullptr));
  TGTableEvenements& ev = *db.Tables().evenements;
  s.birth = DateOf(db, ev.NaissanceDe(code), ev.baptemeDe(code));
  s.death = DateOf(db, ev.DecesDe(code), ev.InhumationDe(code));
  return s;
}

nlohmann::json JsonOf(const Shown& s) {
  return {{"code", s.code}, {"name", s.name}, {"birth", s.birth}, {"death", s.death}};
}

int Run(const Options& o) {
  std::string reason;
  std::unique_ptr<TGDatabaseSosa> a = OpenForReading(o.path, false, reason);
  if (!a) {
    PrintFailure(o.path, reason);
    return kExitFailure;
  }
  std::unique_ptr<TGDatabaseSosa> b;
  if (!o.other.empty()) {
    b = OpenForReading(o.other, false, reason);
    if (!b) {
      PrintFailure(o.other, reason);
      return kExitFailure;
    }
  }
  TV8Trieur trieur;
  trieur.SetFiler1(a.get());
  trieur.SetFiler2(b ? b.get() : a.get());
  trieur.SetPrenomsFnt(o.firstNames == "any"     ? epfNoMatch
                       : o.firstNames == "one"   ? epfAtLeastOneMatch
                       : o.firstNames == "first" ? epfFirstMatching
                                                 : epfAsSubset);
  trieur.SetEventFnt(o.dates == "none" ? eefNothing : eefMatching);
  trieur.IntervaleFlou = o.years;
  trieur.AnneeIdentique = o.sameYear;
  trieur.DateIdentique = o.sameDate;
  trieur.ComparerParents = o.parents;
  trieur.ExclureAscendance = o.excludeAncestry;
  trieur.SansEvenementAccepte = o.noEventsOk;
  trieur.Doublons();

  nlohmann::json out = nlohmann::json::array();
  for (const auto& [x, y] : trieur.Paires()) {
    const Shown sa = ShowOf(*a, x);
    const Shown sb = ShowOf(b ? *b : *a, y);
    if (o.json) {
      out.push_back({{"a", JsonOf(sa)}, {"b", JsonOf(sb)}});
    } else {
      std::printf("%u\t%s\t%s\t%s\t%u\t%s\t%s\t%s\n", sa.code, sa.name.c_str(), sa.birth.c_str(), sa.death.c_str(),
                  sb.code, sb.name.c_str(), sb.birth.c_str(), sb.death.c_str());
    }
  }
  if (o.json)
    std::printf("%s\n", out.dump(2).c_str());
  else
    std::printf("%s\n", trieur.Resume().c_str());
  return kExitOk;
}

}  // namespace

void RegisterDuplicatesCommand(CLI::App& app) {
  auto options = std::make_shared<Options>();
  CLI::App* cmd = app.add_subcommand("duplicates", "List the pairs of individuals that may be the same person");
  cmd->add_option("FILE", options->path, "The database file")->required();
  cmd->add_option("--with", options->other, "Look for the persons of FILE in this other database file");
  cmd->add_option("--first-names", options->firstNames,
                  "First names: any (not compared), subset (the default: every name of the shorter list in the "
                  "longer), one (one name in common), first (the first names equal)")
      ->check(CLI::IsMember({"any", "subset", "one", "first"}));
  cmd->add_option("--dates", options->dates,
                  "Events: match (the default: a birth, a death or another event of both dated alike), none")
      ->check(CLI::IsMember({"none", "match"}));
  CLI::Option* years = cmd->add_option("--years", options->years, "Years of tolerance between two dates (default 2)")
                           ->check(CLI::Range(0, 1000));
  CLI::Option* sameYear = cmd->add_flag("--same-year", options->sameYear, "Dates must fall in the same year");
  CLI::Option* sameDate = cmd->add_flag("--same-date", options->sameDate, "Dates must be identical");
  years->excludes(sameYear, sameDate);
  sameYear->excludes(sameDate);
  cmd->add_flag("--parents", options->parents,
                "Require matching parents: the fathers' first names, or the mothers' when of one surname");
  cmd->add_flag("--exclude-ancestry,!--include-ancestry", options->excludeAncestry,
                "Never pair a person with an ancestor (the default; --include-ancestry pairs them)");
  cmd->add_flag("--no-events-ok", options->noEventsOk, "Accept a pair when only one of the two has events");
  cmd->add_flag("--json", options->json, "Print a JSON array of {a, b}, each {code, name, birth, death}");
  cmd->callback([options] {
    int status = Run(*options);
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
