// Writes a database's tables in the layout of any generation, older ones
// included: what builds test fixtures, the fuzz corpus and the demo files
// of older releases. The engine itself only ever saves the current layout
// (TGDatabase::FichierFermer).
//
// Generations and what their files hold, in order:
//
//   extension        | header                 | dictionaries        | then
//   -----------------+------------------------+---------------------+-------------------------
//   .GV5, .GV7       | block A alone          | inside the tables   | nothing
//   .GV8             | block A alone          | inside the tables   | redaction table
//   .GV9 .G10 .G11   | block A alone          | inside the tables   | redaction, level 6, sections
//   .G12             | block A alone          | sections above 15   | redaction, level 16, sections
//   current          | "GENVORA" chunk, A + B | sections above 15   | redaction, level 22, sections
//
// A legacy block A carries the DatabaseVersion of its extension (the reader
// takes it from the name anyway).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/TGDatabase.h"
#include "platform/Types.h"

namespace genvora {

enum class Generation { GV5, GV7, GV8, GV9, G10, G11, G12, Current };

// ".GV5" ... ".G12"; ".genvora" for the current layout.
const char* ExtensionOf(Generation generation);
// Every generation, oldest first.
const std::vector<Generation>& AllGenerations();

struct LegacyWriteOptions {
  // Another extension level than the generation's (damaged variants).
  std::optional<std::int32_t> level;
  // Write a header that asks for a verification.
  bool requestVerification = false;
};

// Where each section begins in the written file (damage tests aim at them).
struct WrittenSection {
  std::string name;
  std::int64_t offset;
};

// Writes `db`'s tables as `generation` into `path` (created or truncated).
// The database itself is not changed. False when a write failed.
bool EcritGeneration(const TGDatabase& db, const AnsiString& path, Generation generation,
                     const LegacyWriteOptions& options = {}, std::vector<WrittenSection>* sections = nullptr);

}  // namespace genvora
