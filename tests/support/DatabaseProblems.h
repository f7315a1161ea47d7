// What every test that changes a database checks afterwards: no record
// names a removed code, every index agrees with its store, and the
// engine's own check finds nothing to renumber.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "containers/CodeList.h"
#include "database/TGDatabase.h"
#include "database/TGDatabaseTables.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGUnion.h"

namespace genvora::testing {

// The items of an array as byte strings, sorted.
inline std::vector<std::string> SortedItems(const LArray* array) {
  std::vector<std::string> items;
  if (array == nullptr) return items;
  for (int i = 1; i <= static_cast<int>(array->GetCount()); ++i) {
    const auto* p = static_cast<const char*>(array->GetItemPtr(i));
    items.emplace_back(p, p + array->GetItemSize(i));
  }
  std::sort(items.begin(), items.end());
  return items;
}

// Every reference to a removed code, and every index that a rebuild from
// its store would change; empty when the database is sound.
inline std::vector<std::string> DatabaseProblems(TGDatabase& db, const std::set<CodeID>& removed) {
  std::vector<std::string> out;
  TGDatabaseTables& t = db.Tables();
  auto check = [&](const char* what, CodeID holder, CodeID named) {
    if (named != 0 && removed.count(named) != 0)
      out.push_back(std::string(what) + " " + std::to_string(holder) + " names " + std::to_string(named));
  };
  for (CodeID code : removed) {
    if (db.EstIndividu(code) || db.EstUnion(code) || db.EstEvenement(code)) check("store", code, code);
    if (t.notes->HasNote(code)) check("note", code, code);
    if (t.indiMarques->EstMarque(code)) check("marked", code, code);
  }
  for (CodeID code : CodesOf(t.individus)) {
    TGIndividu i;
    EXPECT_TRUE(i.LitDans(code, t.individus));
    check("individual", code, i.GetCodePere());
    check("individual", code, i.GetCodeMere());
  }
  for (CodeID code : CodesOf(t.unions)) {
    TGUnion u;
    EXPECT_TRUE(u.LitDans(code, t.unions));
    check("union", code, u.GetEpoux());
    check("union", code, u.GetEpouse());
  }
  for (CodeID code : CodesOf(t.evenements)) {
    TGEvenement e;
    EXPECT_TRUE(e.LitDans(code, t.evenements));
    check("event", code, e.GetProprietaire());
  }
  for (CodeID code : CodesOf(t.MediaLiens())) {
    TGLienMedia l;
    EXPECT_TRUE(t.MediaLiens()->FetchData(code, &l));
    check("media link", code, l.GetXREFCible());
  }
  for (CodeID code : CodesOf(t.liens)) {
    TGLien l;
    EXPECT_TRUE(l.LitDans(code, t.liens));
    check("link", code, l.GetLienDe());
    check("link", code, l.GetLienVers());
  }
  // Indexes: what they hold now against what a rebuild makes.
  struct Index {
    const char* name;
    const LArray* array;
  };
  const std::vector<Index> indexes = {
      {"alpha", t.individus->GetIndexAlpha()}, {"alphaR", t.individus->GetIndexAlphaR()},
      {"quick list", t.QuickList()},           {"quick list children", t.QuickList()->GetChilds()},
      {"events", t.evenements->GetIndex()},    {"husbands", t.unions->GetIndexHusb()},
      {"wives", t.unions->GetIndexSpouse()},   {"links to", t.liens->GetIndexVers()},
      {"links from", t.liens->GetIndexDe()}};
  std::vector<std::vector<std::string>> before;
  for (const Index& index : indexes) before.push_back(SortedItems(index.array));
  t.individus->Reindex();
  t.evenements->ReIndex();
  t.unions->ReIndex();
  t.liens->ReIndex();
  for (std::size_t k = 0; k < indexes.size(); ++k)
    if (SortedItems(indexes[k].array) != before[k]) out.push_back(std::string("index ") + indexes[k].name + " out of step");
  // The engine's own check: it renumbers colliding media, and none may.
  const CodeID last = db.Header.GetLastCodeID();
  db.CheckDatabase();
  if (db.Header.GetLastCodeID() != last) out.push_back("CheckDatabase renumbered a collision");
  return out;
}

}  // namespace genvora::testing
