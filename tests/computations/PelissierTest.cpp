// The Pelissier and d'Aboville numbering of descendants over a database's
// own tables: families written through the tables, numbered by the maker,
// and the texts read back in both systems.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "computations/TGDatabaseParenteSource.h"
#include "computations/TGDatabaseSosa.h"
#include "computations/TV5PelisserMakers.h"
#include "tests/support/FamilyWriter.h"

namespace genvora {
namespace {

constexpr bool kSon = false;
constexpr bool kDaughter = true;

using Writer = testing::FamilyWriter;

// A maker over the database, with both texts of a person at hand.
struct Numbering {
  explicit Numbering(TGDatabase& db) : kinship(db), maker(kinship.Parente(), kinship.Source()) {}
  std::string Pelissier(CodeID code) { return GetNumDAbovillePelissier(&maker, 1, code); }
  std::string Aboville(CodeID code) { return GetNumDAbovillePelissier(&maker, 2, code); }
  TV5Pelissiers Record(CodeID code) {
    TV5Pelissiers record(&maker);
    EXPECT_TRUE(maker.Charge(code, &record)) << code;
    return record;
  }
  std::vector<CodeID> Order() {
    std::vector<CodeID> codes;
    for (bool more = maker.Restart(); more; more = maker.Next()) codes.push_back(maker.Current().GetCodeID());
    return codes;
  }
  TGDatabaseParente kinship;
  TV5PelisserMakers maker;
};

struct TextCase {
  const char* who;
  CodeID code;
  const char* pelissier;
  const char* aboville;
  int generation;
};

void ExpectTexts(Numbering& n, const std::vector<TextCase>& cases) {
  for (const TextCase& c : cases) {
    EXPECT_EQ(n.Pelissier(c.code), c.pelissier) << c.who;
    EXPECT_EQ(n.Aboville(c.code), c.aboville) << c.who;
    EXPECT_EQ(n.Record(c.code).GetGeneration(), c.generation) << c.who;
  }
}

TEST(PelissierTest, PivotAloneHasAnEmptyNumberAndGenerationOne) {
  TGDatabaseSosa db;
  Writer w{db};
  const CodeID p = w.Person(0, 0, kSon);
  Numbering n(db);
  n.maker.SetPivot(p);
  EXPECT_EQ(n.maker.GetCount(), 1);
  ExpectTexts(n, {{"pivot", p, "", "", 1}});
  // No record, no text; Charge leaves its target alone.
  EXPECT_EQ(n.Pelissier(p + 100), "");
  EXPECT_EQ(GetNumDAbovillePelissier(&n.maker, 0, p), "");
  EXPECT_EQ(GetNumDAbovillePelissier(nullptr, 1, p), "");
  TV5Pelissiers record(&n.maker);
  record.Set(7, 8, 9, 10);
  EXPECT_FALSE(n.maker.Charge(p + 100, &record));
  EXPECT_EQ(record.GetCodeParent(), 8u);
  EXPECT_EQ(record.GetNumero(), 10);
}

// P ─ W: first son S (A, 1), who with X has C1 and a daughter C2 (Ab,
// 1.2), whose first son with Y is G (AbA, 1.2.1).
TEST(PelissierTest, OneUnionPerGenerationGivesLettersAndDottedRanks) {
  TGDatabaseSosa db;
  Writer w{db};
  const CodeID p = w.Person(0, 0, kSon), wife = w.Person(0, 0, kDaughter);
  w.Couple(p, wife);
  const CodeID s = w.Person(p, wife, kSon), x = w.Person(0, 0, kDaughter);
  w.Couple(s, x);
  const CodeID c1 = w.Person(s, x, kSon), c2 = w.Person(s, x, kDaughter), y = w.Person(0, 0, kSon);
  w.Couple(y, c2);
  const CodeID g = w.Person(y, c2, kSon);
  Numbering n(db);
  n.maker.SetPivot(p);
  ExpectTexts(n, {{"pivot", p, "", "", 1},
                  {"first son", s, "A", "1", 2},
                  {"his first child", c1, "AA", "1.1", 3},
                  {"his second child, a daughter", c2, "Ab", "1.2", 3},
                  {"her first son", g, "AbA", "1.2.1", 4}});
  EXPECT_EQ(n.Record(c2).GetNumero(), -2);
  // Records in the order they were made: a generation after another;
  // spouses are not numbered.
  EXPECT_EQ(n.Order(), (std::vector<CodeID>{p, s, c1, c2, g}));
}

// Q with W1 then W2: the first child in Q's list is a son of the second
// union, the second a daughter of the first; the third has no known
// mother. The user's order of spouses decides which union is which.
TEST(PelissierTest, ChildrenSplitBetweenUnionsCarryTheirUnion) {
  TGDatabaseSosa db;
  Writer w{db};
  const CodeID q = w.Person(0, 0, kSon), w1 = w.Person(0, 0, kDaughter), w2 = w.Person(0, 0, kDaughter);
  w.Couple(q, w1);
  w.Couple(q, w2);
  const CodeID son2 = w.Person(q, w2, kSon);
  const CodeID daughter1 = w.Person(q, w1, kDaughter);
  const CodeID alone = w.Person(q, 0, kSon);
  {
    Numbering n(db);
    n.maker.SetPivot(q);
    ExpectTexts(n, {{"son of the second union", son2, "2A", "1b", 2},
                    {"daughter of the first union", daughter1, "1b", "2a", 2},
                    {"child of Q alone", alone, "0C", "3", 2}});
    EXPECT_EQ(n.Record(alone).GetUnion(), 0);
  }
  // W2 first in the user's order of spouses: her union becomes the first.
  db.Tables().ordreConjoints->AddItem(&w2, 4);
  db.Tables().ordreConjoints->AddItem(&w1, 4);
  // The user's order of children puts Q's lone child first.
  db.Tables().ordreEnfants->AddItem(&alone, 4);
  db.Tables().ordreEnfants->AddItem(&son2, 4);
  Numbering n(db);
  n.maker.SetPivot(q);
  // The ranked children take the ranked places; the daughter keeps hers.
  ExpectTexts(n, {{"lone child, now first", alone, "0A", "1", 2},
                  {"daughter of W1, now the second union", daughter1, "2b", "2b", 2},
                  {"son of W2, now the first union", son2, "1C", "3a", 2}});
}

// G1 ─ G2 have A (son) and B (daughter); A's son F marries B's daughter M;
// their son D is reached through F first, then again through M. M has a
// second union, with Z, and a son E of it.
TEST(PelissierTest, ImplexIsNumberedOnceByTheParentThatReachedItFirst) {
  TGDatabaseSosa db;
  Writer w{db};
  const CodeID g1 = w.Person(0, 0, kSon), g2 = w.Person(0, 0, kDaughter);
  w.Couple(g1, g2);
  const CodeID a = w.Person(g1, g2, kSon), b = w.Person(g1, g2, kDaughter);
  const CodeID aw = w.Person(0, 0, kDaughter), bh = w.Person(0, 0, kSon);
  w.Couple(a, aw);
  w.Couple(bh, b);
  const CodeID f = w.Person(a, aw, kSon), m = w.Person(bh, b, kDaughter), z = w.Person(0, 0, kSon);
  w.Couple(f, m);
  w.Couple(z, m);
  const CodeID d = w.Person(f, m, kSon);
  const CodeID e = w.Person(z, m, kSon);
  Numbering n(db);
  int progress = 0, ends = 0;
  n.maker.OnProgress = [&](TV5PelisserMakers&) { ++progress; };
  n.maker.OnTermine = [&](TV5PelisserMakers&) { ++ends; };
  n.maker.SetPivot(g1);
  EXPECT_EQ(n.Order(), (std::vector<CodeID>{g1, a, b, f, m, d, e}));
  EXPECT_EQ(progress, 6);
  EXPECT_EQ(ends, 1);
  const TV5Pelissiers dRecord = n.Record(d);
  EXPECT_TRUE(dRecord.GetMultiple());
  EXPECT_EQ(dRecord.GetCodeParent(), f);
  for (CodeID once : {a, b, f, m, e}) EXPECT_FALSE(n.Record(once).GetMultiple()) << once;
  // D's union mark is F's (one union), not the rank of M's union with F:
  // M's unions split her children, but D was not numbered through her.
  ExpectTexts(n, {{"D", d, "AAA", "1.1.1", 4}, {"E", e, "ba2B", "2.1.2b", 4}});
  // The same pivot again changes nothing; the system changes only texts.
  n.maker.SetPivot(g1);
  EXPECT_EQ(progress, 6);
}

// Ranks past 26 follow the code page after "Z"; ranks past 127 stay
// themselves, never wrapping to another child's number.
TEST(PelissierTest, LargeFamiliesKeepEveryRank) {
  TGDatabaseSosa db;
  Writer w{db};
  const CodeID p = w.Person(0, 0, kSon), wife = w.Person(0, 0, kDaughter);
  w.Couple(p, wife);
  std::vector<CodeID> children;
  for (int k = 1; k <= 130; ++k) children.push_back(w.Person(p, wife, k % 2 == 0 ? kDaughter : kSon));
  Numbering n(db);
  n.maker.SetPivot(p);
  EXPECT_EQ(n.maker.GetCount(), 131);
  ExpectTexts(n, {{"26th, a daughter", children[25], "z", "26", 2},
                  {"27th, a son", children[26], "[", "27", 2},
                  {"28th, a daughter", children[27], "|", "28", 2},
                  {"129th, a son", children[128], "\xC1", "129", 2},
                  {"130th, a daughter", children[129], "\xE2", "130", 2}});
  EXPECT_EQ(n.Record(children[128]).GetNumero(), 129);
  EXPECT_EQ(n.Record(children[129]).GetNumero(), -130);
}

TEST(PelissierTest, NumToCharCoversTheCodePageThenWritesTheRank) {
  struct Case {
    std::int32_t n;
    bool lower;
    const char* text;
  } const cases[] = {
      {1, false, "A"},         {-1, true, "a"},       {-1, false, "A"},   {2, true, "B"},
      {26, false, "Z"},        {27, false, "["},      {-27, true, "{"},   {191, false, "\xFF"},
      {-159, true, "\xFF"},    {192, false, "(192)"}, {-160, true, "(-160)"},
      {-2147483647 - 1, true, "(-2147483648)"},
  };
  for (const Case& c : cases) EXPECT_EQ(TV5Pelissiers::NumToChar(c.n, c.lower), c.text) << c.n << ' ' << c.lower;
}

TEST(PelissierTest, PushReplacesInPlaceAndObservateurFollowsTheIteration) {
  TGDatabaseSosa db;
  Writer w{db};
  const CodeID p = w.Person(0, 0, kSon);
  Numbering n(db);
  TV5Pelissiers record(&n.maker);
  record.Set(p, 0, 0, 0);
  EXPECT_TRUE(n.maker.Push(&record));
  record.Set(50, p, -1, 3);
  EXPECT_TRUE(n.maker.Push(&record));
  record.Set(50, p, -1, 4);
  EXPECT_FALSE(n.maker.Push(&record));
  EXPECT_EQ(n.maker.GetCount(), 2);
  EXPECT_EQ(n.Record(50).GetNumero(), 4);
  EXPECT_EQ(n.Order(), (std::vector<CodeID>{p, 50}));
  EXPECT_FALSE(n.maker.Next());
  n.maker.SetObservateur(999);
  EXPECT_EQ(n.maker.Current().GetCodeID(), 0u);
}

}  // namespace
}  // namespace genvora
