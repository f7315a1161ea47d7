#include "platform/System.h"

#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <ctime>
#include <fstream>
#include <string>

namespace genvora {

namespace {
std::optional<double> g_fixedClock;

std::string ReadFirstLine(const char* path) {
  std::ifstream in(path);
  std::string line;
  if (in) std::getline(in, line);
  return line;
}
}  // namespace

std::uint32_t GetMachineSerial() {
  static const std::uint32_t serial = [] {
    std::string id = ReadFirstLine("/etc/machine-id");
    if (id.empty()) id = ReadFirstLine("/var/lib/dbus/machine-id");
    if (id.empty()) {
      char host[256] = {};
      if (gethostname(host, sizeof host - 1) == 0) id = host;
    }
    auto crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(id.data()), static_cast<uInt>(id.size()));
    return static_cast<std::uint32_t>(crc);
  }();
  return serial;
}

double NowDateTime() {
  if (g_fixedClock) return *g_fixedClock;
  struct timespec ts {};
  clock_gettime(CLOCK_REALTIME, &ts);
  // Seconds east of UTC: stored days and stamps follow the local clock.
  // The offset of one second is that of the next call in the same second:
  // records stamped by the million ask the time zone once a second.
  thread_local time_t offsetSecond = -1;
  thread_local long offset = 0;
  if (ts.tv_sec != offsetSecond) {
    struct tm local {};
    localtime_r(&ts.tv_sec, &local);
    offset = local.tm_gmtoff;
    offsetSecond = ts.tv_sec;
  }
  // 25569 is the serial of 1 January 1970.
  double localSeconds = static_cast<double>(ts.tv_sec + offset) + ts.tv_nsec / 1e9;
  return 25569.0 + localSeconds / 86400.0;
}

std::uint32_t TodaySerial() { return static_cast<std::uint32_t>(std::floor(NowDateTime())); }

std::uint32_t GetTickCount32() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

void AdviseLargeBlock(void* block, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kHuge = 2u << 20;
  if (block == nullptr || bytes < 2 * kHuge) return;
  // The whole huge pages inside the block.
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t first = (start + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t end = (start + bytes) & ~(kHuge - 1);
  if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)block;
  (void)bytes;
#endif
}

ScopedClock::ScopedClock(double dateTime) : saved_(g_fixedClock) { g_fixedClock = dateTime; }
ScopedClock::~ScopedClock() { g_fixedClock = saved_; }

}  // namespace genvora
