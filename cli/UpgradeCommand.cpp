// genvora upgrade IN OUT: opens a database of any generation without writing
// to it, upgrades it in memory and saves it as OUT in the current layout.
// Whatever the upgrades copy (media) goes beside OUT, never beside IN.
#include <filesystem>
#include <iostream>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"

namespace genvora::cli {

namespace {

std::string PlanText(const TGDatabase::UpgradePlan& p) {
  std::string out;
  if (p.g12) out += " G12";
  if (p.g13) out += " G13";
  if (p.g14) out += " G14";
  if (p.g15) out += " G15";
  return out.empty() ? " none" : out;
}

void PrintReport(const std::string& out, const TGDatabase::UpgradeReport& r) {
  const std::pair<const char*, std::uint32_t> lines[] = {
      {"notes moved into the note table", r.notesMoved},
      {"places stored again", r.placesRestored},
      {"first names capitalised", r.firstNamesCapitalised},
      {"first names added to the dictionary", r.firstNamesAdded},
      {"first-name links", r.firstNameLinks},
      {"professions added to the dictionary", r.professionsAdded},
      {"profession links", r.professionLinks},
      {"surnames indexed", r.surnamesIndexed},
      {"media notes moved", r.mediaNotesMoved},
      {"main media set", r.mainMediaSet},
      {"notes rewritten", r.notesRewritten},
      {"notes without owner deleted", r.notesDeleted},
      {"sources converted", r.documentsConverted},
      {"surnames detached from themselves", r.surnamesDetached},
      {"links converted", r.linksConverted},
      {"union types converted", r.unionTypesConverted},
      {"thumbnails rebuilt", r.thumbnailsRebuilt},
      {"unreadable records removed", r.recordsRemoved},
      {"media copied beside the output", r.mediaCopied},
      {"thumbnails written as pictures", r.thumbnailsWritten},
      {"media that could not be copied", r.mediaFailed},
  };
  for (const auto& [what, count] : lines)
    if (count != 0) std::printf("%s: upgrade: %s: %u\n", out.c_str(), what, count);
  if (r.guidRenewed) std::printf("%s: upgrade: new file GUID\n", out.c_str());
}

}  // namespace

int UpgradeFile(const std::string& in, const std::string& out, bool quiet) {
  std::error_code ec;
  if (std::filesystem::exists(out, ec) && std::filesystem::equivalent(in, out, ec)) {
    PrintFailure(out, "the output must be another file than the input");
    return kExitFailure;
  }
  std::string reason;
  std::unique_ptr<TGDatabase> db = OpenForReading(in, false, reason);
  if (!db) {
    PrintFailure(in, reason);
    return kExitFailure;
  }
  ToolHost host;
  // The open queued the media work; the save does it beside OUT.
  std::filesystem::path outDir = std::filesystem::absolute(out).parent_path();
  db->SetDatabaseDir(outDir.string() + "/");
  if (!db->FichierEnregistrerSous(out, false)) {
    PrintFailure(out, db->LastReason().empty() ? "the file cannot be written" : db->LastReason());
    return kExitFailure;
  }
  if (!quiet) {
    std::printf("%s: read as %s (extension level %d), upgrades:%s\n", in.c_str(),
                db->LastReader() == TGDatabase::Reader::Base ? "base tables"
                : db->LastReader() == TGDatabase::Reader::V8 ? "base and redaction tables"
                                                             : "complete layout",
                db->ExtensionLevel(), PlanText(db->LastUpgradePlan()).c_str());
    std::printf("%s: saved in the current layout: %u individuals, %u unions, %u links, %u surnames, %u places\n",
                out.c_str(), db->Tables().individus->GetCount(), db->Tables().unions->GetCount(),
                db->Tables().liens->GetCount(), db->Tables().dicoNoms->GetCount(), db->Tables().dicoLieux->GetCount());
    PrintReport(out, db->LastUpgradeReport());
  }
  return kExitOk;
}

void RegisterUpgradeCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("upgrade", "Open a database of any generation and save it in the current layout");
  static std::string in;
  static std::string out;
  cmd->add_option("IN", in, "The database to read (never written)")->required();
  cmd->add_option("OUT", out, "The file to write in the current layout")->required();
  cmd->callback([] {
    int status = UpgradeFile(in, out, false);
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
