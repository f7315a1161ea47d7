// TGTableDocuments: the documents (sources) table "TG5Doc", an indexed store
// of TGDocument records, and in its slot 1 the document link store
// TGTableLienDocuments "TG5LinkDoc": the TGLienDocument records (an event
// cites a document) with, in its own slot 1, the index "TBDoc-IdxDoc".
//
// Index items of "TBDoc-IdxDoc" (12 bytes, unsigned 32-bit little-endian
// words), kept sorted by the event word; the entries of one event stay in
// the order they were added:
//
// | offset | size | field                                    |
// |--------|------|------------------------------------------|
// | 0      | 4    | event code                               |
// | 4      | 4    | document code                            |
// | 8      | 4    | link code (the TGLienDocument record)    |
//
// Invariants:
//  1. An event cites a document at most once in the index: AddLink refuses
//     a second entry for the same pair.
//  2. Deleting a document removes the link records that cite it, so no
//     entry names a document that is gone.
//  3. The link store keeps in memory (never saved) the events citing each
//     document, in step with every change of "TBDoc-IdxDoc" it makes; a
//     question by document then walks only that document's entries and
//     answers them in index order, the order a scan of the index gives.
//     When the index changed behind the table (its count differs) or is
//     out of order, the order is relearnt or the scan is used.
//  4. The documents table keeps in memory a digest of each document's
//     content (every field but the code and the days), in step with every
//     write, so that MetAJour finds an identical document without decoding
//     the store.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "containers/LArray.h"
#include "containers/LXArray.h"
#include "tables/CodeMap.h"
#include "tables/IndexSupport.h"
#include "tables/SecondaryOrder.h"

namespace genvora {

class TGDocument;
class TGLienDocument;

class TGTableLienDocuments : public LXArray {
 public:
  static constexpr int kIndexSlot = 1;
  static constexpr unsigned kIndexItemSize = 12;

  TGTableLienDocuments();

  // Stores the link record and its index entry (moved when the record
  // existed). Answers the position of its code, 0 when nothing was written.
  int EcritData(TGLienDocument* lien);
  bool FetchData(CodeID code, TGLienDocument* lien);
  // Removes the link record and its index entries.
  int DeleteData(std::uint32_t code) override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  // Adds {event, document, link} unless the event already cites the
  // document; true when added.
  bool AddLink(CodeID event, CodeID document, CodeID link);
  // Removes every entry {event, document, any link}; true when one was.
  bool RemoveLink(CodeID event, CodeID document);
  // Empties `out` and appends the documents the event cites, in order.
  void DocumentDe(CodeID event, LArray* out) const;
  // Appends every entry citing `document` (the whole 12-byte entry when
  // `out` holds 12-byte items, else its event code); answers the count.
  int EvenementDe(CodeID document, LArray* out) const;
  // The link code of the first entry {event, document}; 0 when none.
  CodeID IDDuLien(CodeID event, CodeID document) const;
  // Rebuilds the index from the stored link records, in store order.
  void ReIndex();

  // Points every link citing `oldDocument` at `newDocument`. An event that
  // already cites `newDocument` keeps its own link and the link citing the
  // old one is deleted, so no event cites a document twice. Answers the
  // count of links re-pointed or deleted.
  int ReplaceLienDoc(CodeID oldDocument, CodeID newDocument);
  // Copies each link record of `source` whose event and document both
  // appear in `map` (the caller imported them first), in store order, under
  // a new code with both ends translated; a link whose event already cites
  // the document here is not copied. Each copied link's code goes into
  // `map`. Answers the count copied.
  int Importer(TGTableLienDocuments& source, ICodeAllocator* codes, CodeMap& map);

  bool LitDans(FileHandle* file) override;
  void Flush() override;
  void InvalidateOrders() const;

  LArray* GetIndex() const { return index_; }

 private:
  void RemoveEntriesOfLink(CodeID link);
  // The in-memory order by document (invariant 3).
  void NoteAdded(CodeID event, CodeID document) const;
  void NoteRemoved(CodeID event, CodeID document) const;
  // False when the scan must answer (the index is out of order).
  bool EnsureByDocument() const;
  // Positions of the entries citing `document`, ascending.
  std::vector<int> PositionsOf(CodeID document) const;

  LArray* index_;  // owned through slot 1
  mutable std::unordered_map<CodeID, std::unordered_map<CodeID, std::uint32_t>> eventsByDocument_;
  mutable std::size_t entriesKnown_ = 0;
  mutable bool byDocumentValid_ = true;
  mutable bool indexOrdered_ = true;
};

class TGTableDocuments : public LXArray {
 public:
  static constexpr int kLiensSlot = 1;

  TGTableDocuments();

  int EcritData(TGDocument* document);
  bool FetchData(CodeID code, TGDocument* document);
  // Every record lands here: the content digests follow it.
  int EcritData(std::uint32_t code, const void* data, unsigned size) override;
  // Removes the document and every link that cites it.
  int DeleteData(std::uint32_t code) override;
  bool LitDans(FileHandle* file) override;
  void Flush() override;
  using LXArray::FetchData;

  // True when no event cites the document.
  bool OkToDelete(CodeID code) const;

  // Insert or find: the document stored first whose content (every field
  // but the code and the days) equals this one's gives its code to the
  // record and nothing is written; otherwise the record gets a new code
  // from `codes` and is written. Answers the code, 0 when none could be had.
  CodeID MetAJour(TGDocument& document, ICodeAllocator* codes);
  // Moves every link of `oldDocument` to `newDocument` (ReplaceLienDoc),
  // then deletes `oldDocument`. False, changing nothing, when the codes are
  // equal or either document is not stored.
  bool ReplaceDoc(CodeID oldDocument, CodeID newDocument);
  // Copies every document of `source`, in store order, under a new code
  // from `codes`, days kept; fills `map` old -> new. The links follow
  // through TGTableLienDocuments::Importer once the events are imported.
  // Answers the count copied.
  int Importer(TGTableDocuments& source, ICodeAllocator* codes, CodeMap& map);

  void InvalidateOrders();
  TGTableLienDocuments* GetLiens() const { return liens_; }

 private:
  void EnsureContents();
  void Learn(CodeID code, const void* data, unsigned size);

  TGTableLienDocuments* liens_;  // owned through slot 1
  ReverseIndex<std::size_t> contents_;
  std::unordered_set<CodeID> opaque_;
};

}  // namespace genvora
