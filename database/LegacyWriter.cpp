// Writes a database's tables in the layout of any generation.
#include "database/LegacyWriter.h"

#include <cstring>

#include "database/TGDatabaseTables.h"

namespace genvora {

const char* ExtensionOf(Generation generation) {
  switch (generation) {
    case Generation::GV5: return ".GV5";
    case Generation::GV7: return ".GV7";
    case Generation::GV8: return ".GV8";
    case Generation::GV9: return ".GV9";
    case Generation::G10: return ".G10";
    case Generation::G11: return ".G11";
    case Generation::G12: return ".G12";
    case Generation::Current: return ".genvora";
  }
  return ".genvora";
}

const std::vector<Generation>& AllGenerations() {
  static const std::vector<Generation> all = {Generation::GV5, Generation::GV7, Generation::GV8, Generation::GV9,
                                              Generation::G10, Generation::G11, Generation::G12, Generation::Current};
  return all;
}

namespace {

bool WriteLevel(FileHandle& file, std::int32_t level) {
  auto u = static_cast<std::uint32_t>(level);
  unsigned char bytes[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                            static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
  return file.Write(bytes, 4);
}

}  // namespace

bool EcritGeneration(const TGDatabase& db, const AnsiString& path, Generation generation,
                     const LegacyWriteOptions& options, std::vector<WrittenSection>* sections) {
  std::unique_ptr<PlatformFile> file = PlatformFile::Open(path, FileMode::Create);
  if (!file) return false;
  const TGDatabaseTables& t = db.Tables();
  auto mark = [&](const char* name) {
    if (sections != nullptr) sections->push_back({name, file->Position()});
  };

  TGHeader header = db.Header;
  header.DemanderVerificationFichier(options.requestVerification);
  header.SetNombreIndividus(static_cast<std::int32_t>(t.individus->GetCount()));
  mark("header");
  std::int32_t version = TGHeader::kCurrentDatabaseVersion;
  if (generation == Generation::Current) {
    if (!header.EcritDans(*file)) return false;
  } else {
    version = LegacyDatabaseVersionOfExtension(ExtensionOf(generation));
    auto blockA = header.BlockA();
    auto v = static_cast<std::uint32_t>(version);
    for (int i = 0; i < 4; ++i) blockA[TGHeader::kOffDatabaseVersion + i] = static_cast<unsigned char>(v >> (8 * i));
    if (!file->Write(blockA.data(), blockA.size())) return false;
  }
  const bool inside = version < TGDatabase::kDictionariesInTablesBelow;

  std::int32_t level = 0;
  bool redaction = true;
  switch (generation) {
    case Generation::GV5:
    case Generation::GV7: redaction = false; break;
    case Generation::GV8: break;
    case Generation::GV9:
    case Generation::G10:
    case Generation::G11: level = 6; break;
    case Generation::G12: level = 16; break;
    case Generation::Current: level = TGDatabase::kExtensionLevel; break;
  }
  if (options.level) level = *options.level;
  const bool hasLevel = generation >= Generation::GV9;

  for (const TGDatabaseTables::Section& section : t.Sections()) {
    if (section.array == t.redaction && !redaction) break;
    if (section.minLevel >= 1) {
      if (!hasLevel) break;
      if (section.array == t.ordreEnfants) {
        mark("level");
        if (!WriteLevel(*file, level)) return false;
      }
      if (level <= section.minLevel) continue;
      // Level 8 files end their sections with the notes.
      if (level == TGDatabase::kRefusedExtensionLevel && section.minLevel > 6) break;
    }
    mark(section.name);
    bool ok = true;
    if (inside && section.array == t.individus) {
      // The dictionary goes inside its owner's block, in the legacy slot.
      t.individus->SetDatabaseVersion(version);
      ok = section.array->EcritDans(file.get());
      t.individus->SetDatabaseVersion(TGHeader::kCurrentDatabaseVersion);
    } else if (inside && section.array == t.evenements) {
      t.evenements->SetDatabaseVersion(version);
      ok = section.array->EcritDans(file.get());
      t.evenements->SetDatabaseVersion(TGHeader::kCurrentDatabaseVersion);
    } else {
      ok = section.array->EcritDans(file.get());
    }
    if (!ok) return false;
  }
  return file->Close();
}

}  // namespace genvora
