#include "tables/TGTableLiensGenerique.h"

#include <vector>

#include "tables/IndexSupport.h"

namespace genvora {

TGTableLiensGenerique::TGTableLiensGenerique(const char* className)
    : LArray(kItemSize, new LLongComparator(), true) {
  SetClassName(className);
}

void TGTableLiensGenerique::AjouteLien(CodeID a, CodeID b) {
  const std::uint32_t pair[2] = {a, b};
  InsertInRun(*this, pair);
}

bool TGTableLiensGenerique::SupprimeLien(CodeID a, CodeID b) {
  const std::uint32_t direct[2] = {a, b};
  const std::uint32_t mirror[2] = {b, a};
  const int first = FindExact(*this, direct);
  const int second = FindExact(*this, mirror);
  int index = first;
  if (index == 0 || (second != 0 && second < index)) index = second;
  if (index == 0) return false;
  RemoveItemsAt(1, index);
  return true;
}

bool TGTableLiensGenerique::EstLie(CodeID a, CodeID b) const {
  const std::uint32_t direct[2] = {a, b};
  const std::uint32_t mirror[2] = {b, a};
  return FindExact(*this, direct) != 0 || FindExact(*this, mirror) != 0;
}

void TGTableLiensGenerique::LesLiensDe(CodeID code, LArray* out) const {
  if (out == nullptr) return;
  out->Flush();
  const int count = static_cast<int>(GetCount());
  for (int i = 1; i <= count; ++i) {
    const void* item = GetItemPtr(i);
    const std::uint32_t a = ItemWord(item, 0);
    const std::uint32_t b = ItemWord(item, 1);
    if (a == code || b == code) {
      const std::uint32_t other = a == code ? b : a;
      out->AddItem(&other, 4);
    }
  }
}

CodeID TGTableLiensGenerique::LePremierLienDe(CodeID code) const {
  const int count = static_cast<int>(GetCount());
  for (int i = 1; i <= count; ++i) {
    const void* item = GetItemPtr(i);
    const std::uint32_t a = ItemWord(item, 0);
    const std::uint32_t b = ItemWord(item, 1);
    if (a == code) return b;
    if (b == code) return a;
  }
  return 0;
}

void TGTableLiensGenerique::RemoveCodeID(CodeID code) {
  std::vector<std::uint32_t> kept;
  kept.reserve(static_cast<std::size_t>(GetCount()) * 2);
  const int count = static_cast<int>(GetCount());
  for (int i = 1; i <= count; ++i) {
    const void* item = GetItemPtr(i);
    if (ItemWord(item, 0) == code || ItemWord(item, 1) == code) continue;
    kept.push_back(ItemWord(item, 0));
    kept.push_back(ItemWord(item, 1));
  }
  if (kept.size() / 2 != GetCount()) BulkLoad(*this, kept.data(), kept.size() / 2);
}

}  // namespace genvora
