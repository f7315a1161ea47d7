// genvora descendants FILE CODE: the descendants of a person and their
// spouses, as the basket gathers them (cli/KinshipList.cpp).
//
// With --numbering pelissier|aboville: the descendants numbered for a
// descendancy chart, one line each in the order the numbering reached them,
// the person first with an empty number:
// NUMBER<TAB>GENERATION<TAB>CODE<TAB>FIRST NAMES<TAB>SURNAME<TAB>IMPLEX, the
// last column "*" for a person reached through more than one parent. With
// --json a list of {number, generation, code, implex}. The file is opened
// read-only.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "cli/KinshipList.h"
#include "computations/TGDatabaseParenteSource.h"
#include "computations/TV5PelisserMakers.h"
#include "platform/Encoding.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"

namespace genvora::cli {

int RunDescendantsNumbering(const KinshipListOptions& o) {
  std::unique_ptr<TGDatabaseSosa> db = OpenPersonForReading(o.path, o.code);
  if (db == nullptr) return kExitFailure;
  ToolHost host;
  TGDatabaseParente kinship(*db);
  TV5PelisserMakers maker(kinship.Parente(), kinship.Source());
  maker.SetNumerotation(o.numbering == "pelissier" ? ndPelissier : ndDAboville);
  maker.SetPivot(o.code);

  nlohmann::ordered_json out = nlohmann::ordered_json::array();
  for (bool more = maker.Restart(); more; more = maker.Next()) {
    const TV5Pelissiers& record = maker.Current();
    const std::string number = AnsiToUtf8(record.GetTexte());
    const CodeID code = record.GetCodeID();
    if (o.json) {
      out.push_back({{"number", number},
                     {"generation", record.GetGeneration()},
                     {"code", code},
                     {"implex", record.GetMultiple()}});
      continue;
    }
    std::string prenoms, nom;
    TGIndividu individu;
    if (individu.LitDans(code, db->Tables().individus)) {
      prenoms = AnsiToUtf8(individu.GetChar(5));
      TGNom surname;
      if (individu.GetCodeNom() != 0 && surname.LitDans(individu.GetCodeNom(), db->Tables().dicoNoms))
        nom = AnsiToUtf8(surname.GetNom());
    }
    std::printf("%s\t%d\t%u\t%s\t%s\t%s\n", number.c_str(), record.GetGeneration(), code, prenoms.c_str(), nom.c_str(),
                record.GetMultiple() ? "*" : "");
  }
  if (o.json) std::printf("%s\n", out.dump(2).c_str());
  return kExitOk;
}

void RegisterDescendantsCommand(CLI::App& app) {
  RegisterKinshipListCommand(app, "descendants",
                             "List the descendants of a person and their spouses, then the person",
                             KinshipWalk::Descendants);
}

}  // namespace genvora::cli
