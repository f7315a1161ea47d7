// The containers beside the standard equivalents doing the same work:
// appends, sorted insertions, binary searches, item access and record access
// on 1,000,000 items, and the serialized block of a 100 MB variable array
// through a real file beside plain POSIX reads and writes of the same bytes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "containers/LArray.h"
#include "containers/LVariableArray.h"
#include "containers/LXArray.h"
#include "platform/File.h"

namespace {

using genvora::FileMode;
using genvora::LArray;
using genvora::LVariableArray;
using genvora::LXArray;
using genvora::PlatformFile;

constexpr std::uint32_t kItems = 1000000;

std::vector<std::uint32_t> RandomKeys(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint32_t> keys(count);
  for (auto& k : keys) k = random() % (kItems * 4);
  return keys;
}

// Even numbers 0, 2, ..., so that odd probes fall between items.
void FillSorted(LArray& array) {
  for (std::uint32_t k = 0; k < kItems; ++k) {
    std::uint32_t v = 2 * k;
    array.AddItem(&v);
  }
  array.Sort();
}
std::vector<std::uint32_t> SortedVector() {
  std::vector<std::uint32_t> v(kItems);
  for (std::uint32_t k = 0; k < kItems; ++k) v[k] = 2 * k;
  return v;
}

// ------------------------------------------------------------------ append

void BM_Append_LArray(benchmark::State& state) {
  for (auto _ : state) {
    LArray array;
    for (std::uint32_t k = 0; k < kItems; ++k) array.AddItem(&k);
    benchmark::DoNotOptimize(array.GetItemsHandle());
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_Append_LArray)->Unit(benchmark::kMillisecond);

void BM_Append_Vector(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<std::uint32_t> v;
    for (std::uint32_t k = 0; k < kItems; ++k) v.push_back(k);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_Append_Vector)->Unit(benchmark::kMillisecond);

// ------------------------------------------------------------------ binary search

void BM_BinarySearch_LArray(benchmark::State& state) {
  LArray array;
  FillSorted(array);
  auto probes = RandomKeys(4096, 1);
  for (auto& p : probes) p &= ~1u;  // present
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(array.FetchIndexOf(&probes[k++ & 4095]));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BinarySearch_LArray);

void BM_BinarySearch_Vector(benchmark::State& state) {
  auto v = SortedVector();
  auto probes = RandomKeys(4096, 1);
  for (auto& p : probes) p &= ~1u;
  std::size_t k = 0;
  for (auto _ : state) {
    std::uint32_t probe = probes[k++ & 4095];
    auto it = std::lower_bound(v.begin(), v.end(), probe);
    benchmark::DoNotOptimize(it != v.end() && *it == probe ? it - v.begin() + 1 : 0);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BinarySearch_Vector);

// ------------------------------------------------------------------ sorted insert

// One insertion at the sorted place of a random odd key into 1,000,000 items,
// then its removal, so the array keeps its size.
void BM_SortedInsert_LArray(benchmark::State& state) {
  LArray array(4, nullptr, true);
  FillSorted(array);
  auto probes = RandomKeys(4096, 2);
  for (auto& p : probes) p |= 1u;
  std::size_t k = 0;
  for (auto _ : state) {
    int at = array.AddItem(&probes[k++ & 4095]);
    array.RemoveItemsAt(1, at);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SortedInsert_LArray);

void BM_SortedInsert_Vector(benchmark::State& state) {
  auto v = SortedVector();
  auto probes = RandomKeys(4096, 2);
  for (auto& p : probes) p |= 1u;
  std::size_t k = 0;
  for (auto _ : state) {
    std::uint32_t probe = probes[k++ & 4095];
    auto at = v.insert(std::lower_bound(v.begin(), v.end(), probe), probe);
    v.erase(at);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SortedInsert_Vector);

// ------------------------------------------------------------------ item access

void BM_FetchPoke_LArray(benchmark::State& state) {
  LArray array;
  FillSorted(array);
  for (auto _ : state) {
    for (int i = 1; i <= static_cast<int>(kItems); ++i) {
      std::uint32_t v;
      array.FetchItemAt(i, &v);
      ++v;
      array.PokeItem(i, &v, 4);
    }
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_FetchPoke_LArray)->Unit(benchmark::kMillisecond);

void BM_FetchPoke_Vector(benchmark::State& state) {
  auto v = SortedVector();
  for (auto _ : state) {
    for (std::size_t i = 0; i < v.size(); ++i) {
      std::uint32_t x = v[i];
      ++x;
      v[i] = x;
    }
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_FetchPoke_Vector)->Unit(benchmark::kMillisecond);

// ------------------------------------------------------------------ records by code

constexpr unsigned kRecordSize = 24;

void BM_FetchEcritData_LXArray(benchmark::State& state) {
  LXArray store("TBBench", true);
  char record[kRecordSize] = "record";
  for (std::uint32_t code = 1; code <= kItems; ++code) store.EcritData(code, record, kRecordSize);
  auto codes = RandomKeys(4096, 3);
  std::size_t k = 0;
  for (auto _ : state) {
    std::uint32_t code = codes[k++ & 4095] % kItems + 1;
    store.FetchData(code, record, sizeof record);
    record[0]++;
    store.EcritData(code, record, kRecordSize);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FetchEcritData_LXArray);

// The same work with a sorted vector of (code, index) pairs over a flat block.
void BM_FetchEcritData_Vector(benchmark::State& state) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> codes;
  std::vector<char> block(static_cast<std::size_t>(kItems) * kRecordSize);
  for (std::uint32_t code = 1; code <= kItems; ++code) codes.emplace_back(code, code - 1);
  auto probes = RandomKeys(4096, 3);
  char record[kRecordSize] = "record";
  std::size_t k = 0;
  for (auto _ : state) {
    std::uint32_t code = probes[k++ & 4095] % kItems + 1;
    auto it = std::lower_bound(codes.begin(), codes.end(), std::make_pair(code, 0u));
    std::memcpy(record, block.data() + static_cast<std::size_t>(it->second) * kRecordSize, kRecordSize);
    record[0]++;
    it = std::lower_bound(codes.begin(), codes.end(), std::make_pair(code, 0u));
    std::memcpy(block.data() + static_cast<std::size_t>(it->second) * kRecordSize, record, kRecordSize);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FetchEcritData_Vector);

// ------------------------------------------------------------------ 100 MB block through a file

struct BigFile {
  std::string folder;
  std::string path;
  LVariableArray array{nullptr, false};
  std::int64_t size = 0;
  BigFile() {
    folder = (std::filesystem::temp_directory_path() / ("genvora-bench-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(folder);
    path = folder + "/big.bin";
    std::string record(100, 'r');
    for (std::uint32_t k = 0; k < kItems; ++k) {
      record[k % 100] = static_cast<char>(k);
      array.AddItem(record.data(), static_cast<unsigned>(record.size()));
    }
    auto file = PlatformFile::Open(path, FileMode::Create);
    array.EcritDans(file.get());
    file->Close();
    size = static_cast<std::int64_t>(std::filesystem::file_size(path));
  }
  ~BigFile() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

BigFile& Big() {
  static BigFile big;
  return big;
}

void BM_LitDans100MB_LVariableArray(benchmark::State& state) {
  BigFile& big = Big();
  LVariableArray target(nullptr, false);
  for (auto _ : state) {
    auto file = PlatformFile::Open(big.path, FileMode::Read);
    if (!target.LitDans(file.get())) state.SkipWithError("LitDans failed");
  }
  state.SetBytesProcessed(state.iterations() * big.size);
}
BENCHMARK(BM_LitDans100MB_LVariableArray)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LitDans100MB_PosixRead(benchmark::State& state) {
  BigFile& big = Big();
  std::vector<char> buffer(static_cast<std::size_t>(big.size));
  for (auto _ : state) {
    int fd = ::open(big.path.c_str(), O_RDONLY);
    std::size_t done = 0;
    while (done < buffer.size()) {
      ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(state.iterations() * big.size);
}
BENCHMARK(BM_LitDans100MB_PosixRead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EcritDans100MB_LVariableArray(benchmark::State& state) {
  BigFile& big = Big();
  std::string path = big.folder + "/out.bin";
  for (auto _ : state) {
    auto file = PlatformFile::Open(path, FileMode::Create);
    if (!big.array.EcritDans(file.get()) || !file->Close()) state.SkipWithError("EcritDans failed");
  }
  state.SetBytesProcessed(state.iterations() * big.size);
}
BENCHMARK(BM_EcritDans100MB_LVariableArray)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EcritDans100MB_PosixWrite(benchmark::State& state) {
  BigFile& big = Big();
  std::string path = big.folder + "/out.bin";
  std::vector<char> bytes(static_cast<std::size_t>(big.size), 'b');
  for (auto _ : state) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::close(fd);
  }
  state.SetBytesProcessed(state.iterations() * big.size);
}
BENCHMARK(BM_EcritDans100MB_PosixWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
