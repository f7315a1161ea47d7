// The synthetic family the database benchmarks save and open: built into a
// database's tables it must be a sound file of every generation, whole
// event records included, or the benchmarks would time the handling of
// damage instead of a read.
#include <gtest/gtest.h>

#include "computations/TGDatabaseSosa.h"
#include "database/LegacyWriter.h"
#include "records/TGEvenement.h"
#include "support/SyntheticFamily.h"
#include "tests/support/DatabaseFixtures.h"

namespace genvora {
namespace {

TEST(SyntheticFamily, BuiltIntoADatabaseSavesAndOpensWhole) {
  testing::DatabaseSandbox box;
  TGDatabaseSosa db;
  SyntheticFamily family(SyntheticFamilyOptions{2000, 3}, db);
  family.Build();
  ASSERT_EQ(db.Tables().individus->GetCount(), 2000U);
  ASSERT_EQ(db.Tables().evenements->GetCount(), family.EventCount());
  const auto written = testing::Contents(db);

  struct Case {
    Generation generation;
    bool upgraded;  // opened through the upgrades
  };
  for (const Case c : {Case{Generation::Current, false}, Case{Generation::GV7, true}}) {
    const std::string path = box.Path("synthetic") + ExtensionOf(c.generation);
    SCOPED_TRACE(path);
    ASSERT_TRUE(EcritGeneration(db, path, c.generation));
    TGDatabaseSosa back;
    back.ReadOnly = true;
    back.AssigneNomDeFichier(path);
    ASSERT_TRUE(back.FichierOuvrir()) << back.LastReason();
    EXPECT_TRUE(back.Dropped().empty());
    EXPECT_EQ(back.LastUpgradeReport().recordsRemoved, 0U);
    EXPECT_EQ(back.Tables().individus->GetCount(), 2000U);
    EXPECT_EQ(back.Tables().evenements->GetCount(), family.EventCount());
    if (!c.upgraded) {
      EXPECT_EQ(testing::Contents(back), written);
    }
    const LArray* codes = back.Tables().evenements->GetCodeList();
    for (int i = 1; i <= static_cast<int>(codes->GetCount()); ++i) {
      std::uint32_t pair[2] = {0, 0};
      ASSERT_TRUE(codes->FetchItemAt(i, pair));
      TGEvenement event;
      ASSERT_TRUE(event.LitDans(pair[0], back.Tables().evenements)) << "event " << pair[0];
    }
  }
}

// The same seed gives the same family, whether in tables of its own or in a
// database's.
TEST(SyntheticFamily, OneSeedOneFamily) {
  SyntheticFamily own(SyntheticFamilyOptions{3000, 9});
  own.Build();
  TGDatabaseSosa db;
  SyntheticFamily inDatabase(SyntheticFamilyOptions{3000, 9}, db);
  inDatabase.Build();
  EXPECT_EQ(own.TextesNoms(), inDatabase.TextesNoms());
  EXPECT_EQ(own.EventCount(), inDatabase.EventCount());
  EXPECT_EQ(own.Unions().GetCount(), inDatabase.Unions().GetCount());
  EXPECT_EQ(own.Individus().GetCount(), inDatabase.Individus().GetCount());
}

}  // namespace
}  // namespace genvora
