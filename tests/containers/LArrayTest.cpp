// LArray in memory: index conventions, insertion positions, searches, runs of
// equal items, misuse messages and iterators across changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "containers/LArray.h"
#include "containers/LArrayIterator.h"
#include "containers/LComparator.h"
#include "containers/LVariableArray.h"
#include "platform/Host.h"

namespace genvora {
namespace {

std::vector<std::uint32_t> Words(const LArray& array) {
  std::vector<std::uint32_t> out;
  for (int i = 1; i <= static_cast<int>(array.GetCount()); ++i) {
    std::uint32_t w = 0;
    EXPECT_TRUE(array.FetchItemAt(i, &w));
    out.push_back(w);
  }
  return out;
}

void Fill(LArray& array, std::initializer_list<std::uint32_t> words) {
  for (std::uint32_t w : words) array.AddItem(&w);
}

// Pairs of (key, tag) under the key-only comparator.
struct Pair {
  std::uint32_t key, tag;
};

std::vector<std::uint32_t> Tags(const LArray& array) {
  std::vector<std::uint32_t> out;
  for (int i = 1; i <= static_cast<int>(array.GetCount()); ++i) {
    Pair p{};
    array.FetchItemAt(i, &p);
    out.push_back(p.tag);
  }
  return out;
}

TEST(LArray, LastIndexStandsForTheCount) {
  struct Case {
    unsigned count;
    int index;
    bool valid;
    int after;
  } cases[] = {
      {3, 0x7FFFFFFF, true, 3}, {0, 0x7FFFFFFF, false, 0}, {3, 0, false, 0},  {3, 1, true, 1},
      {3, 3, true, 3},          {3, 4, false, 4},          {3, -1, false, -1},
  };
  for (const Case& c : cases) {
    LArray array;
    for (unsigned k = 0; k < c.count; ++k) array.AddItem(&k);
    int index = c.index;
    EXPECT_EQ(array.ValidIndex(index), c.valid) << c.count << "/" << c.index;
    EXPECT_EQ(index, c.after);
  }
  LArray array;
  std::uint32_t out = 0;
  EXPECT_FALSE(array.FetchItemAt(0x7FFFFFFF, &out));
  Fill(array, {7, 8, 9});
  EXPECT_TRUE(array.FetchItemAt(0x7FFFFFFF, &out));
  EXPECT_EQ(out, 9u);
}

TEST(LArray, InsertItemsAtClampsItsPosition) {
  struct Case {
    unsigned n;
    int index;
    int answer;
    std::vector<std::uint32_t> after;
  } cases[] = {
      {3, 0, 1, {9, 9, 9, 1, 2, 3, 4, 5}},   {3, 99, 6, {1, 2, 3, 4, 5, 9, 9, 9}},
      {3, -7, 1, {9, 9, 9, 1, 2, 3, 4, 5}},  {2, 3, 3, {1, 2, 9, 9, 3, 4, 5}},
      {1, 0x7FFFFFFF, 6, {1, 2, 3, 4, 5, 9}}, {0, 2, 0, {1, 2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    LArray array;
    Fill(array, {1, 2, 3, 4, 5});
    std::uint32_t nine = 9;
    EXPECT_EQ(array.InsertItemsAt(c.n, c.index, &nine), c.answer) << c.index;
    EXPECT_EQ(Words(array), c.after) << c.index;
    EXPECT_FALSE(array.IsSorted());
  }
}

TEST(LArray, RemoveItemsAtStopsAtTheLastItem) {
  struct Case {
    unsigned n;
    int index;
    int answer;
    std::vector<std::uint32_t> after;
  } cases[] = {
      {10, 4, 4, {1, 2, 3}},          {1, 0x7FFFFFFF, 5, {1, 2, 3, 4}}, {0, 1, 0, {1, 2, 3, 4, 5}},
      {1, 6, 0, {1, 2, 3, 4, 5}},     {1, 0, 0, {1, 2, 3, 4, 5}},       {2, 1, 1, {3, 4, 5}},
      {5, 1, 1, {}},
  };
  for (const Case& c : cases) {
    LArray array;
    Fill(array, {1, 2, 3, 4, 5});
    EXPECT_EQ(array.RemoveItemsAt(c.n, c.index), c.answer) << c.n << "@" << c.index;
    EXPECT_EQ(Words(array), c.after) << c.n << "@" << c.index;
  }
  LArray array;
  Fill(array, {1, 2, 3, 4, 5});
  array.RemoveAllItemsAfter(2);
  EXPECT_EQ(Words(array), (std::vector<std::uint32_t>{1, 2}));
}

TEST(LArray, GrowsGeometricallyAndNeverShrinks) {
  LArray array;
  unsigned reallocations = 0;
  unsigned last = array.GetAllocatedSize();
  for (std::uint32_t k = 0; k < 100000; ++k) {
    ASSERT_EQ(array.AddItem(&k), static_cast<int>(k + 1));
    if (array.GetAllocatedSize() != last) {
      ++reallocations;
      last = array.GetAllocatedSize();
      EXPECT_EQ(last % LArray::kDefaultMinSize, 0u);
    }
  }
  EXPECT_LE(reallocations, 20u) << "appends must cost amortised constant time";
  array.Flush();
  EXPECT_EQ(array.GetCount(), 0u);
  EXPECT_EQ(array.GetAllocatedSize(), last);
}

TEST(LArray, InsertPositionInASortedArray) {
  LArray array(4, nullptr, true);
  std::uint32_t probe = 42;
  EXPECT_EQ(array.FetchInsertIndexOf(&probe, 4), 1) << "an empty sorted array answers 1";
  Fill(array, {30, 10, 20});
  EXPECT_EQ(Words(array), (std::vector<std::uint32_t>{10, 20, 30}));
  struct Case {
    std::uint32_t item;
    int position;
  } cases[] = {{5, 1}, {10, 1}, {15, 2}, {20, 2}, {25, 3}, {30, 3}, {35, 4}};
  for (const Case& c : cases) EXPECT_EQ(array.FetchInsertIndexOf(&c.item, 4), c.position) << c.item;
  array.InvalidateSort();
  EXPECT_EQ(array.FetchInsertIndexOf(&probe, 4), LArray::kLastIndex);
}

TEST(LArray, EqualItemGoesBeforeTheOneTheHalvingMet) {
  // Built unsorted and sorted once: the Shell sort of a few items is an
  // insertion sort and keeps the run of 2s in order.
  LArray array(8, new LLongComparator, false);
  const Pair items[] = {{2, 'b'}, {2, 'c'}, {1, 'a'}, {2, 'd'}, {3, 'e'}};
  for (const Pair& p : items) array.AddItem(&p);
  array.SetKeepSorted(true);
  EXPECT_EQ(Tags(array), (std::vector<std::uint32_t>{'a', 'b', 'c', 'd', 'e'}));
  // Halving over 5 items meets item 3 first: the new one goes there, not
  // after the run of 2s.
  Pair added{2, 'X'};
  EXPECT_EQ(array.AddItem(&added), 3);
  EXPECT_EQ(Tags(array), (std::vector<std::uint32_t>{'a', 'b', 'X', 'c', 'd', 'e'}));
  EXPECT_EQ(array.FirstThat(&added, 8), 2);
  EXPECT_EQ(array.LastThat(&added, 8), 5);
  EXPECT_EQ(array.HowMany(&added, 8), 4);
  EXPECT_EQ(array.FirstIndexOf(&added), 2);
  Pair absent{7, 0};
  EXPECT_EQ(array.HowMany(&absent, 8), 0);
}

TEST(LArray, SortOrdersAndSearchesFindEveryItem) {
  std::mt19937 random(7);
  for (unsigned count : {2u, 17u, 19u, 1000u}) {
    LArray array;
    std::vector<std::uint32_t> reference;
    for (unsigned k = 0; k < count; ++k) {
      std::uint32_t w = random() % 100000;
      array.AddItem(&w);
      reference.push_back(w);
    }
    EXPECT_FALSE(array.IsSorted());
    // A linear search answers the first equal item while unsorted.
    EXPECT_EQ(array.FetchIndexOf(&reference[count - 1]),
              static_cast<int>(std::find(reference.begin(), reference.end(), reference[count - 1]) -
                               reference.begin()) + 1);
    array.Sort();
    std::sort(reference.begin(), reference.end());
    EXPECT_EQ(Words(array), reference);
    EXPECT_TRUE(array.IsSorted());
    for (std::uint32_t w : reference) {
      int at = array.FetchIndexOf(&w);
      ASSERT_NE(at, 0);
      std::uint32_t found = 0;
      array.FetchItemAt(at, &found);
      EXPECT_EQ(found, w);
    }
    std::uint32_t absent = 100001;
    EXPECT_EQ(array.FetchIndexOf(&absent), 0);
  }
}

TEST(LArray, ComparatorsOrderAsDocumented) {
  LComparator bytes;
  LLongComparator longs;
  BlocComparator bloc;
  const std::uint32_t five = 5, seven = 7, high = 0x80000000u, one = 1;
  struct Case {
    const char* what;
    const LComparator& comparator;
    const void* a;
    const void* b;
    unsigned sizeA, sizeB;
    int sign;
  } cases[] = {
      {"shorter length decides", bytes, "AB", "ABC", 2, 3, 0},
      {"byte order", bytes, "ABD", "ABC", 3, 3, 1},
      {"empty items", bytes, "", "ABC", 0, 3, 0},
      {"first words", longs, &five, &seven, 4, 4, -1},
      {"signed first words", longs, &high, &one, 4, 4, -1},  // 2^31 and above order first
      {"bloc over first size", bloc, "AB", "ABC", 2, 3, 0},
      {"bloc never reads past b", bloc, "ABC", "AB", 3, 2, 1},
  };
  for (const Case& c : cases) {
    int r = c.comparator.Compare(c.a, c.b, c.sizeA, c.sizeB);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.what;
    EXPECT_EQ(c.comparator.IsEqualTo(c.a, c.b, c.sizeA, c.sizeB), c.sign == 0) << c.what;
  }
  RecordingHost host;
  EXPECT_EQ(bytes.CompareToKey("A", 1, "A"), 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "pCompareToKey not implemented");
  EXPECT_EQ(host.messages[0].caption, "LArray");
  std::unique_ptr<LComparator> clone(longs.Clone());
  EXPECT_NE(dynamic_cast<LLongComparator*>(clone.get()), nullptr);
}

TEST(LArray, ByteComparatorFindsALongerItemByItsPrefix) {
  LVariableArray array(nullptr, false);
  array.AddItem("XY", 2);
  array.AddItem("ABC", 3);
  EXPECT_EQ(array.FetchIndexOf("AB", 2), 2);
  array.Sort();
  EXPECT_EQ(array.FetchIndexOf("AB", 2), 1);
}

TEST(LArray, MisuseShowsItsMessageAndLeavesTheArrayAlone) {
  RecordingHost host;
  LArray array;
  Fill(array, {1, 2, 3});
  std::uint32_t nine = 9;
  struct Case {
    const char* message;
    int (*change)(LArray&, const std::uint32_t*);
  } cases[] = {
      {"pCan't add item to a locked Array", [](LArray& a, const std::uint32_t* w) { return a.AddItem(w); }},
      {"pCan't insert into a locked Array", [](LArray& a, const std::uint32_t* w) { return a.InsertItemsAt(1, 1, w); }},
      {"pCan't remove from a locked Array", [](LArray& a, const std::uint32_t*) { return a.RemoveItemsAt(1, 1); }},
      {"pCan't assign to a locked Array", [](LArray& a, const std::uint32_t* w) { return a.AssignItemsAt(1, 1, w); }},
  };
  for (const Case& c : cases) {
    host.Clear();
    {
      StArrayLocker locker(array);
      EXPECT_EQ(c.change(array, &nine), 0) << c.message;
    }
    ASSERT_EQ(host.messages.size(), 1u) << c.message;
    EXPECT_EQ(host.messages[0].text, c.message);
    EXPECT_EQ(host.messages[0].caption, "LArray");
    EXPECT_EQ(Words(array), (std::vector<std::uint32_t>{1, 2, 3}));
  }
  EXPECT_FALSE(array.IsLocked());

  host.Clear();
  LArray sorted(4, nullptr, true);
  EXPECT_EQ(sorted.InsertItemsAt(1, 1, nullptr), 0);
  sorted.SetComparator(nullptr, false);
  EXPECT_EQ(sorted.InsertItemExclusiveEx(&nine, 4), 0);
  std::vector<AnsiString> texts;
  for (const auto& m : host.messages) texts.push_back(m.text);
  EXPECT_EQ(texts, (std::vector<AnsiString>{"pCan't insert nil item into a sorted Array", "pnil Comparator not allowed",
                                            "LArray::InsertItemExclusiveEx\n\n\tauxComparator is undefined, function aborted"}));
  host.Clear();
  {
    auto* doomed = new LArray;
    doomed->Lock();
    delete doomed;
  }
  EXPECT_TRUE(host.Showed("pDeleting a locked Array"));
}

// Orders pairs by their tag word, for upserts keyed on the tag.
class TagComparator : public LComparator {
 public:
  int Compare(const void* a, const void* b, unsigned, unsigned) const override {
    std::uint32_t ta, tb;
    std::memcpy(&ta, static_cast<const char*>(a) + 4, 4);
    std::memcpy(&tb, static_cast<const char*>(b) + 4, 4);
    return ta < tb ? -1 : (ta > tb ? 1 : 0);
  }
};

TEST(LArray, ExclusiveInsertions) {
  LArray array(8, new LLongComparator, true);
  Pair p{5, 1};
  EXPECT_EQ(array.InsertItemExclusive(&p, 8), 1);
  Pair same{5, 2};
  EXPECT_EQ(array.InsertItemExclusive(&same, 8), 0) << "an equal key is already there";
  EXPECT_EQ(array.GetCount(), 1u);

  array.SetAuxComparator(new TagComparator, true);
  Pair retagged{9, 1};  // same tag as the stored pair: overwritten in place
  EXPECT_EQ(array.InsertItemExclusiveEx(&retagged, 8), 1);
  Pair fresh{3, 4};
  EXPECT_EQ(array.InsertItemExclusiveEx(&fresh, 8), 1) << "a new tag is added at its sorted place";
  EXPECT_EQ(Tags(array), (std::vector<std::uint32_t>{4, 1}));
  EXPECT_EQ(array.GetComparator()->Compare(&fresh, &retagged, 8, 8) < 0, true) << "main comparator restored";

  LArray list(8, nullptr, false);
  EXPECT_EQ(array.LoadOnList(&fresh, &list, true, 8), 1) << "items the aux comparator tells apart";
  EXPECT_EQ(Tags(list), (std::vector<std::uint32_t>{1}));
  EXPECT_EQ(array.LoadOnList(&fresh, nullptr, true, 8), 0);
}

TEST(LArray, SwapAndMoveLeaveKeptSortedArraysAlone) {
  LArray array;
  Fill(array, {1, 2, 3, 4, 5});
  array.SwapItems(1, 5);
  EXPECT_EQ(Words(array), (std::vector<std::uint32_t>{5, 2, 3, 4, 1}));
  array.MoveItem(1, 4);
  EXPECT_EQ(Words(array), (std::vector<std::uint32_t>{2, 3, 4, 5, 1}));
  array.MoveItem(5, 2);
  EXPECT_EQ(Words(array), (std::vector<std::uint32_t>{2, 1, 3, 4, 5}));
  array.SwapItems(1, 6);
  EXPECT_EQ(Words(array), (std::vector<std::uint32_t>{2, 1, 3, 4, 5}));
  array.SetKeepSorted(true);
  EXPECT_EQ(Words(array), (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
  array.SwapItems(1, 2);
  array.MoveItem(1, 5);
  EXPECT_EQ(Words(array), (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
  std::uint32_t nine = 9;
  EXPECT_EQ(array.AssignItemsAt(1, 1, &nine), 5) << "re-inserted at its sorted place";
  EXPECT_EQ(Words(array), (std::vector<std::uint32_t>{2, 3, 4, 5, 9}));
}

TEST(LArrayIterator, FollowsItsItemAcrossChanges) {
  LArray array;
  Fill(array, {10, 20, 30, 40, 50});
  std::uint32_t out = 0;

  LArrayIterator it(array, 3);
  array.RemoveItemsAt(2, 1);  // items before the current one
  EXPECT_EQ(it.CurrentIndex(), 1);
  ASSERT_TRUE(it.Current(&out));
  EXPECT_EQ(out, 30u);

  std::uint32_t five = 5;
  array.InsertItemsAt(2, 1, &five);  // before the current item: it moves up
  EXPECT_EQ(it.CurrentIndex(), 3);
  array.InsertItemsAt(1, 0x7FFFFFFF, &five);  // after it: nothing moves
  EXPECT_EQ(it.CurrentIndex(), 3);
  ASSERT_TRUE(it.Current(&out));
  EXPECT_EQ(out, 30u);

  array.RemoveItemsAt(1, 3);  // the current item itself
  EXPECT_EQ(it.CurrentIndex(), LArrayIterator::kRemoved);
  EXPECT_FALSE(it.Current(&out));
  ASSERT_TRUE(it.Next(&out));
  EXPECT_EQ(out, 40u) << "Next continues with the item that followed the removed one";

  // {5, 5, 40, 50, 5}: remove the current item (40), then, before Next, the
  // two items ahead of the one to follow.
  array.RemoveItemsAt(1, 3);
  array.RemoveItemsAt(2, 1);
  ASSERT_TRUE(it.Next(&out));
  EXPECT_EQ(out, 50u);
  ASSERT_TRUE(it.Next(&out));
  EXPECT_EQ(out, 5u);
  EXPECT_FALSE(it.Next(&out));
  EXPECT_EQ(it.CurrentIndex(), LArrayIterator::kAfterLast);
  ASSERT_TRUE(it.Previous(&out));
  EXPECT_EQ(out, 5u);
}

TEST(LArrayIterator, WalksBothWaysAndOutlivesItsArray) {
  auto* array = new LArray;
  Fill(*array, {1, 2, 3});
  LArrayIterator it(*array, 0);
  std::vector<std::uint32_t> seen;
  std::uint32_t out = 0;
  while (it.Next(&out)) seen.push_back(out);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 2, 3}));
  seen.clear();
  while (it.Previous(&out)) seen.push_back(out);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{3, 2, 1}));
  EXPECT_EQ(it.CurrentIndex(), 0);
  EXPECT_NE(it.PtrToNext(), nullptr);
  it.ResetTo(99);
  EXPECT_EQ(it.CurrentIndex(), LArrayIterator::kAfterLast);

  LArrayIterator second(*array, 2);
  delete array;
  EXPECT_EQ(it.CurrentIndex(), LArrayIterator::kArrayDied);
  EXPECT_FALSE(second.Next(&out));
  EXPECT_EQ(second.PtrToCurrent(), nullptr);
}  // both iterators die after their array without touching it

TEST(LFastArrayIterator, WalksByAddressUnderTheLock) {
  RecordingHost host;
  LArray array;
  Fill(array, {1, 2, 3});
  std::vector<std::uint32_t> seen;
  {
    LFastArrayIterator it(array, 0);
    EXPECT_TRUE(array.IsLocked());
    std::uint32_t out = 0;
    while (it.Next(&out)) seen.push_back(out);
    EXPECT_EQ(it.Position(), 4);
    EXPECT_FALSE(it.Next(&out));
    while (it.Previous(&out)) seen.push_back(out);
    EXPECT_EQ(array.AddItem(&out), 0) << "the block must not move under the walk";
  }
  EXPECT_FALSE(array.IsLocked());
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 2, 3, 3, 2, 1}));
  EXPECT_TRUE(host.Showed("pCan't add item to a locked Array"));
}

}  // namespace
}  // namespace genvora
