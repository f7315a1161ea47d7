// Variable arrays, indexed stores and the association table in memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "containers/LArrayIterator.h"
#include "containers/LVariableArray.h"
#include "containers/LXArray.h"
#include "containers/TListeAssociation.h"
#include "platform/Host.h"

namespace genvora {
namespace {

std::vector<std::uint32_t> Offsets(const LVariableArray& array) {
  const std::uint32_t* entries = array.GetOffsetsHandle();
  return std::vector<std::uint32_t>(entries, entries + array.GetCount() + 1);
}

std::vector<std::string> Items(const LVariableArray& array) {
  std::vector<std::string> out;
  for (int i = 1; i <= static_cast<int>(array.GetCount()); ++i)
    out.emplace_back(static_cast<const char*>(array.GetItemPtr(i)), array.GetItemSize(i));
  return out;
}

void Add(LVariableArray& array, std::initializer_list<std::string> items) {
  for (const std::string& s : items) array.InsertItemsAt(1, LArray::kLastIndex, s.data(), static_cast<unsigned>(s.size()));
}

TEST(LVariableArray, OffsetsFollowEveryChange) {
  LVariableArray array(nullptr, false);
  Add(array, {"abc", "", "defgh"});
  EXPECT_EQ(Offsets(array), (std::vector<std::uint32_t>{0, 3, 3, 8}));
  EXPECT_EQ(array.GetDataSize(), 8u);
  EXPECT_EQ(array.GetItemSize(2), 0u);
  EXPECT_EQ(array.GetItemSize(4), 0u);
  EXPECT_EQ(array.GetItemOffset(3), 3u);

  struct Step {
    const char* what;
    void (*change)(LVariableArray&);
    std::vector<std::string> items;
  } steps[] = {
      {"insert in the middle", [](LVariableArray& a) { a.InsertItemsAt(2, 2, "XY", 2); },
       {"abc", "XY", "XY", "", "defgh"}},
      {"grow an item", [](LVariableArray& a) { a.PokeItem(1, "abcdef", 6); }, {"abcdef", "XY", "XY", "", "defgh"}},
      {"shrink an item", [](LVariableArray& a) { a.PokeItem(5, "d", 1); }, {"abcdef", "XY", "XY", "", "d"}},
      {"remove a range", [](LVariableArray& a) { a.RemoveItemsAt(2, 2); }, {"abcdef", "", "d"}},
      {"swap sizes", [](LVariableArray& a) { a.SwapItems(1, 3); }, {"d", "", "abcdef"}},
      {"move down", [](LVariableArray& a) { a.MoveItem(3, 1); }, {"abcdef", "d", ""}},
      {"move up", [](LVariableArray& a) { a.MoveItem(1, 3); }, {"d", "", "abcdef"}},
      {"assign resizes", [](LVariableArray& a) { a.AssignItemsAt(1, 2, "zz", 2); }, {"d", "zz", "abcdef"}},
      {"sort", [](LVariableArray& a) { a.Sort(); }, {"abcdef", "d", "zz"}},
  };
  for (const Step& step : steps) {
    step.change(array);
    EXPECT_EQ(Items(array), step.items) << step.what;
    std::vector<std::uint32_t> entries = Offsets(array);
    EXPECT_EQ(entries.front(), 0u) << step.what;
    EXPECT_EQ(entries.back(), array.GetDataSize()) << step.what;
  }
}

TEST(LVariableArray, OffsetsTableFollowsTheCountBothWays) {
  LVariableArray array(nullptr, false);
  for (int k = 0; k < 1500; ++k) Add(array, {std::string(k % 7, 'x')});
  EXPECT_EQ(array.GetCount(), 1500u);
  array.RemoveItemsAt(1400, 1);
  EXPECT_EQ(array.GetCount(), 100u);
  std::vector<std::uint32_t> entries = Offsets(array);
  EXPECT_EQ(entries.back(), array.GetDataSize());
  for (int i = 1; i <= 100; ++i) EXPECT_EQ(array.GetItemSize(i), static_cast<unsigned>((i + 1399) % 7));
}

TEST(LVariableArray, SortedArrayInsertsAtTheSortedPlace) {
  LVariableArray array(nullptr, true);
  Add(array, {"pear", "apple", "fig", "banana"});
  EXPECT_EQ(Items(array), (std::vector<std::string>{"apple", "banana", "fig", "pear"}));
  EXPECT_EQ(array.FetchIndexOf("fig", 3), 3);
}

TEST(LXArray, RecordsByCode) {
  RecordingHost host;
  LXArray store("TBPerson", true);
  EXPECT_STREQ(store.GetCodeList()->GetClassName(), "TBPerson-IDList");
  EXPECT_EQ(store.EcritData(30, "thirty", 6), 1);
  EXPECT_EQ(store.EcritData(10, "ten", 3), 1) << "position in the code list, sorted by code";
  EXPECT_EQ(store.EcritData(20, "twenty!!!!", 10), 2);
  EXPECT_EQ(store.EcritData(30, "30", 2), 3) << "a known code is rewritten in place";
  EXPECT_EQ(store.GetCount(), 3u);
  EXPECT_EQ(store.GetCodeList()->GetCount(), 3u);

  char buffer[16] = {};
  EXPECT_EQ(store.FetchData(30, buffer, sizeof buffer), 2u);
  EXPECT_EQ(std::string(buffer, 2), "30");
  std::memset(buffer, 0, sizeof buffer);
  EXPECT_EQ(store.FetchData(20, buffer, 4), 10u) << "cut to the buffer, full size answered";
  EXPECT_EQ(std::string(buffer), "twen");
  EXPECT_EQ(store.FetchData(99, buffer, sizeof buffer), 0u);

  // Deleting the record at item 2 (code 10) renumbers the record at item 3.
  EXPECT_EQ(store.DeleteData(10), 0);
  EXPECT_EQ(store.GetCount(), 2u);
  std::uint32_t pair[2];
  ASSERT_TRUE(store.GetCodeList()->FetchItemAt(1, pair));
  EXPECT_EQ(pair[0], 20u);
  EXPECT_EQ(pair[1], 2u);
  EXPECT_EQ(store.FetchData(20, buffer, sizeof buffer), 10u);
  EXPECT_EQ(store.DeleteData(10), 0);
  EXPECT_EQ(store.GetCount(), 2u);
  EXPECT_TRUE(host.messages.empty());
}

// Codes anywhere in the 32-bit range, on both sides of 2^31: the code list's
// order stays a total order, so every code is found again by halving.
TEST(LXArray, CodesOverTheWholeRangeAreFoundAgain) {
  LXArray store("TBPerson", true);
  std::mt19937 random(2026);
  std::vector<std::uint32_t> codes = {1, 0x7FFFFFFEu, 0x7FFFFFFFu, 0x80000000u, 0x80000001u, 0xFFFFFFFFu};
  for (int i = 0; i < 2000; ++i) codes.push_back(static_cast<std::uint32_t>(random()) | 1u);
  for (std::uint32_t code : codes) store.EcritData(code, &code, 4);
  std::uint32_t back = 0;
  for (std::uint32_t code : codes) {
    ASSERT_EQ(store.FetchData(code, &back, 4), 4u) << code;
    EXPECT_EQ(back, code);
  }
  for (std::size_t i = 0; i < codes.size(); i += 2) store.DeleteData(codes[i]);
  for (std::size_t i = 1; i < codes.size(); i += 2) EXPECT_EQ(store.FetchData(codes[i], &back, 4), 4u) << codes[i];
  for (std::size_t i = 0; i < codes.size(); i += 2) EXPECT_EQ(store.FetchData(codes[i], &back, 4), 0u) << codes[i];
}

TEST(LXArray, EmptyRecordStaysEmptyAfterARead) {
  // Once read from a file the store's item size field is 4: an empty record
  // must still be an empty item, not four bytes taken from the caller.
  LXArray store("TBNote", true);
  store.EcritData(1, "x", 1);
  MemoryFile file;
  ASSERT_TRUE(store.EcritDans(&file));
  file.Seek(0);
  LXArray back("TBNote", true);
  ASSERT_TRUE(back.LitDans(&file));
  back.EcritData(2, "", 0);
  char buffer[8];
  EXPECT_EQ(back.FetchData(2, buffer, sizeof buffer), 0u);
  EXPECT_EQ(back.GetDataSize(), 1u);
}

TEST(LVariableArray, IteratorSeesVariableItems) {
  LVariableArray array(nullptr, false);
  Add(array, {"a", "bcd", ""});
  LArrayIterator it(array, 0);
  unsigned size = 0;
  std::vector<unsigned> sizes;
  while (it.PtrToNext(size) != nullptr) sizes.push_back(size);
  EXPECT_EQ(sizes, (std::vector<unsigned>{1, 3, 0}));
}

TEST(TListeAssociation, TranslatesAndScans) {
  TListeAssociation none;
  EXPECT_EQ(none.GetDestination(1), 0u);
  EXPECT_EQ(none.GetNextNonZeroId(), 0u);

  TListeAssociation table(16, 8);
  table.Add(30, 300);
  table.Add(10, 0);
  table.Add(20, 200);
  EXPECT_EQ(table.GetCount(), 3u);
  EXPECT_EQ(table.GetDestination(20), 200u);
  EXPECT_EQ(table.GetDestination(25), 0u);
  table.SetDestination(10, 100);
  EXPECT_EQ(table.GetDestination(10), 100u);
  EXPECT_EQ(table.GetCount(), 3u);

  table.SetDestination(20, 0);
  std::vector<std::uint32_t> scanned;
  table.SetStart(0);
  while (std::uint32_t source = table.GetNextNonZeroId()) scanned.push_back(source);
  EXPECT_EQ(scanned, (std::vector<std::uint32_t>{10, 30}));
  EXPECT_EQ(table.GetNextNonZeroId(), 0u) << "the position stays at the last pair found";

  table.Flush();
  EXPECT_EQ(table.GetCount(), 3u);
  EXPECT_EQ(table.GetDestination(30), 0u);
  table.SetStart(0);
  EXPECT_EQ(table.GetNextNonZeroId(), 0u);
}

}  // namespace
}  // namespace genvora
