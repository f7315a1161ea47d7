#include "tables/TGTableParticules.h"

#include <cstring>

namespace genvora {

TGTableParticules::TGTableParticules() : LVariableArray(nullptr, false) { SetClassName("PartNameTbl"); }

void TGTableParticules::UpdateFrom(const std::vector<AnsiString>& list) {
  Flush();
  for (const AnsiString& text : list) {
    // A text cannot hold a NUL on disk: it ends at the first one.
    const std::size_t length = std::strlen(text.c_str());
    AddItem(text.c_str(), static_cast<unsigned>(length + 1));
  }
}

void TGTableParticules::LoadList(std::vector<AnsiString>& list) const {
  list.clear();
  const int count = static_cast<int>(GetCount());
  for (int i = 1; i <= count; ++i) {
    const auto* bytes = static_cast<const char*>(GetItemPtr(i));
    const std::size_t size = GetItemSize(i);
    const void* nul = size != 0 ? std::memchr(bytes, '\0', size) : nullptr;
    const std::size_t length = nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size;
    list.emplace_back(bytes, length);
  }
}

}  // namespace genvora
