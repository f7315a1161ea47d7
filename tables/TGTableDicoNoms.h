// TGTableDicoNoms: the surnames dictionary. An indexed store of TGNom records
// by code, its alphabetical index "TBNoms-IdxAlpha" (surname codes; saved as
// an array of its own, not attached), the particle splitter its records use
// and, in slot 1, the particles table "PartNameTbl".
//
// Order of the alphabetical index: the surname without particle, then the
// particle, each by the French collation without regard to case; surnames
// equal in both keep the order they were added.
//
// Invariants:
//  1. Every comparison of the index compares cached collation keys; a key
//     is computed once per surname and dropped when its record is rewritten
//     or deleted, so ordering n surnames costs n keys and n log n byte
//     comparisons instead of two record loads per probe.
//  2. premierDe answers from the rank of each code in the index (its first
//     position), rebuilt in one pass after the index changed: the answer is
//     the one a walk from the start of the index gives.
//  3. The variant questions (LesVariantesDe, LesVariantesDes,
//     FillListeIDsMaitre, EstVarianteMaitre, InternalCanDelete) answer from
//     the in-memory order of VariantOrder.h: one pass of the store, then
//     O(k) per question.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "containers/LXArray.h"
#include "platform/TV5SplitterParticule.h"
#include "records/TGNom.h"
#include "tables/CodeMap.h"
#include "tables/IndexSupport.h"
#include "tables/IndividusDictionnaires.h"
#include "tables/VariantOrder.h"

namespace genvora {

class TGTableDicoNoms;
class TGTableParticules;

class TGTableDicoNomsComparatorAlpha : public LComparator {
 public:
  explicit TGTableDicoNomsComparatorAlpha(const TGTableDicoNoms* table) : table_(table) {}
  int Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override;
  bool IsEqualTo(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override {
    return Compare(a, b, sizeA, sizeB) == 0;
  }
  LComparator* Clone() const override { return new TGTableDicoNomsComparatorAlpha(table_); }

 private:
  const TGTableDicoNoms* table_;
};

class TGTableDicoNoms : public LXArray {
 public:
  static constexpr int kParticulesSlot = 1;

  TGTableDicoNoms();
  ~TGTableDicoNoms() override;

  // Stores the surname and moves its alphabetical key. Answers the position
  // of its code in the code list, 0 when nothing was written.
  int EcritData(TGNom* nom);
  bool FetchData(CodeID code, TGNom* nom);
  int DeleteData(std::uint32_t code) override;
  // Every record lands here: the variant order follows it.
  int EcritData(std::uint32_t code, const void* data, unsigned size) override;
  // Reading replaces the records and indexes: cached keys are forgotten.
  bool LitDans(FileHandle* file) override;
  // Told the code of every surname stored or deleted (0 after a read, when
  // any may have changed): whoever caches what a surname holds forgets it.
  void SetOnChange(std::function<void(CodeID)> onChange) { onChange_ = std::move(onChange); }
  using LXArray::EcritData;
  using LXArray::FetchData;

  void AddKey(CodeID code);
  void RemoveLocalKey(CodeID code);
  void RemoveKeySequential(CodeID code);

  // The code of the surname stored with the same surname and particle as
  // `text` (trimmed, split by the dictionary's splitter); 0 when none.
  CodeID NomExists(const AnsiString& text) const;
  // Insert or find: see the source.
  CodeID MetAJour(TGNom& nom, ICodeAllocator* codes, bool lookupOnly);
  // 0 for equal codes; else -1 when `a` comes first in the alphabetical
  // index, 1 when `b` does, 0 when neither is there.
  int premierDe(CodeID a, CodeID b) const;
  // 1-based first position of the code in the alphabetical index, 0 when
  // absent: premierDe compares these.
  std::uint32_t RangDe(CodeID code) const;

  // The individuals' side (not owned); without it only the dictionary's
  // own reasons keep a surname.
  void SetIndividus(IIndividusDictionnaires* individus) { individus_ = individus; }

  // True when the surname may be deleted: the dictionary holds it, no
  // individual bears it and no other surname is attached to it (deleting a
  // master would leave its variants pointing at nothing).
  bool InternalCanDelete(CodeID code);

  CodeID GetVarianteMaitre(CodeID code);
  // Adds the master of every attached surname, without duplicates.
  void FillListeIDsMaitre(LArray* list);
  // Codes of the surnames attached to `master`, in store order.
  void LesVariantesDe(CodeID master, LArray* out);
  // Every surname below the codes of `masters`, over as many levels as
  // there are; see VariantOrder::VariantesDes.
  void LesVariantesDes(const LArray* masters, LArray* out);
  // True when at least one other surname is attached to `code`.
  bool EstVarianteMaitre(CodeID code);

  // Empties the alphabetical index and rebuilds it from the store.
  void ReIndex();

  // Brings every surname of `source` into this dictionary, in store order,
  // and fills `map` source code -> code here:
  //  - a surname whose text this dictionary holds (as NomExists finds it),
  //    or that an earlier record of the same import brought, takes that
  //    code and nothing is written;
  //  - any other is copied under a new code from `codes`, days kept; its
  //    Rattachement is translated through the map (its own code stays its
  //    own, 0 stays 0, a master the source does not hold makes it its own
  //    master).
  // The new codes join the alphabetical index in one merge. Answers the
  // count of surnames copied.
  int Importer(TGTableDicoNoms& source, ICodeAllocator* codes, CodeMap& map);

  LArray* GetIndexAlpha() const { return indexAlpha_.get(); }
  TGTableParticules* GetParticules() const { return particules_; }
  TV5SplitterParticule* GetSplitter() const { return splitter_.get(); }
  // The index was read or changed from outside: forget ranks and keys.
  void InvalidateCaches() const;

  // The collation key of a stored surname (cached).
  const std::string& KeyOf(CodeID code) const;
  static std::string KeyOfNom(const TGNom& nom);

 private:
  void EnsureRanks() const;
  VariantOrder& Variantes();
  // The key NomExists looks for, and the search itself.
  std::string WantedKey(const AnsiString& text) const;
  CodeID FindKey(const std::string& wanted) const;

  std::unique_ptr<TV5SplitterParticule> splitter_;
  std::unique_ptr<LArray> indexAlpha_;
  TGTableParticules* particules_;  // owned through slot 1
  mutable TGNom scratch_;
  mutable std::unordered_map<CodeID, std::string> keys_;
  mutable std::unordered_map<CodeID, std::uint32_t> ranks_;
  mutable bool ranksValid_ = false;
  VariantOrder variantes_;
  IIndividusDictionnaires* individus_ = nullptr;
  std::function<void(CodeID)> onChange_;
};

}  // namespace genvora
