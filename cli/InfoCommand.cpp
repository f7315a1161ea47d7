// genvora info: what this build of the engine is and where it runs; given a
// database file, what its file header says.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"
#include "database/FileFormat.h"
#include "database/LireEntete.h"
#include "database/TGHeader.h"
#include "platform/Encoding.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/Resources.h"
#include "platform/System.h"

namespace genvora::cli {

namespace {

nlohmann::json HeaderJson(const TGHeader& header) {
  nlohmann::json fields = nlohmann::json::array();
  for (int i = 0; i < TGHeader::kUserFieldCount; ++i) {
    fields.push_back({{"caption", AnsiToUtf8(header.GetUserFieldCaption(i))},
                      {"gedcom_tag", AnsiToUtf8(header.GetUserFieldTagGedcom(i))}});
  }
  return nlohmann::json{
      {"database_version", header.GetDatabaseVersion()},
      {"program_text", AnsiToUtf8(header.GetProgramText())},
      {"version_text", AnsiToUtf8(header.GetVersionText())},
      {"verification_state", header.GetVerificationState()},
      {"needs_verification", header.FichierAVerifier()},
      {"individuals_at_save", header.GetNombreIndividus()},
      {"media_level", header.GetMediaLevel()},
      {"save_count", header.GetNumeroEnregistrement()},
      {"file_number", header.GetNumeroFichier()},
      {"last_code_id", header.GetLastCodeID()},
      {"de_cujus", header.GetDeCujus()},
      {"guid", AnsiToUtf8(header.GetFileGUID())},
      {"legacy_header", header.IsLegacy()},
      {"user_fields", fields},
  };
}

void PrintHuman(const std::string& path, const nlohmann::json& j) {
  std::printf("%-20s %s\n", "file", path.c_str());
  for (const char* key : {"database_version", "program_text", "version_text", "verification_state",
                          "needs_verification", "individuals_at_save", "media_level", "save_count", "file_number",
                          "last_code_id", "de_cujus", "guid", "legacy_header", "extension_level"}) {
    const auto& v = j[key];
    std::string text = v.is_string() ? v.get<std::string>() : v.dump();
    std::printf("%-20s %s\n", key, text.c_str());
  }
  const auto& fields = j["user_fields"];
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string caption = fields[i]["caption"].get<std::string>();
    const std::string tag = fields[i]["gedcom_tag"].get<std::string>();
    if (caption.empty() && tag.empty()) continue;
    std::string label = "user_field " + std::to_string(i);
    std::printf("%-20s %s\t%s\n", label.c_str(), caption.c_str(), tag.c_str());
  }
  if (j["tables"].is_object()) {
    for (const auto& [name, count] : j["tables"].items()) {
      if (count.get<unsigned>() == 0) continue;
      std::printf("%-20s %s %s\n", "table", name.c_str(), count.dump().c_str());
    }
  } else if (j.contains("tables_error")) {
    std::printf("%-20s %s\n", "tables", j["tables_error"].get<std::string>().c_str());
  }
}

int ShowHeader(const std::string& path, bool json) {
  std::string reason;
  if (!IsFileToRead(path, reason)) {
    PrintFailure(path, reason);
    return kExitFailure;
  }
  if (GetGenvoraFileFormat(path) == kFileFormatSqlite) {
    PrintFailure(path, kSqliteRefusal);
    return kExitFailure;
  }
  TGHeader header;
  bool open = false;
  if (!LireEntete(path, header, open, &reason)) {
    PrintFailure(path, reason);
    return kExitFailure;
  }
  nlohmann::json j = HeaderJson(header);
  // The tables: a forced, read-only open, so that a header asking for a
  // verification still shows what the file holds.
  std::string tablesReason;
  if (std::unique_ptr<TGDatabase> db = OpenForReading(path, true, tablesReason)) {
    j["extension_level"] = db->ExtensionLevel();
    j["tables"] = TablesJson(*db);
    if (!db->Dropped().empty()) {
      nlohmann::json dropped = nlohmann::json::array();
      for (const std::string& part : db->Dropped()) dropped.push_back(EngineText(part));
      j["dropped"] = dropped;
    }
  } else {
    j["extension_level"] = nullptr;
    j["tables"] = nullptr;
    j["tables_error"] = EngineText(tablesReason);
  }
  if (json) {
    std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  } else {
    PrintHuman(path, j);
  }
  return kExitOk;
}

}  // namespace

void RegisterInfoCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "info", "Print the engine version, the language in force and this machine's identifier, or a file's header");
  static std::string file;
  static bool json = false;
  cmd->add_option("FILE", file, "A database file whose header to show");
  cmd->add_flag("--json", json, "Print JSON");
  cmd->callback([] {
    if (!file.empty()) {
      int status = ShowHeader(file, json);
      if (status != kExitOk) throw ExitRequest{status};
      return;
    }
    if (json) {
      nlohmann::json j{{"engine", "0.1"},
                       {"language", LoadResStringUtf8("Loclivres.LANG")},
                       {"machine", GetMachineSerial()}};
      std::cout << j.dump(2) << "\n";
      return;
    }
    std::printf("genvora engine 0.1\n");
    std::printf("language\t%s\n", LoadResStringUtf8("Loclivres.LANG").c_str());
    std::printf("machine\t%08X\n", GetMachineSerial());
  });

  // A hidden helper for the demo: writes a small header file with the
  // engine's own writer.
  auto* make = app.add_subcommand("make-header", "");
  make->group("");
  static std::string target;
  static std::uint32_t deCujus = 0;
  make->add_option("FILE", target, "File to create")->required();
  make->add_option("--de-cujus", deCujus, "Root individual");
  make->callback([] {
    TGHeader header;
    header.InitNumeroFichierAndCounters();
    header.DemanderVerificationFichier(false);
    header.SetDeCujus(deCujus);
    header.SetLastCodeID(deCujus);
    header.SetUserFieldCaption(0, Utf8ToAnsi("Métier"));
    header.SetUserFieldTagGedcom(0, "_OCCU");
    auto f = PlatformFile::Open(target, FileMode::Create);
    if (!f || !header.EcritDans(*f) || !f->Close()) {
      PrintFailure(target, "cannot write the header");
      throw ExitRequest{kExitFailure};
    }
  });
}

}  // namespace genvora::cli
