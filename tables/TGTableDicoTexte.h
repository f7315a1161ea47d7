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
//  3. The variant family (GetVarianteMaitre, LesVariantesDe,
//     LesVariantesDes, FillListeIDsMaitre, EstVarianteMaitre) answers from
//     the in-memory order of VariantOrder.h: one pass of the store, then
//     O(k) per question.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "containers/LComparator.h"
#include "containers/LXArray.h"
#include "platform/Preferences.h"
#include "tables/CodeMap.h"
#include "tables/DictionaryImport.h"
#include "tables/IndexSupport.h"
#include "tables/RecordPeek.h"
#include "tables/SecondaryOrder.h"
#include "tables/VariantOrder.h"
#include "utilities/TextUtils.h"

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
  // Every record lands here: the variant order follows it.
  int EcritData(std::uint32_t code, const void* data, unsigned size) override;
  using LXArray::EcritData;
  bool LitDans(FileHandle* file) override;
  void Flush() override;

  // The master of an attached record (its Rattachement), else the code.
  CodeID GetVarianteMaitre(CodeID code);
  // The records attached to `master`, in store order.
  void LesVariantesDe(CodeID master, LArray* out);
  // Every record below the codes of `masters`, over all levels; see
  // VariantOrder::VariantesDes.
  void LesVariantesDes(const LArray* masters, LArray* out);
  // Adds the master of every attached record, without duplicates.
  void FillListeIDsMaitre(LArray* list);
  // True when at least one other record is attached to `code`.
  bool EstVarianteMaitre(CodeID code);

  void AddKey(CodeID code);
  void RemoveLocalKey(CodeID code);
  void RemoveKeySequential(CodeID code);
  // Empties the alphabetical index and rebuilds it from the store, adding
  // the records in store order.
  void ReIndex();

  LArray* GetIndexAlpha() const { return indexAlpha_.get(); }
  const std::string& KeyOf(CodeID code) const;
  // The key a text is looked up with.
  static std::string KeyOfText(const AnsiString& text);
  // The 1-based position a record spelt `text` would take in the
  // alphabetical index: after the records equal to it; count + 1 at the end.
  int PositionAlpha(const AnsiString& text) const;
  void InvalidateCaches() const { keys_.clear(); }

 protected:
  // The code of the record whose text equals `text` without regard to
  // case; 0 when none.
  CodeID TexteExists(const AnsiString& text) const;
  // Stores the record and moves its key; answers the position of its code.
  int EcritRecord(TGRoot* record);
  // The text of a stored record ("" when it cannot be read).
  virtual AnsiString TexteDe(CodeID code) const = 0;
  // The Rattachement held in stored bytes; false when they do not decode.
  virtual bool LitRattachement(const void* data, unsigned size, CodeID& master) const = 0;

  // The import of the first names and the professions: every record of
  // `source` in store order; a text this dictionary holds (case ignored, as
  // TexteExists finds it), or that an earlier record of the import brought,
  // gives its code; a blank text is left behind (MetAJour never creates
  // one); any other record is copied under a new code, days kept, its
  // Rattachement translated through `map` (its own code stays its own, 0
  // stays 0, an unknown master makes it its own master). The new codes
  // join the index in one merge. Answers the count copied.
  template <typename Record, typename TextOf>
  int ImporterTextes(TGTableDicoTexte& source, ICodeAllocator* codes, CodeMap& map, TextOf textOf);

 private:
  CodeID FindKey(const std::string& wanted) const;
  VariantOrder& Variantes();

  std::unique_ptr<LArray> indexAlpha_;
  VariantOrder variantes_;
  mutable std::unordered_map<CodeID, std::string> keys_;
};

template <typename Record, typename TextOf>
int TGTableDicoTexte::ImporterTextes(TGTableDicoTexte& source, ICodeAllocator* codes, CodeMap& map, TextOf textOf) {
  if (codes == nullptr || &source == this) return 0;
  CurrentRecordCleared cleared;
  const std::vector<CodeID> added = ImportDictionaryRecords<Record>(
      *this, source, codes, map, [] { return Record(); },
      [&source, &textOf](CodeID code, Record& record, std::string& key) {
        if (!LitSansEffacer(record, code, source)) return false;
        const AnsiString text = AnsiTrim(textOf(record));
        if (text.empty()) return false;
        key = KeyOfText(text);
        return true;
      },
      [this](const std::string& key) { return FindKey(key); });
  for (CodeID fresh : added) keys_.erase(fresh);
  MergeIntoIndex(*indexAlpha_, added, [this](CodeID c) -> const std::string& { return KeyOf(c); });
  return static_cast<int>(added.size());
}

}  // namespace genvora
