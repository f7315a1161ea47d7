#include "tables/TGTableParticules.h"

#include <cstring>
#include <unordered_set>

#include "utilities/TextUtils.h"

namespace genvora {

TGTableParticules::TGTableParticules() : LVariableArray(nullptr, false) {
  SetClassName("PartNameTbl");
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;
}

void TGTableParticules::UpdateFrom(const std::vector<AnsiString>& list) {
  Flush();
  for (const AnsiString& text : list) {
    // A text cannot hold a NUL on disk: it ends at the first one.
    const std::size_t length = std::strlen(text.c_str());
    AddItem(text.c_str(), static_cast<unsigned>(length + 1));
  }
}

void TGTableParticules::LoadList(std::vector<AnsiString>& list, bool brut) const {
  list.clear();
  const int count = static_cast<int>(GetCount());
  for (int i = 1; i <= count; ++i) {
    const auto* bytes = static_cast<const char*>(GetItemPtr(i));
    const std::size_t size = GetItemSize(i);
    const void* nul = size != 0 ? std::memchr(bytes, '\0', size) : nullptr;
    const std::size_t length = nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size;
    list.emplace_back(bytes, length);
  }
  if (brut) return;
  std::vector<AnsiString> usable;
  std::unordered_set<AnsiString> seen;
  for (const AnsiString& item : list) {
    AnsiString particle = AnsiTrim(item);
    if (!particle.empty() && seen.insert(AnsiUpperCase(particle)).second) usable.push_back(std::move(particle));
  }
  list.swap(usable);
}

int TGTableParticules::ImporteListe(const std::vector<AnsiString>& list) {
  std::vector<AnsiString> held;
  LoadList(held, true);
  std::unordered_set<AnsiString> seen;
  for (const AnsiString& item : held) seen.insert(AnsiUpperCase(AnsiTrim(item)));
  int added = 0;
  for (const AnsiString& item : list) {
    // A text cannot hold a NUL on disk: it ends at the first one.
    const AnsiString particle = AnsiTrim(AnsiString(item.c_str()));
    if (particle.empty() || !seen.insert(AnsiUpperCase(particle)).second) continue;
    AddItem(particle.c_str(), static_cast<unsigned>(particle.size() + 1));
    ++added;
  }
  return added;
}

int TGTableParticules::ImporteListe(const TGTableParticules& source) {
  if (&source == this) return 0;
  std::vector<AnsiString> list;
  source.LoadList(list, true);
  return ImporteListe(list);
}

}  // namespace genvora
