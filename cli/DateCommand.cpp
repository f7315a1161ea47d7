// genvora date: reads date texts as a user would type them and prints what
// the engine understood (display text, or every field as JSON).
//
// In text mode a text that cannot be read, or reads as a date that does not
// exist, is an error line on stderr naming it; the others are still read and
// the exit status is 1. With --json every text gets its object, and
// "decoded" and "valid" tell the same.
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/ToolText.h"
#include "dates/TGDate.h"
#include "platform/Encoding.h"

namespace genvora::cli {

namespace {

nlohmann::json Side(TGDate& date, bool side) {
  char calendar = date.GetCalendar(side);
  nlohmann::json j;
  j["calendar"] = calendar == 0 ? std::string() : std::string(1, calendar);
  j["keyword"] = date.GetKeywordIndex(side);
  j["day"] = date.GetDay(side);
  j["month"] = date.GetMonth(side);
  j["year"] = date.GetYear(side);
  j["hour"] = date.GetHour(side);
  j["minute"] = date.GetMinute(side);
  return j;
}

}  // namespace

void RegisterDateCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("date", "Read date texts and print how they are understood");
  struct Options {
    std::vector<std::string> texts;
    bool json = false;
    std::string format;
    bool gregorian = false;
  };
  auto options = std::make_shared<Options>();
  cmd->add_option("TEXT", options->texts,
                  "Date texts (\"ABT 1850\", \"BET 1850 AND 1860\", \"3 brumaire an II\"; \"vers 1850\" when French "
                  "is in force)")
      ->required();
  cmd->add_flag("--json", options->json, "Print one JSON object per text, with every field");
  cmd->add_option("--format", options->format, "Print with these format tokens (%J %MMMM %A ...), or %GED");
  cmd->add_flag("--gregorian", options->gregorian, "Show the date converted to the Gregorian calendar");
  cmd->callback([options] {
    int status = kExitOk;
    for (const std::string& utf8 : options->texts) {
      TGDate date;
      date.SetText(Utf8ToAnsi(utf8));
      // The flags and keys are read before anything that recomputes them.
      const bool decoded = date.IsDecoded();
      const bool valid = date.IsValid();
      date.SetFormat(Utf8ToAnsi(options->format));
      date.SetGregorien(options->gregorian);
      std::string display = AnsiToUtf8(date.GetText());
      if (!options->json) {
        if (!decoded || !valid) {
          std::fflush(stdout);
          PrintError("\"" + utf8 + "\"", "not a valid date");
          status = kExitFailure;
          continue;
        }
        std::printf("%s\n", display.c_str());
        continue;
      }
      TGDate gedcom;
      date.Clone(&gedcom);
      gedcom.SetFormat("%GED");
      gedcom.SetGregorien(options->gregorian);
      nlohmann::json j;
      j["text"] = utf8;
      j["decoded"] = decoded;
      j["valid"] = valid;
      j["display"] = display;
      j["gedcom"] = AnsiToUtf8(gedcom.GetText());
      j["sort_key"] = date.GetDateTriDouble(false);
      nlohmann::json first = Side(date, false);
      nlohmann::json second = Side(date, true);
      TGDate keys;
      date.Clone(&keys);
      first["minutes"] = keys.GetDateTriApp(false);
      second["minutes"] = keys.GetDateTriApp(true);
      j["first"] = first;
      j["second"] = second;
      std::printf("%s\n", j.dump().c_str());
    }
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
