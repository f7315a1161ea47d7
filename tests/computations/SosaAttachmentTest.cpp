// The database knows its Sosa numbering only through the interface of
// database/: a database without one still takes a new de cujus into its
// header; TGDatabaseSosa makes its maker again, bound to the new tables,
// each time _RAZ makes the tables again.
#include <gtest/gtest.h>

#include "computations/TGDatabaseSosa.h"
#include "database/TGDatabase.h"

namespace genvora {
namespace {

TEST(SosaAttachment, ADatabaseWithoutNumberingStillTakesTheDeCujus) {
  TGDatabase db;
  ASSERT_TRUE(db.SetAsNewFile());
  EXPECT_EQ(db.SosaNumbering(), nullptr);
  db.SetDeCujus(42);
  EXPECT_EQ(db.Header.GetDeCujus(), 42U);
  EXPECT_TRUE(db.FichierModifie);
}

TEST(SosaAttachment, RazMakesTheMakerAgainForTheNewTables) {
  TGDatabaseSosa db;
  EXPECT_EQ(db.SosaMaker().GetFiler(), &db);
  EXPECT_EQ(static_cast<TGSosaNumbering*>(&db.SosaMaker()), db.SosaNumbering());
  db.SosaMaker().SetDeCujus(7);
  db._RAZ();
  ASSERT_NE(db.SosaNumbering(), nullptr);
  EXPECT_EQ(db.SosaMaker().GetFiler(), &db);
  EXPECT_EQ(db.SosaMaker().GetDeCujus(), 0U) << "a new maker, not the one of the previous tables";
  EXPECT_EQ(db.SosaMaker().GetQuickList(), db.Tables().QuickList());
}

}  // namespace
}  // namespace genvora
