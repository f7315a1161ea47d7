// What genvora ancestors and genvora descendants share: the working list a
// basket operation builds for one person, printed one person a line.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "platform/Types.h"

namespace genvora::cli {

struct KinshipListOptions {
  std::string path;
  CodeID code = 0;
  bool conjoints = false;  // the basket option "include spouses"
  bool temoins = false;    // the basket option "include witnesses"
  std::string numbering;   // descendants only: "pelissier" or "aboville"; empty: the basket's list
  bool json = false;       // with numbering: a JSON list
};

enum class KinshipWalk { Ancestors, Descendants };

// Opens the file read-only, builds the list and prints it; the exit status.
int RunKinshipList(const KinshipListOptions& options, KinshipWalk walk);

// genvora descendants --numbering: the numbered descendants of the person;
// the exit status.
int RunDescendantsNumbering(const KinshipListOptions& options);

// Registers `name` with the options of a kinship list.
void RegisterKinshipListCommand(CLI::App& app, const char* name, const char* description, KinshipWalk walk);

}  // namespace genvora::cli
