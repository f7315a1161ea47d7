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
#pragma once

#include <cstdint>
#include <vector>

#include "containers/LArray.h"
#include "containers/LXArray.h"

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

  LArray* GetIndex() const { return index_; }

 private:
  void RemoveEntriesOfLink(CodeID link);
  LArray* index_;  // owned through slot 1
};

class TGTableDocuments : public LXArray {
 public:
  static constexpr int kLiensSlot = 1;

  TGTableDocuments();

  int EcritData(TGDocument* document);
  bool FetchData(CodeID code, TGDocument* document);
  // Removes the document and every link that cites it.
  int DeleteData(std::uint32_t code) override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  // True when no event cites the document.
  bool OkToDelete(CodeID code) const;

  TGTableLienDocuments* GetLiens() const { return liens_; }

 private:
  TGTableLienDocuments* liens_;  // owned through slot 1
};

}  // namespace genvora
