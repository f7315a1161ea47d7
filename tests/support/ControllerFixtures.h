// A sound family for the file controller's tests: the sample family with
// the two things the controller would repair in it put right (its surnames
// attached to themselves, an address link joining two persons), so that a
// check of it finds nothing; and a file with one unreadable table.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/LegacyWriter.h"
#include "database/TGDatabase.h"
#include "records/TGNom.h"
#include "support/SampleFamily.h"
#include "tests/TestSupport.h"

namespace genvora::testing {

namespace sample {
// Codes of the sample family (the counter starts at 1; the order of
// FillSampleFamily).
constexpr CodeID kFontaine = 1, kLefevre = 2, kDupre = 3, kLyon = 4;
constexpr CodeID kG1 = 6, kG1w = 7, kUnionG1 = 8, kG2 = 9, kG2w = 10, kUnionG2 = 11, kG3 = 12, kG3s = 13, kG4 = 14;
constexpr CodeID kBirthG2 = 15, kBirthG4 = 17, kWitness = 18, kMediaLink = 20, kDocument = 22, kCitation = 23;
constexpr CodeID kAdresse = 24, kTache = 25, kRene = 26, kMedecin = 27;
constexpr CodeID kNobody = 999999;

}  // namespace sample

inline void SoundFamily(TGDatabase& db) {
  using namespace sample;
  FillSampleFamily(db);
  TGDatabaseTables& t = db.Tables();
  for (CodeID code : {kFontaine, kLefevre, kDupre}) {
    TGNom nom;
    ASSERT_TRUE(nom.LitDans(code, t.dicoNoms));
    nom.SetRattachement(0);
    t.dicoNoms->EcritData(&nom);
  }
  t.adresseLiens->Flush();
  t.adresseLiens->AjouteLien(kAdresse, kG2);
}

// Writes the sound family to `path` in the current layout with the block
// of the note table spoilt (its signature), so that a normal open refuses
// it and a forced one drops the note table and every later one.
inline void WriteWithUnreadableTable(const std::string& path) {
  TGDatabase db;
  SoundFamily(db);
  std::vector<WrittenSection> sections;
  ASSERT_TRUE(EcritGeneration(db, path, Generation::Current, {}, &sections));
  auto bytes = ReadAll(path);
  for (const auto& s : sections)
    if (s.name == "TableNote") bytes[static_cast<std::size_t>(s.offset)] ^= 0xFF;  // offset 0: signature C0
  WriteAll(path, bytes);
}

}  // namespace genvora::testing
