// TGTableDicoTexte: the shared upkeep of the first-names and professions
// dictionaries: an indexed store of records by code and an alphabetical
// index of their codes (saved as an array of its own, not attached), in the
// French collation of each record's text without regard to case; texts equal
// under that order keep the order they were added.
//
// Invariants:
//  1. Comparisons of the index compare cached collation keys; a key is
//     computed once per record and dropped when the record is rewritten or
//     deleted, so ordering n records costs n record loads.
//  2. A lookup by text is a binary search of the index against the key of
//     the wanted text: "jean" finds "Jean".
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "containers/LComparator.h"
#include "containers/LXArray.h"
#include "tables/IndexSupport.h"

namespace genvora {

class TGRoot;
class TGTableDicoTexte;

class TGDicoTexteComparatorAlpha : public LComparator {
 public:
  explicit TGDicoTexteComparatorAlpha(const TGTableDicoTexte* table) : table_(table) {}
  int Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override;
  bool IsEqualTo(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override {
    return Compare(a, b, sizeA, sizeB) == 0;
  }
  LComparator* Clone() const override { return new TGDicoTexteComparatorAlpha(table_); }

 private:
  const TGTableDicoTexte* table_;
};

class TGTableDicoTexte : public LXArray {
 public:
  TGTableDicoTexte(const char* storeName, const char* indexName);
  ~TGTableDicoTexte() override;

  int DeleteData(std::uint32_t code) override;
  bool LitDans(FileHandle* file) override;
  void Flush() override;

  void AddKey(CodeID code);
  void RemoveLocalKey(CodeID code);
  void RemoveKeySequential(CodeID code);
  // Empties the alphabetical index and rebuilds it from the store, adding
  // the records in store order.
  void ReIndex();

  LArray* GetIndexAlpha() const { return indexAlpha_.get(); }
  const std::string& KeyOf(CodeID code) const;
  void InvalidateCaches() const { keys_.clear(); }

 protected:
  // The code of the record whose text equals `text` without regard to
  // case; 0 when none.
  CodeID TexteExists(const AnsiString& text) const;
  // Stores the record and moves its key; answers the position of its code.
  int EcritRecord(TGRoot* record);
  // The text of a stored record ("" when it cannot be read).
  virtual AnsiString TexteDe(CodeID code) const = 0;

 private:
  std::unique_ptr<LArray> indexAlpha_;
  mutable std::unordered_map<CodeID, std::string> keys_;
};

}  // namespace genvora
