#include "tables/TGTableDocuments.h"

#include <algorithm>
#include <array>

#include "containers/LComparator.h"
#include "records/TGDocument.h"
#include "records/TGLienRoot.h"
#include "tables/IndexSupport.h"
#include "tables/RecordPeek.h"

namespace genvora {

namespace {

// Codes of a store in store order: each pair names its item.
std::vector<CodeID> StoreOrder(const LXArray& store) {
  const LArray* codeList = store.GetCodeList();
  std::vector<std::pair<std::uint32_t, CodeID>> byItem;
  byItem.reserve(codeList->GetCount());
  for (int i = 1; i <= static_cast<int>(codeList->GetCount()); ++i)
    byItem.emplace_back(ItemWord(codeList->GetItemPtr(i), 1), ItemWord(codeList->GetItemPtr(i), 0));
  std::sort(byItem.begin(), byItem.end());
  std::vector<CodeID> codes;
  codes.reserve(byItem.size());
  for (const auto& entry : byItem) codes.push_back(entry.second);
  return codes;
}

}  // namespace

TGTableLienDocuments::TGTableLienDocuments() : LXArray("TG5LinkDoc", true) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;
  index_ = new LArray(kIndexItemSize, new LLongComparator, true);
  index_->SetClassName("TBDoc-IdxDoc");
  AttachArray(kIndexSlot, index_);
}

void TGTableLienDocuments::RemoveEntriesOfLink(CodeID link) {
  // The stored record names its event: the entry is in that event's run.
  TGLienDocument stored;
  if (LitSansEffacer(stored, link, *this)) {
    const CodeID event = stored.GetXREFEvenement();
    const int count = static_cast<int>(index_->GetCount());
    for (int i = LowerBoundFirstWord(*index_, event); i <= count; ++i) {
      const void* item = index_->GetItemPtr(i);
      if (ItemWord(item, 0) != event) break;
      if (ItemWord(item, 2) == link) {
        index_->RemoveItemsAt(1, i);
        return;
      }
    }
  }
  // An entry out of its run (a damaged index) is found by a scan.
  for (int i = 1; i <= static_cast<int>(index_->GetCount()); ++i) {
    if (ItemWord(index_->GetItemPtr(i), 2) == link) {
      index_->RemoveItemsAt(1, i);
      return;
    }
  }
}

int TGTableLienDocuments::EcritData(TGLienDocument* lien) {
  if (lien == nullptr || lien->GetCodeID() == 0) return 0;
  const CodeID code = lien->GetCodeID();
  // The old entry is found through the old record, so remove it first.
  std::uint32_t pair[2] = {code, 0};
  if (GetCodeList()->FetchIndexOf(pair, kPairSize) != 0) RemoveEntriesOfLink(code);
  const int position = lien->EcritDans(code, this);
  if (position == 0) return 0;
  AddLink(lien->GetXREFEvenement(), lien->GetXREFDocument(), code);
  return position;
}

bool TGTableLienDocuments::FetchData(CodeID code, TGLienDocument* lien) {
  return lien != nullptr && lien->LitDans(code, this);
}

int TGTableLienDocuments::DeleteData(std::uint32_t code) {
  RemoveEntriesOfLink(code);
  return LXArray::DeleteData(code);
}

bool TGTableLienDocuments::AddLink(CodeID event, CodeID document, CodeID link) {
  LArray documents(4, nullptr, false);
  DocumentDe(event, &documents);
  for (int i = 1; i <= static_cast<int>(documents.GetCount()); ++i)
    if (ItemWord(documents.GetItemPtr(i), 0) == document) return false;
  const std::uint32_t item[3] = {event, document, link};
  InsertInRun(*index_, item);
  return true;
}

bool TGTableLienDocuments::RemoveLink(CodeID event, CodeID document) {
  bool removed = false;
  int i = LowerBoundFirstWord(*index_, event);
  while (i <= static_cast<int>(index_->GetCount())) {
    const void* item = index_->GetItemPtr(i);
    if (ItemWord(item, 0) != event) break;
    if (ItemWord(item, 1) == document) {
      index_->RemoveItemsAt(1, i);
      removed = true;
    } else {
      ++i;
    }
  }
  return removed;
}

void TGTableLienDocuments::DocumentDe(CodeID event, LArray* out) const {
  if (out == nullptr) return;
  out->Flush();
  const int count = static_cast<int>(index_->GetCount());
  for (int i = LowerBoundFirstWord(*index_, event); i <= count; ++i) {
    const void* item = index_->GetItemPtr(i);
    if (ItemWord(item, 0) != event) break;
    const CodeID document = ItemWord(item, 1);
    out->AddItem(&document, 4);
  }
}

int TGTableLienDocuments::EvenementDe(CodeID document, LArray* out) const {
  if (out == nullptr) return 0;
  const bool wholeEntries = out->HasFixedItems() && out->GetItemSize(1) == kIndexItemSize;
  for (int i = 1; i <= static_cast<int>(index_->GetCount()); ++i) {
    const void* item = index_->GetItemPtr(i);
    if (ItemWord(item, 1) != document) continue;
    if (wholeEntries) {
      out->AddItem(item, kIndexItemSize);
    } else {
      const CodeID event = ItemWord(item, 0);
      out->AddItem(&event, 4);
    }
  }
  return static_cast<int>(out->GetCount());
}

CodeID TGTableLienDocuments::IDDuLien(CodeID event, CodeID document) const {
  const int count = static_cast<int>(index_->GetCount());
  for (int i = LowerBoundFirstWord(*index_, event); i <= count; ++i) {
    const void* item = index_->GetItemPtr(i);
    if (ItemWord(item, 0) != event) break;
    if (ItemWord(item, 1) == document) return ItemWord(item, 2);
  }
  return 0;
}

void TGTableLienDocuments::ReIndex() {
  const std::vector<CodeID> codes = StoreOrder(*this);
  index_->Flush();
  ProgressTicker ticker("TBDoc-IdxDoc", static_cast<std::int64_t>(codes.size()));
  std::int64_t done = 0;
  // Entries of one event keep store order; a pair cited twice keeps its
  // first link, as adding the records one by one would.
  std::vector<std::array<std::uint32_t, 3>> entries;
  entries.reserve(codes.size());
  TGLienDocument lien;
  for (CodeID code : codes) {
    ticker.Step(++done);
    lien.zeroMemory();
    if (lien.LitDans(code, this)) entries.push_back({lien.GetXREFEvenement(), lien.GetXREFDocument(), code});
  }
  StableSortGuarded(entries, [](const auto& a, const auto& b) { return static_cast<std::int32_t>(a[0] - b[0]) < 0; });
  std::vector<std::uint32_t> words;
  words.reserve(entries.size() * 3);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    bool duplicate = false;
    for (std::size_t j = i; j-- > 0 && entries[j][0] == entries[i][0];)
      if (entries[j][1] == entries[i][1]) duplicate = true;
    if (!duplicate) words.insert(words.end(), entries[i].begin(), entries[i].end());
  }
  BulkLoad(*index_, words.data(), words.size() / 3);
  ticker.Done();
}

TGTableDocuments::TGTableDocuments() : LXArray("TG5Doc", true) {
  itemSize_ = kEntrySize;
  liens_ = new TGTableLienDocuments();
  AttachArray(kLiensSlot, liens_);
}

int TGTableDocuments::EcritData(TGDocument* document) {
  if (document == nullptr || document->GetCodeID() == 0) return 0;
  return document->EcritDans(document->GetCodeID(), this);
}

bool TGTableDocuments::FetchData(CodeID code, TGDocument* document) {
  return document != nullptr && document->LitDans(code, this);
}

int TGTableDocuments::DeleteData(std::uint32_t code) {
  LArray entries(TGTableLienDocuments::kIndexItemSize, nullptr, false);
  liens_->EvenementDe(code, &entries);
  for (int i = 1; i <= static_cast<int>(entries.GetCount()); ++i) liens_->DeleteData(ItemWord(entries.GetItemPtr(i), 2));
  return LXArray::DeleteData(code);
}

bool TGTableDocuments::OkToDelete(CodeID code) const {
  const LArray* index = liens_->GetIndex();
  for (int i = 1; i <= static_cast<int>(index->GetCount()); ++i)
    if (ItemWord(index->GetItemPtr(i), 1) == code) return false;
  return true;
}

}  // namespace genvora
