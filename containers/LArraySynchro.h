// LArraySynchro: per-machine synchronisation stamps of records, kept in the
// file "Synchros.bin" of a folder as one LArray block.
//
// Item layout, 16 bytes, unsigned 32-bit little-endian words:
//
// | offset | size | field                                                  |
// |--------|------|--------------------------------------------------------|
// | 0      | 4    | key (a record code); the only word the order looks at  |
// | 4      | 4    | system identifier of the machine that made the stamp   |
// | 8      | 4    | record number                                          |
// | 12     | 4    | day of the stamp, date-time serial (0 = 30 Dec 1899)   |
//
// Invariant: for one key there is at most one stamp per machine.
#pragma once

#include <cstdint>

#include "containers/LArray.h"
#include "platform/Types.h"

namespace genvora {

class LArraySynchro : public LArray {
 public:
  static constexpr unsigned kStampSize = 16;
  static constexpr const char* kFileName = "Synchros.bin";

  LArraySynchro();

  // Replaces this machine's stamp for `key` by one made today.
  void AddSynchroInfo(std::uint32_t key, std::uint32_t recordNumber);
  // This machine's record number, or day, for `key`; 0 when it has no stamp.
  std::uint32_t GetNumeroEnregistrement(std::uint32_t key) const;
  std::uint32_t GetDateSynchro(std::uint32_t key) const;
  static std::uint32_t GetSystemID();

  // `folder` + "Synchros.bin" (a path separator is added when missing).
  // LoadFromFile answers false when the file is absent or refused.
  bool LoadFromFile(const AnsiString& folder);
  // Shows the synchronisation write error and answers false when the file
  // cannot be created.
  bool WriteToFile(const AnsiString& folder) const;

  AnsiString Text;  // carried for the host, not saved

 private:
  struct Stamp {
    std::uint32_t key, systemId, recordNumber, day;
  };
  // Index of this machine's stamp for `key`, 0 when none.
  int FindOwnStamp(std::uint32_t key) const;
  Stamp StampAt(int index) const;
};

}  // namespace genvora
