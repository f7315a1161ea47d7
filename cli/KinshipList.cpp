// genvora ancestors / genvora descendants: the list that putting a person's
// ancestors (or descendants) into the basket gathers, in the order it is
// built: the walk's persons (ancestors depth-first, the father's line
// first; or descendants depth-first, each person's spouses after its
// children), then the person, then the spouses and witnesses the basket
// options add. One line each: CODE<TAB>FIRST NAMES<TAB>SURNAME, in UTF-8.
//
// The file is opened read-only: nothing is written, no history is kept and
// the list of files in use is left alone; the basket lives with the open
// database only.
#include "cli/KinshipList.h"

#include <cstdio>
#include <memory>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "computations/TGDatabaseParenteSource.h"
#include "platform/Encoding.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"

namespace genvora::cli {

namespace {

void PrintPerson(TGDatabase& db, CodeID code) {
  std::string prenoms, nom;
  TGIndividu individu;
  if (individu.LitDans(code, db.Tables().individus)) {
    prenoms = AnsiToUtf8(individu.GetChar(5));
    TGNom surname;
    if (individu.GetCodeNom() != 0 && surname.LitDans(individu.GetCodeNom(), db.Tables().dicoNoms))
      nom = AnsiToUtf8(surname.GetNom());
  }
  std::printf("%u\t%s\t%s\n", code, prenoms.c_str(), nom.c_str());
}

}  // namespace

int RunKinshipList(const KinshipListOptions& o, KinshipWalk walk) {
  std::string reason;
  std::unique_ptr<TGDatabase> db = OpenForReading(o.path, false, reason);
  if (db == nullptr) {
    PrintFailure(o.path, reason);
    return kExitFailure;
  }
  if (!db->EstIndividu(o.code)) {
    PrintFailure(o.path, "no individual " + std::to_string(o.code));
    return kExitFailure;
  }
  // The confirmation of the basket is answered OK without a word.
  ToolHost host;
  TGDatabaseParente kinship(*db);
  TPanierOptions options{o.conjoints, o.temoins};
  kinship->SetPanierOptions(&options);

  // The steps of AjouterAscendanceAuPanier / AjouterDescendanceAuPanier,
  // with the working list kept to be printed.
  LArray list(4, nullptr, false);
  if (walk == KinshipWalk::Ancestors)
    kinship->AjouterAscendance(o.code, &list, -1);
  else
    kinship->AjouterDescendance(o.code, &list, -1);
  if (list.FetchIndexOf(&o.code, sizeof o.code) == 0) list.AddItem(&o.code, sizeof o.code);
  kinship->AjouterListeAuPanier(&list);

  for (int i = 1; i <= static_cast<int>(list.GetCount()); ++i) {
    CodeID code = 0;
    if (list.FetchItemAt(i, &code)) PrintPerson(*db, code);
  }
  return kExitOk;
}

void RegisterKinshipListCommand(CLI::App& app, const char* name, const char* description, KinshipWalk walk) {
  auto options = std::make_shared<KinshipListOptions>();
  CLI::App* cmd = app.add_subcommand(name, description);
  cmd->add_option("FILE", options->path, "The database file")->required();
  cmd->add_option("CODE", options->code, "Code of the person")->required();
  cmd->add_flag("--spouses", options->conjoints, "Also list the spouses of every person listed");
  cmd->add_flag("--witnesses", options->temoins, "Also list the witnesses and linked persons of every person listed");
  if (walk == KinshipWalk::Descendants) {
    CLI::Option* numbering =
        cmd->add_option("--numbering", options->numbering, "Number the descendants: pelissier or aboville")
            ->check(CLI::IsMember({"pelissier", "aboville"}))
            ->excludes("--spouses", "--witnesses");
    cmd->add_flag("--json", options->json, "With --numbering: a JSON list")->needs(numbering);
  }
  cmd->callback([options, walk] {
    int status = options->numbering.empty() ? RunKinshipList(*options, walk) : RunDescendantsNumbering(*options);
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
