// genvora person FILE CODE: one person at a glance, read through its full
// record: names, sex, Sosa number, whether it may still be alive, its events
// in order of time, its unions in the user's order with their events and
// children, and its family circles. The file is opened read-only and
// nothing is ever written.
//
// A relative whose record cannot be read is still listed by code; it is
// named on stderr and the exit status is then 3. A person or union that
// cannot be loaded at all is the failure of its own full record.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "computations/TFullIndividu.h"
#include "computations/TFullUnion.h"
#include "containers/CodeList.h"
#include "platform/Encoding.h"
#include "platform/Exception.h"
#include "platform/Preferences.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLieu.h"
#include "records/TGNom.h"
#include "tables/TGTableDicoLieux.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableEvenements.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableNote.h"

namespace genvora::cli {

namespace {

struct Options {
  std::string path;
  CodeID code = 0;
  bool json = false;
};

struct EventLine {
  CodeID code = 0;
  unsigned type = 0;
  std::string typeName, date, place;
  bool note = false;
};

struct UnionLine {
  CodeID code = 0;
  CodeID spouse = 0;
  std::vector<EventLine> events;
  std::vector<CodeID> children;
};

// What the command prints, gathered before anything is printed.
class Report {
 public:
  Report(TGDatabase& db, const std::string& path) : db_(db), path_(path) {}

  // The display name of a person, read once; a record that cannot be read
  // is named on stderr and gets an empty name.
  const std::string& Name(CodeID code) {
    auto found = names_.find(code);
    if (found != names_.end()) return found->second;
    std::string name;
    TGIndividu individu;
    if (!db_.EstIndividu(code)) {
      Damage("individual " + std::to_string(code) + ": no such individual");
    } else if (!individu.LitDans(code, db_.Tables().individus)) {
      Damage("individual " + std::to_string(code) + ": " + individu.LastDamage());
    } else {
      TGNom nom(db_.Tables().dicoNoms->GetSplitter());
      const bool lu = nom.LitDans(individu.GetCodeNom(), db_.Tables().dicoNoms);
      if (!lu)
        Damage("individual " + std::to_string(code) + ": its surname " + std::to_string(individu.GetCodeNom()) +
               " cannot be read");
      name = AnsiToUtf8(TFullIndividu::TexteIndividu(individu, lu ? &nom : nullptr));
    }
    return names_.emplace(code, std::move(name)).first->second;
  }

  EventLine Event(CodeID code) {
    EventLine line;
    line.code = code;
    TGEvenement record;
    if (!record.LitDans(code, db_.Tables().evenements)) {
      Damage("event " + std::to_string(code) + ": " + record.LastDamage());
      return line;
    }
    line.type = static_cast<unsigned>(record.GetType());
    line.typeName = AnsiToUtf8(record.GetTypeStr());
    line.date = AnsiToUtf8(record.GetDate()->GetText());
    if (record.GetDicoLieu() != 0) {
      TGLieu lieu;
      if (lieu.LitDans(record.GetDicoLieu(), db_.Tables().dicoLieux)) line.place = AnsiToUtf8(lieu.GetText());
    }
    line.note = db_.Tables().notes->HasNote(code);
    return line;
  }

  void Damage(const std::string& what) {
    PrintFailure(path_, what);
    damaged_ = true;
  }
  bool Damaged() const { return damaged_; }
  const std::map<CodeID, std::string>& Names() const { return names_; }

 private:
  TGDatabase& db_;
  const std::string& path_;
  std::map<CodeID, std::string> names_;
  bool damaged_ = false;
};

struct Circle {
  const char* key;    // JSON
  const char* title;  // text
  int (*gather)(TFullIndividu&, LArray*);  // null: filled apart
  std::vector<CodeID> codes;
};

nlohmann::ordered_json EventJson(const EventLine& e) {
  return {{"code", e.code}, {"type", e.type}, {"type_name", e.typeName}, {"date", e.date},
          {"place", e.place}, {"note", e.note}};
}

void PrintEvent(const EventLine& e, const char* indent) {
  std::printf("%s%s\t%s\t%s%s\n", indent, e.typeName.c_str(), e.date.c_str(), e.place.c_str(),
              e.note ? "\tnote" : "");
}

int Run(const Options& o) {
  std::unique_ptr<TGDatabaseSosa> db = OpenPersonForReading(o.path, o.code);
  if (db == nullptr) return kExitFailure;
  ToolHost host;
  // The thresholds of a fresh installation; the per-user store is not read.
  TPreferenceGenvora5 prefs("");
  Report report(*db, o.path);

  TFullIndividu person;
  person.Prefs = &prefs;
  person.SortedList = true;
  person.EvenementsON = true;
  person.UnionsON = true;
  person.ConjointsON = true;
  try {
    person.SetFiler(db.get());
    person.SetCodeID(o.code);
  } catch (const std::exception& e) {
    PrintFailure(o.path, ReasonOf(e));
    return kExitFailure;
  }
  if (person.GetCodeID() != o.code) {
    PrintFailure(o.path, "individual " + std::to_string(o.code) + ": it cannot be read");
    return kExitFailure;
  }

  std::vector<EventLine> events;
  for (CodeID code : ItemsOf(*person.GetTableEvenements())) events.push_back(report.Event(code));

  std::vector<UnionLine> unions;
  for (CodeID code : ItemsOf(*person.GetTableUnions())) {
    UnionLine line;
    line.code = code;
    TFullUnion full;
    full.SortedList = true;
    full.SetFiler(db.get());
    bool told = false;
    try {
      full.SetCodeID(code);
    } catch (const std::exception& e) {
      report.Damage(ReasonOf(e));
      told = true;
      db->Tag = 0;  // the tool names each failure itself
    }
    if (full.GetCodeID() == 0) {
      // After the first failure of a file, loads fail silently.
      if (!told) report.Damage("union " + std::to_string(code) + ": it cannot be read");
      unions.push_back(std::move(line));
      continue;
    }
    line.spouse = full.LeConjoint(o.code);
    for (CodeID event : ItemsOf(*full.GetTableEvenements())) line.events.push_back(report.Event(event));
    line.children = ItemsOf(*full.GetTableEnfants());
    unions.push_back(std::move(line));
  }

  std::vector<Circle> circles = {
      {"parents", "parents", [](TFullIndividu& p, LArray* l) { return p.Parents(l); }},
      {"grandparents", "grandparents", [](TFullIndividu& p, LArray* l) { return p.GrandsParents(l); }},
      {"parents_in_law", "parents-in-law", [](TFullIndividu& p, LArray* l) { return p.BeauxParents(l); }},
      {"siblings", "brothers and sisters", [](TFullIndividu& p, LArray* l) { return p.FreresEtSoeurs(l); }},
      {"uncles_aunts", "uncles and aunts", [](TFullIndividu& p, LArray* l) { return p.OnclesEtTantes(l); }},
      {"nephews_nieces", "nephews and nieces", [](TFullIndividu& p, LArray* l) { return p.NeveuxEtNieces(l); }},
      {"cousins", "cousins", [](TFullIndividu& p, LArray* l) { return p.CousinsEtCousines(l); }},
      {"grandchildren", "grandchildren", [](TFullIndividu& p, LArray* l) { return p.PetitsEnfants(l); }},
      {"children", "children", nullptr},
      {"children_spouses", "spouses of the children", nullptr}};
  LArray list(4, nullptr, false), spouses(4, nullptr, false);
  for (Circle& c : circles) {
    if (c.gather == nullptr) continue;
    c.gather(person, &list);
    c.codes = ItemsOf(list);
  }
  // The children alone, then their spouses.
  person.EnfantsConjoint(&list, true, &spouses);
  circles[9].codes = ItemsOf(spouses);
  for (CodeID code : ItemsOf(list)) {
    if (spouses.FetchIndexOf(&code, sizeof code) == 0) circles[8].codes.push_back(code);
  }

  const std::string name = AnsiToUtf8(person.GetText());
  const TGIndividu& individu = person.Individu();
  const char* sex = individu.GetFeminin() ? "female" : individu.GetMasculin() ? "male" : "unknown";
  const std::optional<TV5Sosa>& sosa = person.GetSosa();
  const bool alive = person.EstVivant();

  // Every person named gets its name, in the order of the code.
  report.Name(o.code);
  for (const UnionLine& u : unions) {
    if (u.spouse != 0) report.Name(u.spouse);
    for (CodeID child : u.children) report.Name(child);
  }
  for (const Circle& c : circles)
    for (CodeID code : c.codes) report.Name(code);

  if (o.json) {
    nlohmann::ordered_json out;
    out["code"] = o.code;
    out["name"] = name;
    out["sex"] = sex;
    out["sosa"] = sosa.has_value() ? nlohmann::ordered_json(AnsiToUtf8(sosa->GetText())) : nlohmann::ordered_json();
    out["alive"] = alive;
    out["events"] = nlohmann::ordered_json::array();
    for (const EventLine& e : events) out["events"].push_back(EventJson(e));
    out["unions"] = nlohmann::ordered_json::array();
    for (const UnionLine& u : unions) {
      nlohmann::ordered_json ue = nlohmann::ordered_json::array();
      for (const EventLine& e : u.events) ue.push_back(e.code);
      out["unions"].push_back({{"code", u.code}, {"spouse", u.spouse}, {"events", ue}, {"children", u.children}});
    }
    for (const Circle& c : circles) out[c.key] = c.codes;
    nlohmann::ordered_json names = nlohmann::ordered_json::object();
    for (const auto& [code, text] : report.Names()) names[std::to_string(code)] = text;
    out["names"] = names;
    std::printf("%s\n", out.dump(2).c_str());
  } else {
    std::printf("%u\t%s\n", o.code, name.c_str());
    std::printf("sex\t%s\n", sex);
    std::printf("sosa\t%s\n", sosa.has_value() ? AnsiToUtf8(sosa->GetText()).c_str() : "");
    std::printf("alive\t%s\n", alive ? "yes" : "no");
    std::printf("events\n");
    for (const EventLine& e : events) PrintEvent(e, "\t");
    std::printf("unions\n");
    for (const UnionLine& u : unions) {
      std::printf("\t%u\t%u\t%s\n", u.code, u.spouse, u.spouse != 0 ? report.Name(u.spouse).c_str() : "");
      for (const EventLine& e : u.events) PrintEvent(e, "\t\t");
      for (CodeID child : u.children) std::printf("\t\tchild\t%u\t%s\n", child, report.Name(child).c_str());
    }
    for (const Circle& c : circles) {
      std::printf("%s\n", c.title);
      for (CodeID code : c.codes) std::printf("\t%u\t%s\n", code, report.Name(code).c_str());
    }
  }
  return report.Damaged() ? kExitFindings : kExitOk;
}

}  // namespace

void RegisterPersonCommand(CLI::App& app) {
  auto options = std::make_shared<Options>();
  CLI::App* cmd = app.add_subcommand(
      "person", "Show one person: names, events in order, unions, children and the family circles");
  cmd->add_option("FILE", options->path, "The database file")->required();
  cmd->add_option("CODE", options->code, "Code of the person")->required();
  cmd->add_flag("--json", options->json, "Print one JSON object");
  cmd->callback([options] {
    int status = Run(*options);
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
