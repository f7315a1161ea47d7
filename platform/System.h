// The machine and the clock, as the engine sees them.
//
// Dates of the platform are counted as a date-time serial: whole days since
// 30 December 1899 (day 0), with the time of day as the fraction. Tests fix
// the clock with ScopedClock so that stamps are reproducible.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace genvora {

// A stable 32-bit identifier of this machine, derived from the machine
// identifier of the operating system (/etc/machine-id, else the D-Bus
// machine id, else the host name): the same at every run on one machine,
// different between machines.
std::uint32_t GetMachineSerial();

// Now, as a date-time serial in local time.
double NowDateTime();
// Today: the whole days of NowDateTime().
std::uint32_t TodaySerial();

// Milliseconds since the system started, wrapping at 2^32: the tick count
// that stamps a new database file is a 32-bit field.
std::uint32_t GetTickCount32();

// Asks the system to back a large block (some megabytes and more) with huge
// pages: filling it then takes one fault per 2 MB instead of one per 4 kB.
// Only a hint; smaller blocks and systems without it are left as they are.
void AdviseLargeBlock(void* block, std::size_t bytes);

// Fixes the clock for the life of the object (tests).
class ScopedClock {
 public:
  explicit ScopedClock(double dateTime);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  std::optional<double> saved_;
};

}  // namespace genvora
