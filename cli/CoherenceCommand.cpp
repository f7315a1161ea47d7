// genvora coherence FILE [CODE...]: the consistency control of dates over
// every individual (in alphabetical order) or the codes given, and with
// --completeness the completeness of their births, unions and deaths. The
// file is only read; the thresholds come from the per-user store, which is
// read and never written, and --set changes one of them for this run.
//
// genvora coherence FILE --accept CODE...: marks those persons as accepted
// (the control then passes them over) and saves the file through the
// database's safe save, which keeps the previous file as its backup;
// --dry-run shows what would change and writes nothing.
//
// Exit status: 0 nothing found, 3 findings (a record that cannot be read is
// one too), 1 the work could not be done, 2 a bad command line.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "computations/TFullIndividu.h"
#include "computations/ValidControlCheck.h"
#include "platform/Encoding.h"
#include "platform/Exception.h"
#include "platform/Preferences.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableIndividus.h"

namespace genvora::cli {

namespace {

using P = TPreferenceGenvora5;

struct Options {
  std::string path;
  std::vector<CodeID> codes;
  bool json = false;
  bool completeness = false;
  bool all = false;
  std::vector<std::string> sets;
  std::vector<CodeID> accept;
  bool dryRun = false;
};

// The names --set knows: one per threshold, then the completeness criteria.
struct Setting {
  const char* name;
  int field;  // a TSeuilControle; -1 the block's flag; -2.. the criteria
  const char* help;
};
constexpr int kFlag = -1, kApprox = -2, kPlace = -3, kSource = -4, kSearch = -5;
const std::vector<Setting>& Settings() {
  static const std::vector<Setting> settings = {
      {"min-age-union-man", P::scAgeMinUnionHomme, "minimum age of a man at a union (years)"},
      {"min-age-union-woman", P::scAgeMinUnionFemme, "minimum age of a woman at a union"},
      {"max-age-union-man", P::scAgeMaxUnionHomme, "maximum age of a man at a union"},
      {"max-age-union-woman", P::scAgeMaxUnionFemme, "maximum age of a woman at a union"},
      {"min-age-father", P::scAgeMinPere, "minimum age of a father at a birth"},
      {"min-age-mother", P::scAgeMinMere, "minimum age of a mother at a birth"},
      {"max-age-father", P::scAgeMaxPere, "maximum age of a father at a birth"},
      {"max-age-mother", P::scAgeMaxMere, "maximum age of a mother at a birth"},
      {"max-age-death-man", P::scAgeMaxDecesHomme, "maximum age of a man at death"},
      {"max-age-death-woman", P::scAgeMaxDecesFemme, "maximum age of a woman at death"},
      {"birth-gap-max-days", P::scEcartNaissancesMax, "two births of one mother closer than this..."},
      {"birth-gap-min-days", P::scEcartNaissancesMin, "...and further apart than this (twins) are incoherent"},
      {"max-age-difference", P::scEcartAgeConjoints, "largest age difference between spouses (years)"},
      {"control-flag", kFlag, "the flag kept with the thresholds (0 to 255)"},
      {"incomplete-approximate-date", kApprox, "an approximate date makes an event incomplete (0 or 1)"},
      {"incomplete-without-place", kPlace, "an event without place is incomplete (0 or 1)"},
      {"incomplete-without-source", kSource, "an event without source document is incomplete (0 or 1)"},
      {"incomplete-to-search", kSearch, "an event whose certificate is to be searched for is incomplete (0 or 1)"},
  };
  return settings;
}

std::string SetHelp() {
  std::string help = "Change one threshold or criterion for this run (repeatable). Names:";
  for (const Setting& s : Settings()) help += std::string("\n  ") + s.name + ": " + s.help;
  return help;
}

// Applies "NAME=VALUE"; false with `why` set for an unknown name or a value
// that is not a whole number.
bool Apply(const std::string& assignment, P& prefs, std::string& why) {
  const auto eq = assignment.find('=');
  const std::string name = assignment.substr(0, eq);
  const Setting* found = nullptr;
  for (const Setting& s : Settings())
    if (name == s.name) found = &s;
  if (eq == std::string::npos || found == nullptr) {
    why = "--set " + assignment + ": expected NAME=VALUE with a NAME listed in --help";
    return false;
  }
  const std::string text = assignment.substr(eq + 1);
  long long value = 0;
  std::size_t used = 0;
  try {
    value = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  const long long lowest = found->field == kFlag ? 0 : found->field < 0 ? 0 : -2147483647LL - 1;
  const long long highest = found->field == kFlag ? 255 : found->field < 0 ? 1 : 2147483647LL;
  if (text.empty() || used != text.size() || value < lowest || value > highest) {
    why = "--set " + assignment + ": the value must be a whole number from " + std::to_string(lowest) + " to " +
          std::to_string(highest);
    return false;
  }
  switch (found->field) {
    case kFlag: prefs.DrapeauControle = static_cast<std::uint8_t>(value); break;
    case kApprox: prefs.CompletDateApproximative = value != 0; break;
    case kPlace: prefs.CompletLieu = value != 0; break;
    case kSource: prefs.CompletSource = value != 0; break;
    case kSearch: prefs.CompletRecherche = value != 0; break;
    default: prefs.SetSeuil(static_cast<P::TSeuilControle>(found->field), static_cast<int>(value)); break;
  }
  return true;
}

// First names and surname; empty when the surname cannot be read.
std::string NameOf(TGDatabase& db, const TGIndividu& individu) {
  TGNom nom;
  const bool lu = individu.GetCodeNom() != 0 && nom.LitDans(individu.GetCodeNom(), db.Tables().dicoNoms);
  return AnsiToUtf8(TFullIndividu::TexteIndividu(individu, lu ? &nom : nullptr));
}

const char* StateName(int state) {
  switch (state) {
    case ecComplet: return "complete";
    case ecPartiellementComplet: return "partly complete";
    case ecNonAttendu: return "not expected";
    default: return "incomplete";
  }
}

bool CheckCodes(TGDatabase& db, const std::string& path, const std::vector<CodeID>& codes) {
  for (CodeID code : codes) {
    if (!db.EstIndividu(code)) {
      PrintFailure(path, NotAnIndividual(db, code));
      return false;
    }
  }
  return true;
}

int RunAccept(const Options& o) {
  std::string reason;
  std::unique_ptr<TGDatabaseSosa> db = OpenDatabase(o.path, OpenOptions{false, !o.dryRun}, reason);
  if (db == nullptr) {
    PrintFailure(o.path, reason);
    return kExitFailure;
  }
  if (!CheckCodes(*db, o.path, o.accept)) return kExitFailure;
  ToolHost host;
  int changed = 0;
  for (CodeID code : o.accept) {
    TGIndividu individu;
    if (!individu.LitDans(code, db->Tables().individus)) {
      PrintFailure(o.path, "individual " + std::to_string(code) + ": " + individu.LastDamage());
      return kExitFailure;
    }
    const bool already = individu.GetHorsControle();
    if (!already) {
      individu.SetHorsControle(true);
      individu.SetModifyNow();
      db->Tables().individus->EcritData(&individu);
      db->FichierModifie = true;
      ++changed;
    }
    std::printf("%u\t%s\t%s\n", code, NameOf(*db, individu).c_str(), already ? "already accepted" : "accepted");
  }
  if (o.dryRun) {
    std::printf("dry run: %d person(s) would be marked, nothing written\n", changed);
    return kExitOk;
  }
  if (changed != 0 && !db->FichierEnregistrer(true)) {
    PrintFailure(o.path, "not saved: " + (db->LastReason().empty() ? std::string("the file cannot be written")
                                                                   : db->LastReason()));
    return kExitFailure;
  }
  return kExitOk;
}

int RunCheck(const Options& o) {
  P prefs;  // the per-user store: read here, never written by this command
  for (const std::string& s : o.sets) {
    std::string why;
    if (!Apply(s, prefs, why)) {
      PrintError("coherence", why);
      return kExitUsage;
    }
  }
  std::string reason;
  std::unique_ptr<TGDatabaseSosa> db = OpenForReading(o.path, false, reason);
  if (db == nullptr) {
    PrintFailure(o.path, reason);
    return kExitFailure;
  }
  if (!CheckCodes(*db, o.path, o.codes)) return kExitFailure;
  ToolHost host;

  std::vector<CodeID> codes = o.codes;
  if (codes.empty()) {
    const LArray& alpha = *db->Tables().individus->GetIndexAlpha();
    codes.resize(alpha.GetCount());
    for (int i = 1; i <= static_cast<int>(codes.size()); ++i) alpha.FetchItemAt(i, &codes[i - 1]);
  }

  nlohmann::ordered_json out = nlohmann::ordered_json::array();
  int examined = 0, withFindings = 0, findings = 0, damaged = 0;
  const AnsiString what = "Checking dates";
  const auto total = static_cast<std::int64_t>(codes.size());
  for (std::size_t i = 0; i < codes.size(); ++i) {
    Host().Progress(what, static_cast<std::int64_t>(i), total);
    const CodeID code = codes[i];
    TGIndividu individu;
    if (!individu.LitDans(code, db->Tables().individus)) {
      PrintFailure(o.path, "individual " + std::to_string(code) + ": " + individu.LastDamage());
      ++damaged;
      continue;
    }
    const bool accepted = individu.GetHorsControle();
    if (accepted && !o.all) continue;
    AnsiString text;
    std::vector<ConstatControle> found;
    evenementCompletionValuesT birth = ecIncomplet, alliance = ecIncomplet, death = ecIncomplet;
    bool complete = false;
    try {
      ValidControlRangeCheckingV2(code, db.get(), &prefs, text, true, false, false, &found);
      if (o.completeness) complete = IndividuEstIlComplet(code, db.get(), &prefs, birth, alliance, death);
    } catch (const std::exception& e) {
      PrintFailure(o.path, ReasonOf(e));
      ++damaged;
      // The tool names every failure itself: the latch that keeps later
      // failed loads silent is cleared, or every following person would
      // load empty and pass unchecked.
      db->Tag = 0;
      continue;
    }
    ++examined;
    findings += static_cast<int>(found.size());
    if (!found.empty()) ++withFindings;
    const std::string name = NameOf(*db, individu);
    if (o.json) {
      nlohmann::ordered_json person;
      person["code"] = code;
      person["name"] = name;
      person["coherent"] = found.empty();
      person["accepted"] = accepted;
      person["findings"] = nlohmann::ordered_json::array();
      for (const ConstatControle& f : found)
        person["findings"].push_back(
            {{"rule", NomRegle(f.regle)}, {"codes", f.codes}, {"days", f.age.nombreJours}, {"line", AnsiToUtf8(f.ligne)}});
      if (o.completeness) {
        person["birth"] = static_cast<int>(birth);
        person["union"] = static_cast<int>(alliance);
        person["death"] = static_cast<int>(death);
        person["complete"] = complete;
      }
      out.push_back(std::move(person));
    } else if (!found.empty() || o.completeness) {
      std::printf("%u\t%s%s\n", code, name.c_str(), accepted ? "\t(accepted)" : "");
      for (const ConstatControle& f : found) std::printf("\t%s\n", AnsiToUtf8(f.ligne).c_str());
      if (o.completeness)
        std::printf("\tbirth: %s; union: %s; death: %s; %s\n", StateName(birth), StateName(alliance),
                    StateName(death), complete ? "complete" : "not complete");
    }
  }
  Host().Progress(what, total, total);
  if (o.json) {
    std::printf("%s\n", out.dump(2).c_str());
  } else {
    std::printf("%d person(s) examined, %d with findings, %d finding(s)\n", examined, withFindings, findings);
  }
  return findings != 0 || damaged != 0 ? kExitFindings : kExitOk;
}

}  // namespace

void RegisterCoherenceCommand(CLI::App& app) {
  auto options = std::make_shared<Options>();
  CLI::App* cmd = app.add_subcommand(
      "coherence", "Check the dates of persons against their events, unions, children and parents; or accept them");
  cmd->add_option("FILE", options->path, "The database file")->required();
  CLI::Option* codes = cmd->add_option("CODE", options->codes, "Codes of the persons (default: everybody, "
                                                              "alphabetically)");
  cmd->add_flag("--json", options->json, "Print a JSON array, one object per person examined");
  cmd->add_flag("--completeness", options->completeness,
                "Add the completeness of birth, union and death (0 incomplete, 1 partly complete, 2 complete, "
                "3 not expected) and whether the person counts as complete");
  cmd->add_flag("--all", options->all, "Examine also the persons already accepted");
  cmd->add_option("--set", options->sets, SetHelp())->allow_extra_args(false);
  CLI::Option* accept =
      cmd->add_option("--accept", options->accept, "Mark these persons as accepted and save the file")->excludes(codes);
  CLI::Option* dryRun = cmd->add_flag("--dry-run", options->dryRun, "With --accept: show, write nothing");
  dryRun->needs(accept);
  cmd->callback([options, accept] {
    int status = kExitOk;
    if (accept->count() != 0) {
      if (options->json || options->completeness || options->all || !options->sets.empty()) {
        PrintError("coherence", "--accept takes only --dry-run");
        throw ExitRequest{kExitUsage};
      }
      status = RunAccept(*options);
    } else {
      status = RunCheck(*options);
    }
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
