// TV5SosaMaker: the four numberings on a family with pedigree collapse,
// worked out by hand; the smallest-number rule; very long lines; paths;
// re-entrance through the message pump; the stored table.
#include "computations/TV5SosaMaker.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "computations/SosaTestSupport.h"
#include "platform/File.h"
#include "platform/Host.h"

namespace genvora {
namespace {

// The de cujus's parents F and M are first cousins: F's father FF and M's
// mother MM are brother and sister, children of G1 and G2; G1's father is A.
//
//        A
//        |
//     G1 + G2
//      __|__
//     |     |
// FF+FM   MF+MM
//    |       |
//    F   +   M
//        |
//        D
enum : CodeID { D = 100, F = 101, M = 102, FF = 103, FM = 104, MF = 105, MM = 106, G1 = 107, G2 = 108, A = 109 };

class SosaMakerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.Parents(D, F, M);
    list.Parents(F, FF, FM);
    list.Parents(M, MF, MM);
    list.Parents(FF, G1, G2);
    list.Parents(MM, G1, G2);
    list.Parents(G1, A, 0);
    maker.SetQuickList(&list.Array());
    maker.SetDeCujus(D);
  }

  RecordingHost host;
  TestQuickList list;
  TV5SosaMaker maker;
};

TEST_F(SosaMakerTest, MonoPasseGivesEachAncestorItsSmallestNumber) {
  int completions = 0;
  maker.OnComplete = [&](TV5SosaMaker&) { ++completions; };
  maker.SetAction(kSosaMonoPasse);
  // G1 is 8 through FF and 14 through MM; G2 9 and 15; A 16 and 28.
  const std::vector<SosaRow> expected = {{D, "1", 0},  {F, "2", 0},  {M, "3", 0},  {FF, "4", 0}, {FM, "5", 0},
                                         {MF, "6", 0}, {MM, "7", 0}, {G1, "8", 0}, {G2, "9", 0}, {A, "16", 0}};
  EXPECT_EQ(RowsOf(maker), expected);
  for (const auto& [code, count] : OccurrencesOf(maker)) EXPECT_EQ(count, 1U) << code;
  EXPECT_EQ(OccurrencesOf(maker).size(), 10U);
  EXPECT_EQ(maker.GetAction(), kSosaAucune);
  EXPECT_EQ(completions, 1);
  EXPECT_GT(host.pumps, 0);
}

TEST_F(SosaMakerTest, MonoEtoileMarksTheImplexAndRaisesItsAncestorsOnce) {
  maker.GetSOSADbl().AddItem(std::vector<unsigned char>(8, 1).data());  // left alone
  maker.SetAction(kSosaMonoEtoile);
  const std::vector<SosaRow> expected = {{D, "1", 0},  {F, "2", 0},  {M, "3", 0},  {FF, "4", 0}, {FM, "5", 0},
                                         {MF, "6", 0}, {MM, "7", 0}, {G1, "8", 1}, {G2, "9", 1}, {A, "16", 1}};
  EXPECT_EQ(RowsOf(maker), expected);
  EXPECT_EQ(maker.GetSOSADbl().GetCount(), 1U);
  EXPECT_EQ(maker.GetAction(), kSosaMonoEtoile);
}

TEST_F(SosaMakerTest, CompletFichierGivesOneRecordPerPath) {
  maker.SetAction(kSosaCompletFichier);
  const std::vector<SosaRow> expected = {{D, "1", 0},   {F, "2", 0},   {M, "3", 0},   {FF, "4", 0}, {FM, "5", 0},
                                         {MF, "6", 0},  {MM, "7", 0},  {G1, "8", 0},  {G2, "9", 0}, {G1, "14", 0},
                                         {G2, "15", 0}, {A, "16", 0},  {A, "28", 0}};
  EXPECT_EQ(RowsOf(maker), expected);
  // Occurrences in the order of each person's last raise (depth-first,
  // father first): G1 and A last raised under MM, before G2.
  std::vector<std::pair<CodeID, std::uint32_t>> occurrences;
  for (int i = 1; i <= static_cast<int>(maker.GetSOSADbl().GetCount()); ++i) {
    SosaOccurrence o;
    maker.GetSOSADbl().FetchItemAt(i, &o);
    occurrences.push_back({o.code, o.count});
  }
  const std::vector<std::pair<CodeID, std::uint32_t>> expectedOccurrences = {
      {D, 0}, {F, 1}, {FF, 1}, {FM, 1}, {M, 1}, {MF, 1}, {MM, 1}, {G1, 2}, {A, 2}, {G2, 2}};
  EXPECT_EQ(occurrences, expectedOccurrences);
  EXPECT_EQ(maker.GetAction(), kSosaAucune);
}

TEST_F(SosaMakerTest, CompletIndividuFindsEveryNumberOfTheObserver) {
  struct Case {
    CodeID observer;
    std::vector<SosaRow> expected;
  };
  const Case cases[] = {
      {G2, {{G2, "9", 0}, {G2, "15", 0}}},
      {A, {{A, "16", 0}, {A, "28", 0}}},
      {FM, {{FM, "5", 0}}},
      {D, {{D, "1", 0}}},
      // Not an ancestor: no number, rather than somebody else's record.
      {999, {}},
  };
  for (const Case& c : cases) {
    int completions = 0;
    maker.OnComplete = [&](TV5SosaMaker&) { ++completions; };
    maker.SetObservateur(c.observer);
    maker.SetAction(kSosaCompletIndividu);
    EXPECT_EQ(RowsOf(maker), c.expected) << c.observer;
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(maker.GetAction(), kSosaAucune);
  }
}

TEST_F(SosaMakerTest, SosaCountCountsEachAncestorOnce) {
  EXPECT_EQ(maker.SosaCount(D), 10U);
  EXPECT_EQ(maker.SosaCount(MM), 4U);  // MM, G1, G2, A
  EXPECT_EQ(maker.SosaCount(FM), 1U);  // no entry: the person alone
  EXPECT_EQ(maker.GetAction(), kSosaAucune);
}

TEST_F(SosaMakerTest, WithoutParentsOrWithOneParentOnly) {
  TestQuickList alone;
  alone.Parents(1, 0, 0);
  alone.Parents(2, 0, 7);  // a mother only
  TV5SosaMaker lone;
  lone.SetQuickList(&alone.Array());
  for (sosaActionT action : {kSosaMonoPasse, kSosaMonoEtoile, kSosaCompletIndividu, kSosaCompletFichier}) {
    lone.SetDeCujus(1);
    lone.SetObservateur(1);
    lone.SetAction(action);
    EXPECT_EQ(RowsOf(lone), (std::vector<SosaRow>{{1, "1", 0}})) << int(action);
    lone.SetDeCujus(2);
    lone.SetObservateur(7);
    lone.SetAction(action);
    const std::vector<SosaRow> withMother =
        action == kSosaCompletIndividu ? std::vector<SosaRow>{{7, "3", 0}}
                                       : std::vector<SosaRow>{{2, "1", 0}, {7, "3", 0}};
    EXPECT_EQ(RowsOf(lone), withMother) << int(action);
  }
  // Nothing runs without a de cujus or a list.
  TV5SosaMaker idle;
  idle.SetDeCujus(1);
  idle.SetAction(kSosaMonoPasse);
  EXPECT_EQ(idle.GetSOSATbl().GetCount(), 0U);
}

TEST(SosaMakerRuleTest, BreadthFirstKeepsTheSmallestNumberEvenWhenDepthFirstMeetsALargerOneFirst) {
  // X is the mother of M (number 7 through M, generation 3) and the father of
  // FF (number 8, generation 4, which a father-first depth-first walk meets
  // first). Y, X's father, must follow from 7: 14, not 16.
  RecordingHost host;
  enum : CodeID { D = 1, F = 2, M = 3, FF = 4, X = 5, Y = 6 };
  TestQuickList list;
  list.Parents(D, F, M);
  list.Parents(F, FF, 0);
  list.Parents(M, 0, X);
  list.Parents(FF, X, 0);
  list.Parents(X, Y, 0);
  TV5SosaMaker maker;
  maker.SetQuickList(&list.Array());
  maker.SetDeCujus(D);
  maker.SetAction(kSosaMonoPasse);
  EXPECT_EQ(RowsOf(maker), (std::vector<SosaRow>{{D, "1", 0}, {F, "2", 0}, {M, "3", 0}, {FF, "4", 0}, {X, "7", 0},
                                                  {Y, "14", 0}}));
  maker.SetAction(kSosaCompletFichier);
  EXPECT_EQ(RowsOf(maker), (std::vector<SosaRow>{{D, "1", 0},
                                                  {F, "2", 0},
                                                  {M, "3", 0},
                                                  {FF, "4", 0},
                                                  {X, "7", 0},
                                                  {X, "8", 0},
                                                  {Y, "14", 0},
                                                  {Y, "16", 0}}));
}

// A line of `generations` persons, codes 1000, 1001...; person k's parent is
// its mother when k is a multiple of 3, its father otherwise.
void BuildLine(TestQuickList& list, unsigned generations) {
  for (CodeID k = 0; k + 1 < generations; ++k) {
    if (k % 3 == 0)
      list.Parents(1000 + k, 0, 1001 + k);
    else
      list.Parents(1000 + k, 1001 + k, 0);
  }
}

TEST(SosaMakerLineTest, ALineOf130GenerationsGetsExactNumbersBeyond2To128) {
  RecordingHost host;
  TestQuickList list;
  BuildLine(list, 130);
  TV5SosaMaker maker;
  maker.SetQuickList(&list.Array());
  maker.SetDeCujus(1000);
  for (sosaActionT action : {kSosaMonoPasse, kSosaMonoEtoile, kSosaCompletFichier}) {
    maker.SetAction(action);
    std::vector<SosaRow> rows = RowsOf(maker);
    ASSERT_EQ(rows.size(), 130U);
    std::string expected = "1";
    for (CodeID k = 0; k < 130; ++k) {
      EXPECT_EQ(rows[k].code, 1000 + k);
      ASSERT_EQ(rows[k].number, expected) << "generation " << k + 1;
      expected = DoubleDecimal(expected, k % 3 == 0);
    }
    // Generation 130 lies between 2^128 and 2^129.
    EXPECT_GT(rows.back().number.size(), std::string("340282366920938463463374607431768211456").size() - 1);
    TV5Sosa last;
    ASSERT_TRUE(last.SetText(rows.back().number));
    EXPECT_EQ(last.GetGeneration(), 130U);
    EXPECT_EQ(maker.GetHorsCapacite(), 0U);
  }
  // The path back from the last number walks the whole line.
  TV5Sosa last;
  maker.LoadSosaData(130, last);
  std::vector<CodeID> path = maker.CheminVersDeCujus(last);
  ASSERT_EQ(path.size(), 130U);
  EXPECT_EQ(path.front(), 1000U);
  EXPECT_EQ(path.back(), 1129U);
}

TEST(SosaMakerLineTest, AncestorsBeyond208BitsAreLeftOutAndCounted) {
  RecordingHost host;
  TestQuickList list;
  BuildLine(list, 215);
  TV5SosaMaker maker;
  maker.SetQuickList(&list.Array());
  maker.SetDeCujus(1000);
  for (sosaActionT action : {kSosaMonoPasse, kSosaMonoEtoile, kSosaCompletFichier}) {
    maker.SetAction(action);
    EXPECT_EQ(maker.GetSOSATbl().GetCount(), TV5Sosa::kMaxBits) << int(action);
    EXPECT_EQ(maker.GetHorsCapacite(), 1U) << int(action);
  }
  maker.SetObservateur(1000 + 207);
  maker.SetAction(kSosaCompletIndividu);
  EXPECT_EQ(RowsOf(maker).size(), 1U);
  maker.SetObservateur(1000 + 208);
  maker.SetAction(kSosaCompletIndividu);
  EXPECT_TRUE(RowsOf(maker).empty());
  EXPECT_EQ(maker.GetHorsCapacite(), 1U);
}

TEST(SosaMakerLineTest, ACycleInADamagedFileIsCutNotFollowed) {
  RecordingHost host;
  TestQuickList list;
  list.Parents(1, 2, 3);
  list.Parents(2, 1, 0);  // 2 is both the father and a son of 1
  list.Parents(3, 3, 0);  // 3 is its own father
  TV5SosaMaker maker;
  maker.SetQuickList(&list.Array());
  maker.SetDeCujus(1);
  maker.SetAction(kSosaCompletFichier);
  EXPECT_EQ(RowsOf(maker), (std::vector<SosaRow>{{1, "1", 0}, {2, "2", 0}, {3, "3", 0}}));
  EXPECT_EQ(maker.GetCyclesCoupes(), 2U);
  maker.SetAction(kSosaMonoEtoile);
  EXPECT_EQ(maker.GetSOSATbl().GetCount(), 3U);
  maker.SetAction(kSosaMonoPasse);
  EXPECT_EQ(maker.GetSOSATbl().GetCount(), 3U);
  EXPECT_EQ(maker.SosaCount(1), 3U);
  maker.SetObservateur(3);
  maker.SetAction(kSosaCompletIndividu);
  EXPECT_EQ(RowsOf(maker), (std::vector<SosaRow>{{3, "3", 0}}));
}

TEST_F(SosaMakerTest, ThePathOfANumberFollowsItsBinaryDigits) {
  list.Parents(MF, 110, 0);
  struct Case {
    std::uint64_t number;
    std::vector<CodeID> path;
  };
  const Case cases[] = {
      {1, {D}},
      {12, {D, M, MF, 110}},  // 1100: mother, father, father
      {8, {D, F, FF, G1}},
      {14, {D, M, MM, G1}},
      {28, {D, M, MM, G1, A}},
      {13, {}},  // MF's mother is unknown
      {40, {}},  // FM has no entry
      {0, {}},
  };
  for (const Case& c : cases) {
    TV5Sosa n(c.number);
    EXPECT_EQ(maker.CheminVersDeCujus(n), c.path) << c.number;
    EXPECT_EQ(maker.CodeIDValue(n), c.path.empty() ? 0U : c.path.back()) << c.number;
  }
}

// A host that runs `hook` at one given pump.
class HookHost : public RecordingHost {
 public:
  void ProcessMessages() override {
    RecordingHost::ProcessMessages();
    if (pumps == at && hook) hook();
  }
  std::int64_t at = 0;
  std::function<void()> hook;
};

TEST_F(SosaMakerTest, TheHostMayAbortOrRestartFromThePump) {
  HookHost pumping;
  int completions = 0;
  maker.OnComplete = [&](TV5SosaMaker&) { ++completions; };
  for (sosaActionT action : {kSosaMonoPasse, kSosaMonoEtoile, kSosaCompletIndividu}) {
    // Abort: the interrupted computation leaves an empty table.
    maker.SetObservateur(A);
    pumping.pumps = 0;
    pumping.at = 3;
    pumping.hook = [&] { maker.SetAction(kSosaAucune); };
    completions = 0;
    maker.SetAction(action);
    EXPECT_EQ(maker.GetSOSATbl().GetCount(), 0U) << int(action);
    EXPECT_EQ(maker.GetAction(), kSosaAucune);
    EXPECT_EQ(completions, 1) << int(action);

    // Restart with another de cujus: the nested result stands.
    pumping.pumps = 0;
    pumping.hook = [&] {
      maker.SetDeCujus(MM);
      maker.SetAction(kSosaMonoEtoile);
    };
    maker.SetDeCujus(D);
    maker.SetAction(action);
    EXPECT_EQ(RowsOf(maker), (std::vector<SosaRow>{{MM, "1", 0}, {G1, "2", 0}, {G2, "3", 0}, {A, "4", 0}}))
        << int(action);
    EXPECT_EQ(maker.GetAction(), kSosaMonoEtoile);
    maker.SetDeCujus(D);
  }
}

TEST_F(SosaMakerTest, TheNumbersAreStoredAndReadBackUnchanged) {
  list.Parents(A, 0, 0);
  maker.SetAction(kSosaCompletFichier);
  MemoryFile file;
  ASSERT_TRUE(maker.EcritDans(&file));
  TV5SosaMaker reread;
  file.Seek(0);
  ASSERT_TRUE(reread.LitDans(&file));
  EXPECT_EQ(RowsOf(reread), RowsOf(maker));
  // The table goes alone: one 80-byte block header and its records; the
  // occurrences stay with the computation that made them.
  EXPECT_EQ(file.Bytes().size(), 80 + maker.GetSOSATbl().GetCount() * sizeof(TV5SosaData));
  EXPECT_TRUE(OccurrencesOf(reread).empty());
  EXPECT_EQ(OccurrencesOf(maker)[A], 2U);
  EXPECT_STREQ(reread.GetSOSATbl().GetClassName(), "SOSATbl");
  // Looked up by person after reading, although the order is by number.
  TV5SosaData probe;
  probe.codeID = A;
  EXPECT_NE(reread.GetSOSATbl().FetchIndexOf(&probe, sizeof probe), 0);

  // offset 44: item size, "%011lu" and a NUL; a block of 4-byte items is
  // refused and leaves the table empty instead of being read as records.
  std::vector<unsigned char> damaged = file.Bytes();
  const char* four = "00000000004";
  std::copy(four, four + 11, damaged.begin() + 44);
  MemoryFile bad(damaged);
  EXPECT_FALSE(reread.LitDans(&bad));
  EXPECT_EQ(reread.GetSOSATbl().GetCount(), 0U);
  // A file cut inside the items.
  std::vector<unsigned char> cut(file.Bytes().begin(), file.Bytes().end() - 10);
  MemoryFile shortFile(cut);
  EXPECT_FALSE(reread.LitDans(&shortFile));
  EXPECT_EQ(reread.GetSOSATbl().GetCount(), 0U);
}

TEST_F(SosaMakerTest, CompletFichierStopsAtTheExpansionLimit) {
  maker.SetLimiteExpansion(5);
  maker.SetAction(kSosaCompletFichier);
  EXPECT_EQ(maker.GetSOSATbl().GetCount(), 5U);
  EXPECT_TRUE(maker.GetTronque());
  maker.SetObservateur(A);
  maker.SetLimiteExpansion(1);  // the mother branch is never added
  maker.SetAction(kSosaCompletIndividu);
  EXPECT_EQ(RowsOf(maker), (std::vector<SosaRow>{{A, "16", 0}}));
  EXPECT_TRUE(maker.GetTronque());
  maker.SetLimiteExpansion(0);
  EXPECT_EQ(maker.GetLimiteExpansion(), TV5SosaMaker::kLimiteExpansionMax);
}

}  // namespace
}  // namespace genvora
