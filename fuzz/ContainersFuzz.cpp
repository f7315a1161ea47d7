// Feeds arbitrary bytes to the reader of an indexed store with an attached
// index and its match array: nothing may crash, read out of bounds or
// allocate beyond the bytes given.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "containers/LXArray.h"
#include "containers/TG5indexWithMatch.h"
#include "platform/File.h"
#include "platform/Host.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Misuse messages go nowhere during a run.
  static genvora::QuietHost host;
  genvora::SetHost(&host);
  genvora::LXArray store("TBFuzz", true);
  auto* index = new genvora::TG5indexWithMatch(4, nullptr, true);
  store.AttachArray(2, index);
  genvora::MemoryFile file(std::vector<unsigned char>(data, data + size));
  if (store.LitDans(&file)) {
    // Walk what was accepted, through the code list.
    char buffer[64];
    for (int i = 1; i <= static_cast<int>(store.GetCodeList()->GetCount()); ++i) {
      std::uint32_t pair[2];
      store.GetCodeList()->FetchItemAt(i, pair);
      store.FetchData(pair[0], buffer, sizeof buffer);
    }
    genvora::MemoryFile out;
    store.EcritDans(&out);
  }
  return 0;
}
