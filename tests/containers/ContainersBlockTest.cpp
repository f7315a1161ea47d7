// The serialized blocks: exact bytes of a store with its code list, an index
// and the offsets block; round trips; damaged blocks; failing files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "containers/LArray.h"
#include "containers/LArraySynchro.h"
#include "containers/LVariableArray.h"
#include "containers/LXArray.h"
#include "containers/TG5indexWithMatch.h"
#include "platform/File.h"
#include "platform/Host.h"
#include "platform/System.h"
#include "TestSupport.h"

namespace genvora {
namespace {

using Bytes = std::vector<unsigned char>;

// Fixture pieces, so that each field of a layout is one commented line.
void Raw(Bytes& out, std::initializer_list<unsigned char> bytes) { out.insert(out.end(), bytes); }
void Text(Bytes& out, const char* text, std::size_t width) {  // NUL-padded to width
  std::size_t length = std::strlen(text);
  out.insert(out.end(), text, text + length);
  out.insert(out.end(), width - length, 0);
}
void Word(Bytes& out, std::uint32_t w) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<unsigned char>(w >> (8 * k)));
}

// A store "TBTest" with two records written in the order code 20, code 10,
// an index in slot 2 holding both codes, whose match array holds one pair.
struct Store {
  LXArray store{"TBTest", true};
  TG5indexWithMatch* index = new TG5indexWithMatch(4, nullptr, true);
  Store() {
    store.EcritData(20, "AB", 3);  // with its NUL
    store.EcritData(10, "XYZW", 4);
    index->SetClassName("TBTest-Idx");
    index->GetMatchArray()->SetClassName("TBTest-Idx-Match");
    std::uint32_t codes[] = {20, 10};
    for (std::uint32_t c : codes) index->AddItem(&c);
    std::uint32_t pair[] = {7, 9};
    index->GetMatchArray()->AddItem(pair);
    store.AttachArray(2, index);
  }
};

Bytes StoreFixture() {
  Bytes b;
  // --- the store's block
  Raw(b, {0xC0, 0xDE, 0xCA, 0xFE});   // 0: signature
  Text(b, "TBTest", 40);              // 4: class name
  Text(b, "00000000000", 12);         // 44: item size 0, built in memory
  Text(b, "00000000002", 12);         // 56: count
  Text(b, "00000000007", 12);         // 68: data size
  Raw(b, {'A', 'B', 0});              // 80: record of code 20
  Raw(b, {'X', 'Y', 'Z', 'W'});       // 83: record of code 10
  // --- attached slot 0: the code list, sorted by code
  Raw(b, {0xC0, 0xDE, 0xCA, 0xFE});   // 87: signature
  Text(b, "TBTest-IDList", 40);       // 91: class name
  Text(b, "00000000008", 12);         // 131: item size
  Text(b, "00000000002", 12);         // 143: count
  Text(b, "00000000016", 12);         // 155: data size
  Word(b, 10), Word(b, 2);            // 167: code 10 is item 2
  Word(b, 20), Word(b, 1);            // 175: code 20 is item 1
  // --- attached slot 2: the index
  Raw(b, {0xC0, 0xDE, 0xCA, 0xFE});   // 183: signature
  Text(b, "TBTest-Idx", 40);          // 187: class name
  Text(b, "00000000004", 12);         // 227: item size
  Text(b, "00000000002", 12);         // 239: count
  Text(b, "00000000008", 12);         // 251: data size
  Word(b, 10), Word(b, 20);           // 263: codes, kept sorted
  // --- the index's slot 1: its match array
  Raw(b, {0xC0, 0xDE, 0xCA, 0xFE});   // 271: signature
  Text(b, "TBTest-Idx-Match", 40);    // 275: class name
  Text(b, "00000000008", 12);         // 315: item size
  Text(b, "00000000001", 12);         // 327: count
  Text(b, "00000000008", 12);         // 339: data size
  Word(b, 7), Word(b, 9);             // 351: one pair
  // --- the store's offsets block
  Raw(b, {0xC0, 0xDE, 0xCA, 0xFE});   // 359: signature
  Text(b, "TBTest-ItemSize", 40);     // 363: class name + "-ItemSize"
  Text(b, "00000000004", 12);         // 403: entry size
  Text(b, "00000000003", 12);         // 415: count + 1
  Text(b, "00000000012", 12);         // 427: (count + 1) x 4
  Word(b, 0), Word(b, 3), Word(b, 7); // 439: end offsets; 451 = end
  return b;
}

TEST(ContainerBlocks, StoreWithCodeListIndexAndOffsetsMatchesTheFixture) {
  Store s;
  MemoryFile file;
  ASSERT_TRUE(s.store.EcritDans(&file));
  const Bytes fixture = StoreFixture();
  ASSERT_EQ(fixture.size(), 451u);
  EXPECT_EQ(file.Bytes(), fixture);
  EXPECT_EQ(s.store.GetSerializedDataSize(), fixture.size());

  // Read back into a store of the same shape, then written again: the same
  // bytes, except the item size field, which now carries the entry size 4.
  Store back;
  back.store.Flush();
  MemoryFile in(fixture);
  ASSERT_TRUE(back.store.LitDans(&in)) << back.store.GetReadFailure();
  EXPECT_EQ(in.Remaining(), 0);
  char record[8] = {};
  EXPECT_EQ(back.store.FetchData(10, record, sizeof record), 4u);
  EXPECT_EQ(std::string(record, 4), "XYZW");
  MemoryFile again;
  ASSERT_TRUE(back.store.EcritDans(&again));
  Bytes expected = fixture;
  expected[44 + 10] = '4';
  EXPECT_EQ(again.Bytes(), expected);
}

TEST(ContainerBlocks, EmptyArrayIsEightyBytesAndCountersAreElevenDigits) {
  LXArray empty("TBEmpty", true);
  MemoryFile file;
  ASSERT_TRUE(empty.EcritDans(&file));
  ASSERT_EQ(file.Bytes().size(), 80u) << "no attached arrays, no offsets block";
  EXPECT_EQ(empty.GetSerializedDataSize(), 80u);
  EXPECT_EQ(std::string(file.Bytes().begin() + 56, file.Bytes().begin() + 68), std::string("00000000000\0", 12));

  LArray five;
  for (std::uint32_t k = 0; k < 5; ++k) five.AddItem(&k);
  MemoryFile written;
  ASSERT_TRUE(five.EcritDans(&written));
  EXPECT_EQ(std::string(written.Bytes().begin() + 56, written.Bytes().begin() + 68), std::string("00000000005\0", 12));
  EXPECT_EQ(std::string(written.Bytes().begin() + 68, written.Bytes().begin() + 80), std::string("00000000020\0", 12));

  // An 80-byte block reads back only when its count is 0.
  Bytes block = file.Bytes();
  LXArray reader("TBEmpty", true);
  MemoryFile good(block);
  EXPECT_TRUE(reader.LitDans(&good));
  block[66] = '3';  // offset 66: last digit of the count
  MemoryFile counted(block);
  EXPECT_FALSE(reader.LitDans(&counted));
}

// A good block changed at one named place, and why it must be refused.
struct Damage {
  const char* what;
  void (*change)(Bytes&);
  const char* reason;
};

void SetCounter(Bytes& b, std::size_t offset, const char* digits) { std::memcpy(b.data() + offset, digits, 12); }

TEST(ContainerBlocks, DamagedStoreIsRefusedWithoutAllocatingBeyondTheFile) {
  const Damage damages[] = {
      {"signature", [](Bytes& b) { b[0] = 0xC1; }, "bad signature"},
      {"count beyond the file", [](Bytes& b) { SetCounter(b, 56, "04000000000"); }, "sizes exceed the file"},
      {"data size beyond the file", [](Bytes& b) { SetCounter(b, 68, "03000000000"); }, "sizes exceed the file"},
      {"counter over 32 bits", [](Bytes& b) { SetCounter(b, 68, "99999999999"); }, "counter exceeds 32 bits"},
      {"counter not decimal", [](Bytes& b) { b[60] = 'x'; }, "counter is not decimal"},
      {"counter without NUL", [](Bytes& b) { b[55] = '1'; }, "counter without digits or NUL"},
      {"variable item size", [](Bytes& b) { SetCounter(b, 44, "00000000007"); },
       "item size of a variable array not 0 or 4"},
      {"offsets out of order", [](Bytes& b) { b[443] = 8; }, "offsets out of order"},
      {"offsets beyond the data", [](Bytes& b) { b[447] = 9; }, "offsets do not span the data"},
      {"offsets start after 0", [](Bytes& b) { b[439] = 1; }, "offsets do not span the data"},
      {"offsets byte size", [](Bytes& b) { SetCounter(b, 427, "00000000016"); },
       "offsets block does not describe count + 1 entries"},
      {"offsets entry size", [](Bytes& b) { SetCounter(b, 403, "00000000008"); }, "offsets entry size is not 4"},
      {"offsets signature", [](Bytes& b) { b[362] = 0; }, "bad signature"},
  };
  for (const Damage& d : damages) {
    RecordingHost host;
    Bytes bytes = StoreFixture();
    d.change(bytes);
    Store s;
    MemoryFile file(bytes);
    EXPECT_FALSE(s.store.LitDans(&file)) << d.what;
    ASSERT_NE(s.store.GetReadFailure(), nullptr) << d.what;
    EXPECT_STREQ(s.store.GetReadFailure(), d.reason) << d.what;
    EXPECT_EQ(s.store.GetCount(), 0u) << d.what;
    EXPECT_LT(s.store.GetAllocatedSize(), 1u << 20) << d.what;
    char record[8];
    EXPECT_EQ(s.store.FetchData(10, record, sizeof record) <= sizeof record, true) << d.what;
  }
}

TEST(ContainerBlocks, DamagedAttachedArrayFailsTheWholeBlock) {
  RecordingHost host;
  Bytes bytes = StoreFixture();
  bytes[87] = 0;  // offset 87: signature of the code list
  Store s;
  MemoryFile file(bytes);
  EXPECT_FALSE(s.store.LitDans(&file));
  EXPECT_TRUE(host.Showed("LXArray::LitDans(XFILES)\n\tError occur when reading table!!"));
  EXPECT_EQ(s.store.GetCount(), 0u);
}

TEST(ContainerBlocks, EveryTruncationIsRefused) {
  const Bytes fixture = StoreFixture();
  for (std::size_t length = 0; length < fixture.size(); ++length) {
    RecordingHost host;
    Store s;
    MemoryFile file(Bytes(fixture.begin(), fixture.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_FALSE(s.store.LitDans(&file)) << length;
  }
}

TEST(ContainerBlocks, FixedArrayBlocksThatDescribeAnotherArrayAreRefused) {
  LArray source(8, nullptr, false);
  std::uint32_t pair[] = {1, 2};
  source.AddItem(pair);
  source.AddItem(pair);
  MemoryFile written;
  ASSERT_TRUE(source.EcritDans(&written));
  const Damage damages[] = {
      {"item size of another array", [](Bytes& b) { SetCounter(b, 44, "00000000004"); },
       "item size differs from the array's"},
      {"data size not count x size", [](Bytes& b) { SetCounter(b, 68, "00000000015"); },
       "data size is not count x item size"},
      {"count without data", [](Bytes& b) { SetCounter(b, 56, "00000000003"); }, "data size is not count x item size"},
  };
  for (const Damage& d : damages) {
    Bytes bytes = written.Bytes();
    d.change(bytes);
    LArray target(8, nullptr, false);
    MemoryFile file(bytes);
    EXPECT_FALSE(target.LitDans(&file)) << d.what;
    EXPECT_STREQ(target.GetReadFailure(), d.reason) << d.what;
  }
  // A data size of 0 stands for count x item size.
  Bytes bytes = written.Bytes();
  SetCounter(bytes, 68, "00000000000");
  LArray target(8, nullptr, false);
  MemoryFile file(bytes);
  EXPECT_TRUE(target.LitDans(&file));
  EXPECT_EQ(target.GetCount(), 2u);
}

// A store of many records of assorted sizes, empty ones included.
void FillStore(LXArray& store, unsigned records) {
  std::mt19937 random(11);
  for (std::uint32_t code = 1; code <= records; ++code) {
    std::string record(random() % 40, static_cast<char>('a' + code % 26));
    store.EcritData(code * 7, record.data(), static_cast<unsigned>(record.size()));
  }
}

void ExpectSameStore(LXArray& a, LXArray& b, unsigned records) {
  ASSERT_EQ(a.GetCount(), b.GetCount());
  ASSERT_EQ(a.GetCodeList()->GetCount(), b.GetCodeList()->GetCount());
  for (std::uint32_t code = 1; code <= records; ++code) {
    char ra[64], rb[64];
    unsigned sa = a.FetchData(code * 7, ra, sizeof ra);
    ASSERT_EQ(sa, b.FetchData(code * 7, rb, sizeof rb)) << code;
    EXPECT_EQ(std::memcmp(ra, rb, sa), 0) << code;
  }
}

TEST(ContainerBlocks, RoundTripThroughMemoryAndARealFile) {
  LXArray store("TBRound", true);
  FillStore(store, 500);
  MemoryFile memory;
  ASSERT_TRUE(store.EcritDans(&memory));
  EXPECT_EQ(memory.Bytes().size(), store.GetSerializedDataSize());
  memory.Seek(0);
  LXArray fromMemory("TBRound", true);
  ASSERT_TRUE(fromMemory.LitDans(&memory));
  ExpectSameStore(store, fromMemory, 500);

  TempDir dir;
  std::string path = dir.Path() + "/store.bin";
  {
    auto file = PlatformFile::Open(path, FileMode::Create);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Write("head", 4));  // blocks start at the handle's position
    ASSERT_TRUE(store.EcritDans(file.get()));
    ASSERT_TRUE(file->Close());
  }
  auto file = PlatformFile::Open(path, FileMode::Read);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Seek(4));
  LXArray fromFile("TBRound", true);
  ASSERT_TRUE(fromFile.LitDans(file.get()));
  EXPECT_EQ(file->Remaining(), 0);
  ExpectSameStore(store, fromFile, 500);
}

TEST(ContainerBlocks, VariableArrayOfEmptyItemsReadsBack) {
  // Items of 0 bytes only: data size 0 with a count, no attached arrays, then
  // the offsets block.
  LVariableArray array(nullptr, false);
  for (int k = 0; k < 3; ++k) array.AddItem("", 0);
  MemoryFile file;
  ASSERT_TRUE(array.EcritDans(&file));
  file.Seek(0);
  LVariableArray back(nullptr, false);
  ASSERT_TRUE(back.LitDans(&file)) << back.GetReadFailure();
  EXPECT_EQ(back.GetCount(), 3u);
  EXPECT_EQ(back.GetItemSize(2), 0u);
}

TEST(ContainerBlocks, EveryFailingReadOrWriteFailsTheOperation) {
  RecordingHost host;
  Store s;
  MemoryFile counting;
  ASSERT_TRUE(s.store.EcritDans(&counting));
  const int writes = counting.WriteCalls();
  for (int n = 1; n <= writes; ++n) {
    MemoryFile file;
    file.FailWriteNumber(n);
    EXPECT_FALSE(s.store.EcritDans(&file)) << "write " << n;
  }
  MemoryFile reading(StoreFixture());
  Store probe;
  ASSERT_TRUE(probe.store.LitDans(&reading));
  const int reads = reading.ReadCalls();
  EXPECT_GE(reads, 5);
  for (int n = 1; n <= reads; ++n) {
    MemoryFile file(StoreFixture());
    file.FailReadNumber(n);
    Store target;
    EXPECT_FALSE(target.store.LitDans(&file)) << "read " << n;
    EXPECT_EQ(target.store.GetCount(), 0u);
  }
}

TEST(LArraySynchro, OneStampPerMachineAndKeySurvivesTheFile) {
  ScopedClock clock(45000.25);
  LArraySynchro stamps;
  // A stamp of another machine for the same key stays beside ours.
  std::uint32_t other[] = {12, LArraySynchro::GetSystemID() + 1, 99, 100};
  stamps.AddItem(other);
  stamps.AddSynchroInfo(12, 1);
  stamps.AddSynchroInfo(12, 2);
  stamps.AddSynchroInfo(5, 3);
  EXPECT_EQ(stamps.GetCount(), 3u);
  EXPECT_EQ(stamps.GetNumeroEnregistrement(12), 2u);
  EXPECT_EQ(stamps.GetDateSynchro(12), 45000u);
  EXPECT_EQ(stamps.GetNumeroEnregistrement(6), 0u);
  EXPECT_EQ(LArraySynchro::GetSystemID(), GetMachineSerial());

  TempDir dir;
  ASSERT_TRUE(stamps.WriteToFile(dir.Path()));
  EXPECT_EQ(ReadAll(dir.Path() + "/Synchros.bin").size(), 80u + 3 * 16);
  LArraySynchro back;
  ASSERT_TRUE(back.LoadFromFile(dir.Path() + "/"));
  EXPECT_EQ(back.GetNumeroEnregistrement(12), 2u);
  EXPECT_EQ(back.GetNumeroEnregistrement(5), 3u);

  RecordingHost host;
  EXPECT_FALSE(back.LoadFromFile(dir.Path() + "/absent"));
  EXPECT_FALSE(stamps.WriteToFile(dir.Path() + "/absent/folder"));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].caption, "Synchronisation");
}

}  // namespace
}  // namespace genvora
