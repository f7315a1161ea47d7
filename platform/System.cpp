#include "platform/System.h"

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
  struct tm local {};
  localtime_r(&ts.tv_sec, &local);
  // Seconds east of UTC: stored days and stamps follow the local clock.
  // 25569 is the serial of 1 January 1970.
  double localSeconds = static_cast<double>(ts.tv_sec + local.tm_gmtoff) + ts.tv_nsec / 1e9;
  return 25569.0 + localSeconds / 86400.0;
}

std::uint32_t TodaySerial() { return static_cast<std::uint32_t>(std::floor(NowDateTime())); }

std::uint32_t GetTickCount32() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

ScopedClock::ScopedClock(double dateTime) : saved_(g_fixedClock) { g_fixedClock = dateTime; }
ScopedClock::~ScopedClock() { g_fixedClock = saved_; }

}  // namespace genvora
