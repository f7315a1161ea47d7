#include "tables/TGTableDocuments.h"

#include <algorithm>
#include <array>
#include <exception>
#include <set>
#include <utility>
#include <functional>
#include <string>
#include <string_view>

#include "containers/LComparator.h"
#include "records/TGDocument.h"
#include "records/TGLienRoot.h"
#include "tables/IndexSupport.h"
#include "tables/RecordPeek.h"

namespace genvora {

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
        NoteRemoved(event, ItemWord(item, 1));
        index_->RemoveItemsAt(1, i);
        return;
      }
    }
  }
  // An entry out of its run (a damaged index) is found by a scan.
  for (int i = 1; i <= static_cast<int>(index_->GetCount()); ++i) {
    const void* item = index_->GetItemPtr(i);
    if (ItemWord(item, 2) == link) {
      NoteRemoved(ItemWord(item, 0), ItemWord(item, 1));
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
  if (InsertInRun(*index_, item) == 0) return false;
  NoteAdded(event, document);
  return true;
}

bool TGTableLienDocuments::RemoveLink(CodeID event, CodeID document) {
  bool removed = false;
  int i = LowerBoundFirstWord(*index_, event);
  while (i <= static_cast<int>(index_->GetCount())) {
    const void* item = index_->GetItemPtr(i);
    if (ItemWord(item, 0) != event) break;
    if (ItemWord(item, 1) == document) {
      NoteRemoved(event, document);
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
  auto append = [&](const void* item) {
    if (wholeEntries) {
      out->AddItem(item, kIndexItemSize);
    } else {
      const CodeID event = ItemWord(item, 0);
      out->AddItem(&event, 4);
    }
  };
  if (EnsureByDocument()) {
    for (int position : PositionsOf(document)) append(index_->GetItemPtr(position));
  } else {
    for (int i = 1; i <= static_cast<int>(index_->GetCount()); ++i) {
      const void* item = index_->GetItemPtr(i);
      if (ItemWord(item, 1) == document) append(item);
    }
  }
  return static_cast<int>(out->GetCount());
}

void TGTableLienDocuments::NoteAdded(CodeID event, CodeID document) const {
  if (!byDocumentValid_) return;
  ++eventsByDocument_[document][event];
  ++entriesKnown_;
}

void TGTableLienDocuments::NoteRemoved(CodeID event, CodeID document) const {
  if (!byDocumentValid_) return;
  const auto events = eventsByDocument_.find(document);
  if (events == eventsByDocument_.end() || events->second.count(event) == 0) {
    // An entry the order never saw: relearn rather than guess.
    InvalidateOrders();
    return;
  }
  const auto found = events->second.find(event);
  if (--found->second == 0) events->second.erase(found);
  if (events->second.empty()) eventsByDocument_.erase(events);
  --entriesKnown_;
}

void TGTableLienDocuments::InvalidateOrders() const {
  eventsByDocument_.clear();
  entriesKnown_ = 0;
  byDocumentValid_ = false;
}

bool TGTableLienDocuments::EnsureByDocument() const {
  const int count = static_cast<int>(index_->GetCount());
  if (byDocumentValid_ && entriesKnown_ == static_cast<std::size_t>(count)) return indexOrdered_;
  eventsByDocument_.clear();
  entriesKnown_ = 0;
  // The run of an event is found by halving, which the signed first-word
  // order allows only when the events ascend and all lie within 2^31 of one
  // another (signed and unsigned order then agree); a file's index that
  // breaks this is answered by the scan.
  indexOrdered_ = true;
  std::uint32_t first = 0;
  std::uint32_t previous = 0;
  for (int i = 1; i <= count; ++i) {
    const void* item = index_->GetItemPtr(i);
    const std::uint32_t event = ItemWord(item, 0);
    if (i == 1) first = event;
    if (event < previous || event - first >= 0x80000000u) indexOrdered_ = false;
    previous = event;
    ++eventsByDocument_[ItemWord(item, 1)][event];
    ++entriesKnown_;
  }
  byDocumentValid_ = true;
  return indexOrdered_;
}

std::vector<int> TGTableLienDocuments::PositionsOf(CodeID document) const {
  std::vector<int> positions;
  const auto events = eventsByDocument_.find(document);
  if (events == eventsByDocument_.end()) return positions;
  const int count = static_cast<int>(index_->GetCount());
  for (const auto& entry : events->second) {
    const CodeID event = entry.first;
    for (int i = LowerBoundFirstWord(*index_, event); i <= count; ++i) {
      const void* item = index_->GetItemPtr(i);
      if (ItemWord(item, 0) != event) break;
      if (ItemWord(item, 1) == document) positions.push_back(i);
    }
  }
  std::sort(positions.begin(), positions.end());
  return positions;
}

int TGTableLienDocuments::ReplaceLienDoc(CodeID oldDocument, CodeID newDocument) {
  if (oldDocument == 0 || newDocument == 0 || oldDocument == newDocument) return 0;
  // The entries are copied first: each change below moves the index.
  LArray entries(kIndexItemSize, nullptr, false);
  EvenementDe(oldDocument, &entries);
  int changed = 0;
  TGLienDocument lien;
  for (int i = 1; i <= static_cast<int>(entries.GetCount()); ++i) {
    const void* entry = entries.GetItemPtr(i);
    const CodeID event = ItemWord(entry, 0);
    const CodeID link = ItemWord(entry, 2);
    if (IDDuLien(event, newDocument) != 0) {
      // The event cites the new document already: its own link stays.
      DeleteData(link);
      ++changed;
      continue;
    }
    lien.zeroMemory();
    if (LitSansEffacer(lien, link, *this) && lien.GetXREFEvenement() == event) {
      lien.SetXREFDocument(newDocument);
      if (EcritData(&lien) != 0) ++changed;
    } else {
      // An entry without a readable record: only the entry moves.
      RemoveLink(event, oldDocument);
      AddLink(event, newDocument, link);
      ++changed;
    }
  }
  return changed;
}

int TGTableLienDocuments::Importer(TGTableLienDocuments& source, ICodeAllocator* codes, CodeMap& map) {
  if (codes == nullptr || &source == this) return 0;
  // The records are stored one by one; their entries join the index in one
  // merge, so pairs brought by this import are remembered here.
  std::set<std::pair<CodeID, CodeID>> brought;
  std::vector<std::uint32_t> entries;
  TGLienDocument lien;
  for (CodeID code : StoreOrderCodes(source)) {
    lien.zeroMemory();
    if (!LitSansEffacer(lien, code, source)) continue;
    const CodeID event = MapCode(map, lien.GetXREFEvenement());
    const CodeID document = MapCode(map, lien.GetXREFDocument());
    if (event == 0 || document == 0 || IDDuLien(event, document) != 0 || brought.count({event, document}) != 0) continue;
    const CodeID fresh = codes->GetNextID();
    if (fresh == 0) break;
    lien.SetCodeID(fresh);
    lien.SetXREFEvenement(event);
    lien.SetXREFDocument(document);
    lien.SetStampOnWrite(false);
    if (lien.EcritDans(fresh, this) == 0) continue;
    brought.emplace(event, document);
    entries.insert(entries.end(), {event, document, fresh});
    map[code] = fresh;
  }
  MergeIntoRuns(*index_, entries, 3);
  for (std::size_t i = 0; i < entries.size(); i += 3) NoteAdded(entries[i], entries[i + 1]);
  return static_cast<int>(entries.size() / 3);
}

bool TGTableLienDocuments::LitDans(FileHandle* file) {
  const bool ok = LXArray::LitDans(file);
  InvalidateOrders();
  return ok;
}

void TGTableLienDocuments::Flush() {
  LXArray::Flush();
  InvalidateOrders();
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
  const std::vector<CodeID> codes = StoreOrderCodes(*this);
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
  StableSortGuarded(entries, [](const auto& a, const auto& b) { return CodeWordBefore(a[0], b[0]); });
  std::vector<std::uint32_t> words;
  words.reserve(entries.size() * 3);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    bool duplicate = false;
    for (std::size_t j = i; j-- > 0 && entries[j][0] == entries[i][0];)
      if (entries[j][1] == entries[i][1]) duplicate = true;
    if (!duplicate) words.insert(words.end(), entries[i].begin(), entries[i].end());
  }
  BulkLoad(*index_, words.data(), words.size() / 3);
  InvalidateOrders();
  ticker.Done();
}

TGTableDocuments::TGTableDocuments() : LXArray("TG5Doc", true) {
  itemSize_ = kEntrySize;
  liens_ = new TGTableLienDocuments();
  AttachArray(kLiensSlot, liens_);
  contents_.Reset();
}

namespace {

// What two documents must share to be the same: every byte of the record
// after its code and its two days.
constexpr std::size_t kCodeAndDays = 12;

std::string ContentOf(const TGDocument& document) {
  const std::string bytes = document.EncodeToString();
  return bytes.size() > kCodeAndDays ? bytes.substr(kCodeAndDays) : std::string();
}

std::size_t DigestOf(const std::string& content) { return std::hash<std::string>{}(content); }

}  // namespace

void TGTableDocuments::Learn(CodeID code, const void* data, unsigned size) {
  TGDocument document;
  bool decoded = size <= 0x7FFFFFFFu;
  if (decoded) {
    try {
      document.Decode(data, static_cast<int>(size));
    } catch (const std::exception&) {
      decoded = false;
    }
  }
  if (decoded) {
    opaque_.erase(code);
    // The content as this release writes it: a record of an older layout
    // equals its re-encoded self.
    contents_.Set(code, DigestOf(ContentOf(document)));
  } else {
    contents_.Forget(code);
    opaque_.insert(code);
  }
}

void TGTableDocuments::EnsureContents() {
  if (contents_.Valid() && contents_.Size() + opaque_.size() == GetCodeList()->GetCount()) return;
  contents_.Reset();
  opaque_.clear();
  const std::vector<CodeID> codes = StoreOrderCodes(*this);
  ProgressTicker ticker("TG5Doc", static_cast<std::int64_t>(codes.size()));
  std::int64_t done = 0;
  std::vector<unsigned char> bytes;
  for (CodeID code : codes) {
    ticker.Step(++done);
    const unsigned size = LXArray::FetchData(code, nullptr, 0);
    bytes.resize(size);
    if (size != 0 && LXArray::FetchData(code, bytes.data(), size) != size) continue;
    Learn(code, bytes.data(), size);
  }
  ticker.Done();
}

void TGTableDocuments::InvalidateOrders() {
  contents_.Invalidate();
  opaque_.clear();
  liens_->InvalidateOrders();
}

int TGTableDocuments::EcritData(TGDocument* document) {
  if (document == nullptr || document->GetCodeID() == 0) return 0;
  return document->EcritDans(document->GetCodeID(), this);
}

int TGTableDocuments::EcritData(std::uint32_t code, const void* data, unsigned size) {
  const int position = LXArray::EcritData(code, data, size);
  if (position != 0 && contents_.Valid()) Learn(code, data, size);
  return position;
}

bool TGTableDocuments::FetchData(CodeID code, TGDocument* document) {
  return document != nullptr && document->LitDans(code, this);
}

int TGTableDocuments::DeleteData(std::uint32_t code) {
  LArray entries(TGTableLienDocuments::kIndexItemSize, nullptr, false);
  liens_->EvenementDe(code, &entries);
  for (int i = 1; i <= static_cast<int>(entries.GetCount()); ++i) liens_->DeleteData(ItemWord(entries.GetItemPtr(i), 2));
  contents_.Forget(code);
  opaque_.erase(code);
  return LXArray::DeleteData(code);
}

bool TGTableDocuments::LitDans(FileHandle* file) {
  const bool ok = LXArray::LitDans(file);
  InvalidateOrders();
  return ok;
}

void TGTableDocuments::Flush() {
  LXArray::Flush();
  contents_.Reset();
  opaque_.clear();
}

bool TGTableDocuments::OkToDelete(CodeID code) const {
  LArray events(4, nullptr, false);
  return liens_->EvenementDe(code, &events) == 0;
}

CodeID TGTableDocuments::MetAJour(TGDocument& document, ICodeAllocator* codes) {
  EnsureContents();
  const std::string wanted = ContentOf(document);
  std::vector<CodeID> candidates = contents_.Records(DigestOf(wanted));
  SortByStoreOrder(*this, candidates);
  TGDocument stored;
  for (CodeID code : candidates) {
    stored.zeroMemory();
    if (LitSansEffacer(stored, code, *this) && ContentOf(stored) == wanted) {
      document.SetCodeID(code);
      return code;
    }
  }
  if (codes == nullptr) return 0;
  const CodeID code = codes->GetNextID();
  if (code == 0) return 0;
  document.SetCodeID(code);
  return EcritData(&document) != 0 ? code : 0;
}

bool TGTableDocuments::ReplaceDoc(CodeID oldDocument, CodeID newDocument) {
  if (oldDocument == newDocument || StoreItemOf(*this, oldDocument) == 0 || StoreItemOf(*this, newDocument) == 0)
    return false;
  liens_->ReplaceLienDoc(oldDocument, newDocument);
  DeleteData(oldDocument);
  return true;
}

int TGTableDocuments::Importer(TGTableDocuments& source, ICodeAllocator* codes, CodeMap& map) {
  if (codes == nullptr || &source == this) return 0;
  int copied = 0;
  TGDocument document;
  for (CodeID code : StoreOrderCodes(source)) {
    document.zeroMemory();
    if (!LitSansEffacer(document, code, source)) continue;
    const CodeID fresh = codes->GetNextID();
    if (fresh == 0) break;
    document.SetCodeID(fresh);
    document.SetStampOnWrite(false);
    if (EcritData(&document) == 0) continue;
    map[code] = fresh;
    ++copied;
  }
  return copied;
}

}  // namespace genvora
