// Records that cannot be decoded, inside tables whose indexes read records
// to order them: the table's own upkeep (keys, comparators, index removal)
// never changes the table, so damage can neither loop nor vanish.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "database/LegacyWriter.h"
#include "support/SampleFamily.h"
#include "database/TGDatabase.h"
#include "records/TGIndividu.h"
#include "records/TGLieu.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "tests/support/DatabaseFixtures.h"

namespace genvora {
namespace {

using testing::DatabaseSandbox;

CodeID FirstCode(const LXArray& store) {
  std::uint32_t pair[2] = {0, 0};
  store.GetCodeList()->FetchItemAt(1, pair);
  return pair[0];
}

struct DamageCase {
  const char* table;
  std::function<LXArray*(TGDatabaseTables&)> store;
  // Writes a sound new record through the table, so that its indexes
  // compare it with the damaged one.
  std::function<void(TGDatabase&)> writeNew;
  std::function<void(TGDatabaseTables&)> reindex;
};

const DamageCase kCases[] = {
    {"individuals", [](TGDatabaseTables& t) -> LXArray* { return t.individus; },
     [](TGDatabase& db) {
       TGIndividu indi;
       indi.SetCodeID(db.GetNextID());
       indi.SetChar(5, "Zo\xE9");
       db.Tables().individus->EcritData(&indi);
     },
     [](TGDatabaseTables& t) { t.individus->Reindex(); }},
    {"unions", [](TGDatabaseTables& t) -> LXArray* { return t.unions; },
     [](TGDatabase& db) {
       TGUnion uni;
       uni.SetCodeID(db.GetNextID());
       uni.SetEpoux(FirstCode(*db.Tables().individus));
       db.Tables().unions->EcritData(&uni);
     },
     [](TGDatabaseTables& t) { t.unions->ReIndex(); }},
    {"places", [](TGDatabaseTables& t) -> LXArray* { return t.dicoLieux; },
     [](TGDatabase& db) {
       TGLieu lieu;
       lieu.SetCodeID(db.GetNextID());
       lieu.SetText(TGLieu::kVille, "Ajaccio");
       db.Tables().dicoLieux->EcritData(&lieu);
     },
     [](TGDatabaseTables& t) { t.dicoLieux->ReIndex(); }},
    {"surnames", [](TGDatabaseTables& t) -> LXArray* { return t.dicoNoms; },
     [](TGDatabase& db) {
       TGNom nom;
       nom.SetCodeID(db.GetNextID());
       nom.SetNom("Abadie");
       db.Tables().dicoNoms->EcritData(&nom);
     },
     [](TGDatabaseTables& t) { t.dicoNoms->ReIndex(); }},
};

TEST(DamagedRecords, TableUpkeepAroundAnUndecodableRecordNeitherLoopsNorLosesIt) {
  DatabaseSandbox box;
  for (const DamageCase& c : kCases) {
    SCOPED_TRACE(c.table);
    TGDatabase db;
    FillSampleFamily(db);
    LXArray* store = c.store(db.Tables());
    const unsigned before = store->GetCodeList()->GetCount();
    const CodeID victim = FirstCode(*store);
    // Shorter than any record's base fields, laid in behind the indexes'
    // back as a damaged file gives it.
    store->LXArray::EcritData(victim, "\x01\x02\x03", 3);

    c.writeNew(db);
    c.reindex(db.Tables());
    c.writeNew(db);
    EXPECT_EQ(store->GetCodeList()->GetCount(), before + 2) << "the damaged entry is still there";
    EXPECT_EQ(store->FetchData(victim, nullptr, 0), 3u);

    // The repair removes it, outside any walk; the indexes follow.
    store->DeleteData(victim);
    EXPECT_EQ(store->GetCodeList()->GetCount(), before + 1);
    c.writeNew(db);

    // The same damage read from files of two generations: opening, the
    // upgrades and the index rebuilds read every record.
    TGDatabase damaged;
    FillSampleFamily(damaged);
    c.store(damaged.Tables())->LXArray::EcritData(victim, "\x01\x02\x03", 3);
    for (Generation g : {Generation::G11, Generation::Current}) {
      const std::string path = box.Path(std::string("damaged-") + c.table) + ExtensionOf(g);
      ASSERT_TRUE(EcritGeneration(damaged, path, g));
      TGDatabase reopened;
      reopened.ReadOnly = true;
      reopened.AssigneNomDeFichier(path);
      if (reopened.FichierOuvrir()) {
        reopened.ReloadLastID();
        reopened.CheckDatabase();
        c.writeNew(reopened);
      } else {
        EXPECT_FALSE(reopened.LastReason().empty());
      }
    }
  }
}

}  // namespace
}  // namespace genvora
