#include "tables/TGTableBranchesMemorisees.h"

#include "containers/LComparator.h"

namespace genvora {

TGTableBranchesMemorisees::TGTableBranchesMemorisees() : LArray(kItemSize, new LLongComparator(), true) {
  SetClassName("BranchesMemorisees");
}

CodeID TGTableBranchesMemorisees::AddBranche(CodeID code, typeAideRechercheT type, ICodeAllocator* codes) {
  if (codes == nullptr) return 0;
  const CodeID id = codes->GetNextID();
  if (id == 0) return 0;
  ImportBranche(code, type, id);
  return id;
}

void TGTableBranchesMemorisees::ImportBranche(CodeID code, typeAideRechercheT type, CodeID id) {
  const std::uint32_t item[3] = {code, type, id};
  InsertInRun(*this, item);
}

bool TGTableBranchesMemorisees::BrancheExists(CodeID code) const {
  const int at = LowerBoundFirstWord(*this, code);
  return at <= static_cast<int>(GetCount()) && ItemWord(GetItemPtr(at), 0) == code;
}

bool TGTableBranchesMemorisees::SupprimeBranche(CodeID code) {
  const int at = LowerBoundFirstWord(*this, code);
  int end = at;
  while (end <= static_cast<int>(GetCount()) && ItemWord(GetItemPtr(end), 0) == code) ++end;
  if (end == at) return false;
  RemoveItemsAt(static_cast<unsigned>(end - at), at);
  return true;
}

TGTableIndiMarques::TGTableIndiMarques() : LArray(kItemSize, nullptr, false) {
  SetClassName("CkeckedPeoples");
  InvalidateSort();
}

void TGTableIndiMarques::EnsureSet() const {
  if (setValid_) return;
  set_.clear();
  for (int i = 1; i <= static_cast<int>(GetCount()); ++i) set_.insert(ItemWord(GetItemPtr(i), 0));
  setValid_ = true;
}

bool TGTableIndiMarques::Marque(CodeID code) {
  EnsureSet();
  if (code == 0 || !set_.insert(code).second) return false;
  AddItem(&code, kItemSize);
  return true;
}

bool TGTableIndiMarques::Demarque(CodeID code) {
  EnsureSet();
  if (set_.erase(code) == 0) return false;
  // A file may hold a code twice: every copy goes.
  for (int i = static_cast<int>(GetCount()); i >= 1; --i)
    if (ItemWord(GetItemPtr(i), 0) == code) RemoveItemsAt(1, i);
  return true;
}

bool TGTableIndiMarques::EstMarque(CodeID code) const {
  EnsureSet();
  return set_.count(code) != 0;
}

bool TGTableIndiMarques::LitDans(FileHandle* file) {
  const bool ok = LArray::LitDans(file);
  setValid_ = false;
  return ok;
}

void TGTableIndiMarques::Flush() {
  LArray::Flush();
  set_.clear();
  setValid_ = true;
}

}  // namespace genvora
