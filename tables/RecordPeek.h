// Reading a stored record while its own table is changing. TGRoot::LitDans
// removes a damaged entry through the store's DeleteData; a table that reads
// a record from inside DeleteData or from a comparator of its index would
// then re-enter itself. LitSansEffacer decodes the same bytes and leaves a
// damaged entry where it is.
#pragma once

#include <memory>

#include "containers/LXArray.h"
#include "records/TGRoot.h"

namespace genvora {

inline bool LitSansEffacer(TGRoot& record, CodeID code, LXArray& store) {
  std::uint32_t key[2] = {code, 0};
  if (store.GetCodeList() == nullptr || store.GetCodeList()->FetchIndexOf(key, LXArray::kPairSize) == 0) return false;
  const unsigned stored = store.FetchData(code, nullptr, 0);
  if (stored > 0x7FFFFFFFu) return false;
  auto bytes = std::make_unique<unsigned char[]>(stored == 0 ? 1 : stored);
  if (stored != 0 && store.FetchData(code, bytes.get(), stored) != stored) return false;
  try {
    record.Decode(bytes.get(), static_cast<int>(stored));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace genvora
