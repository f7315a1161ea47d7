// Many deletions and resizing rewrites of an indexed store, interleaved with
// fetches and saves: the store answers what a plain model holds, and saves
// the very bytes of a store written directly with the final records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "containers/LXArray.h"
#include "platform/File.h"

namespace genvora {
namespace {

using Bytes = std::vector<unsigned char>;

// The records in store order (the order their codes were first written).
struct Model {
  std::vector<std::pair<std::uint32_t, Bytes>> records;
  std::pair<std::uint32_t, Bytes>* Find(std::uint32_t code) {
    for (auto& record : records)
      if (record.first == code) return &record;
    return nullptr;
  }
  void Erase(std::uint32_t code) {
    records.erase(std::remove_if(records.begin(), records.end(), [code](const auto& r) { return r.first == code; }),
                  records.end());
  }
};

Bytes Saved(const LXArray& store) {
  MemoryFile file;
  EXPECT_TRUE(store.EcritDans(&file));
  EXPECT_EQ(static_cast<std::uint64_t>(file.Size()), store.GetSerializedDataSize());
  return file.Bytes();
}

Bytes SavedDirectly(const Model& model) {
  LXArray direct("TGTableTest", true);
  for (const auto& [code, bytes] : model.records)
    direct.EcritData(code, bytes.data(), static_cast<unsigned>(bytes.size()));
  return Saved(direct);
}

Bytes RandomBytes(std::mt19937& random) {
  Bytes bytes(random() % 40);  // empty records too
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  return bytes;
}

void ExpectFetches(LXArray& store, Model& model, std::mt19937& random) {
  for (int k = 0; k < 5; ++k) {
    const std::uint32_t code = 1 + random() % 400;
    const auto* record = model.Find(code);
    Bytes buffer(64, 0xEE);
    const unsigned stored = store.FetchData(code, buffer.data(), 64);
    // Looking at the bytes in place answers the same, waiting rewrites too.
    const unsigned char* peeked = nullptr;
    unsigned peekedSize = 0;
    EXPECT_EQ(store.PeekData(code, peeked, peekedSize), record != nullptr) << code;
    if (record == nullptr) {
      EXPECT_EQ(stored, 0u) << code;
      continue;
    }
    EXPECT_EQ(Bytes(peeked, peeked + peekedSize), record->second) << code;
    ASSERT_EQ(stored, record->second.size()) << code;
    EXPECT_TRUE(std::equal(record->second.begin(), record->second.end(), buffer.begin())) << code;
    // A short buffer gets the first bytes and the full size.
    Bytes small(3, 0);
    EXPECT_EQ(store.FetchData(code, small.data(), 3), record->second.size());
    for (std::size_t i = 0; i < std::min<std::size_t>(3, record->second.size()); ++i)
      EXPECT_EQ(small[i], record->second[i]);
  }
}

TEST(LXArrayBulk, DeletionsAndResizesInterleavedSaveTheDirectBytes) {
  std::mt19937 random(23);
  LXArray store("TGTableTest", true);
  Model model;
  for (int step = 0; step < 6000; ++step) {
    const std::uint32_t code = 1 + random() % 400;
    switch (random() % 10) {
      case 0: {
        // A batch of deletions, with unknown and repeated codes.
        std::vector<std::uint32_t> codes;
        for (int k = 0; k < 12; ++k) codes.push_back(1 + random() % 450);
        codes.push_back(codes.front());
        store.DeleteDatas(codes);
        for (std::uint32_t gone : codes) model.Erase(gone);
        break;
      }
      case 1:
        EXPECT_EQ(store.DeleteData(code), 0);
        model.Erase(code);
        break;
      default: {
        const Bytes bytes = RandomBytes(random);
        EXPECT_NE(store.EcritData(code, bytes.data(), static_cast<unsigned>(bytes.size())), 0);
        if (auto* record = model.Find(code))
          record->second = bytes;
        else
          model.records.emplace_back(code, bytes);
        break;
      }
    }
    ExpectFetches(store, model, random);
    if (step % 500 == 0) {
      ASSERT_EQ(Saved(store), SavedDirectly(model)) << "step " << step;
    }
  }
  ASSERT_EQ(Saved(store), SavedDirectly(model));
  // Item by item the store reads as the model.
  ASSERT_EQ(store.GetCount(), model.records.size());
  std::uint64_t total = 0;
  for (int i = 1; i <= static_cast<int>(store.GetCount()); ++i) {
    const Bytes& expected = model.records[static_cast<std::size_t>(i - 1)].second;
    ASSERT_EQ(store.GetItemSize(i), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), static_cast<const unsigned char*>(store.GetItemPtr(i))));
    total += expected.size();
  }
  EXPECT_EQ(store.GetDataSize(), total);
}

TEST(LXArrayBulk, WaitingRewritesAreLaidInBeforeAnyOtherChange) {
  // Each step reads or changes the items some other way right after a
  // resizing rewrite; the store must already hold the new bytes.
  struct Case {
    const char* what;
    void (*use)(LXArray&);
    std::vector<Bytes> items;
  } cases[] = {
      {"insert through the array", [](LXArray& s) { s.InsertItemsAt(1, 1, "Z", 1); }, {{'Z'}, {'x', 'y', 'z'}, {'b'}}},
      {"remove through the array", [](LXArray& s) { s.RemoveItemsAt(1, 2); }, {{'x', 'y', 'z'}}},
      {"poke another item", [](LXArray& s) { s.PokeItem(2, "bb", 2); }, {{'x', 'y', 'z'}, {'b', 'b'}}},
      {"delete the other record", [](LXArray& s) { s.DeleteData(2); }, {{'x', 'y', 'z'}}},
      {"swap", [](LXArray& s) { s.SwapItems(1, 2); }, {{'b'}, {'x', 'y', 'z'}}},
      {"read offsets", [](LXArray& s) { EXPECT_EQ(s.GetOffsetsHandle()[1], 3u); }, {{'x', 'y', 'z'}, {'b'}}},
  };
  for (const Case& c : cases) {
    LXArray store("TGTableTest", true);
    store.EcritData(1, "a", 1);
    store.EcritData(2, "b", 1);
    store.EcritData(1, "xyz", 3);  // waits beside the block
    c.use(store);
    std::vector<Bytes> items;
    for (int i = 1; i <= static_cast<int>(store.GetCount()); ++i) {
      const auto* p = static_cast<const unsigned char*>(store.GetItemPtr(i));
      items.emplace_back(p, p + store.GetItemSize(i));
    }
    EXPECT_EQ(items, c.items) << c.what;
  }
}

TEST(LXArrayBulk, APairNamingNoItemIsLeftAloneByRewritesAndDeletions) {
  // A damaged code list: the pair of code 2 names item 9 of 2.
  LXArray store("TGTableTest", true);
  store.EcritData(1, "a", 1);
  store.EcritData(2, "b", 1);
  const std::uint32_t pair[2] = {2, 9};
  store.GetCodeList()->PokeItem(2, pair, 8);
  const Bytes before = Saved(store);
  // Read, it is there and empty, as FetchData answers it.
  const unsigned char* bytes = nullptr;
  unsigned size = 1;
  EXPECT_TRUE(store.PeekData(2, bytes, size));
  EXPECT_EQ(size, 0u);
  EXPECT_NE(store.EcritData(2, "longer", 6), 0);
  EXPECT_EQ(Saved(store), before);
  // Deleting it with another record takes the one-by-one path.
  store.DeleteDatas({2, 1});
  EXPECT_EQ(store.GetCodeList()->GetCount(), 0u);
}

}  // namespace
}  // namespace genvora
