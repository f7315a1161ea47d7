// TGTableIndividus: the individuals table. An indexed store of TGIndividu
// records by code with, attached:
//   slot 1: "TBPeople-IdxAlpha", individual codes in alphabetical order;
//   slot 2: "TBPeople-IdxAlphaR", the same order through the surname's
//           Rattachement (its master variant);
//   slot 3: the surnames dictionary, only for databases below version 12;
//   slot 4: "QuickList", the ancestry quick list (TG5QuickList).
// The table owns the surnames dictionary of the database.
//
// Alphabetical order of two individuals (AlphaCompareIndividus):
//  1. equal codes are equal;
//  2. different surname keys (the surname code, or with Rattachement the
//     master code stored in the surname record) order as the surnames
//     dictionary orders them (premierDe);
//  3. then the first names, by the French collation with case;
//  4. then the arrival date keys (unsigned, smaller first) when the events
//     table is known;
//  5. then the smaller code.
//
// Invariants:
//  1. Each individual's comparison key (surname codes, first-name collation
//     key, arrival key) is computed once and cached until the individual is
//     rewritten, deleted, or one of its arrival events changes; the cached
//     key is the one its index entries were placed with, so they are found
//     again by halving.
//  2. In batch mode nothing but the store changes; Reindex rebuilds the
//     indexes and the quick list afterwards in O(n log n).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "containers/LXArray.h"
#include "records/TGIndividu.h"
#include "tables/FlatCodeMap.h"
#include "tables/TG5QuickList.h"

namespace genvora {

class TGTableDicoNoms;
class TGTableEvenements;
class TGTableIndividus;

class TGTableIndividusComparatorAlpha : public LComparator {
 public:
  TGTableIndividusComparatorAlpha(const TGTableIndividus* table, bool rattachement)
      : table_(table), rattachement_(rattachement) {}
  int Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override;
  bool IsEqualTo(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override {
    return Compare(a, b, sizeA, sizeB) == 0;
  }
  LComparator* Clone() const override { return new TGTableIndividusComparatorAlpha(table_, rattachement_); }

 private:
  const TGTableIndividus* table_;
  bool rattachement_;
};

// Which bearers of a surname PorteursDuNom keeps.
enum TPorteeRequete : std::uint8_t { prTous = 0, prPasFemmes = 1, prPasHommes = 2 };

class TGTableIndividus : public LXArray {
 public:
  static constexpr int kAlphaSlot = 1;
  static constexpr int kAlphaRSlot = 2;
  static constexpr int kLegacyNomsSlot = 3;
  static constexpr int kQuickListSlot = 4;

  TGTableIndividus();
  ~TGTableIndividus() override;

  void SetTableEvenements(TGTableEvenements* events) { events_ = events; }
  TGTableEvenements* GetTableEvenements() const { return events_; }
  TGTableDicoNoms* GetDicoNoms() const { return noms_; }
  // Below 12 the surnames dictionary also travels in slot 3.
  void SetDatabaseVersion(int version);

  void SetBatchModeTo(bool batch) { batch_ = batch; }
  bool GetBatchMode() const { return batch_; }

  int EcritData(TGIndividu* individu);
  bool FetchData(CodeID code, TGIndividu* individu);
  int DeleteData(std::uint32_t code) override;
  // Reading replaces the records and indexes: cached keys are forgotten.
  bool LitDans(FileHandle* file) override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  void AddKey(CodeID code);
  void RemoveKey(CodeID code);
  // RemoveKey then AddKey in two steps around a change of the individual's
  // key: Places finds its entries with the key they were placed with,
  // ReplaceKey moves them where the new key puts them (only the entries in
  // between move). The same indexes as RemoveKey before the change and
  // AddKey after it.
  struct Places {
    int alpha = 0;
    int alphaR = 0;
  };
  Places PlacesOf(CodeID code) const;
  // Fixes the individual's cached key, arrival date included, as it is now:
  // its entries are then found by halving after its events changed, until
  // ReplaceKey re-keys it.
  void MemoriseCle(CodeID code) const { ArrivalOf(KeyOf(code), code); }
  void ReplaceKey(CodeID code, const Places& places);
  void RemoveKeySequential(CodeID code);
  void UpdateAlphaIndis(const LArray* codes);

  int AlphaCompareIndividus(CodeID a, CodeID b, bool rattachement) const;
  // The first individual of the surname in the chosen index; 0 when none.
  CodeID PremierDuNom(CodeID nom, bool rattachement) const;
  void PorteursDuNom(CodeID nom, LArray* out, TPorteeRequete portee, bool rattachement) const;

  // Appends the children of parent1; with parent2 not 0, only those that are
  // children of both.
  void LesEnfantsDe(CodeID parent1, CodeID parent2, LArray* out) const;
  // The same, appended to `out`.
  void LesEnfantsDe(CodeID parent1, CodeID parent2, std::vector<CodeID>& out) const;
  void AscendanceDe(CodeID code, LArray* out) const { quickList_->AscendanceDe(code, out); }
  void AscendanceDeCoupleDe(CodeID a, CodeID b, LArray* out) const { quickList_->AscendanceDeCoupleDe(a, b, out); }

  // What the alphabetical indexes and the quick list read of one record.
  struct IndexFields {
    CodeID code = 0;
    bool ok = false;  // the record decodes
    CodeID nom = 0;
    CodeID pere = 0;
    CodeID mere = 0;
    AnsiString prenoms;
  };

  // Rebuilds both alphabetical indexes and the quick list from the store.
  void Reindex();
  // The same, taking the fields of the records in `known` (ascending codes,
  // each as its stored record decodes now) instead of decoding them again:
  // a walk that has just read every record saves a second decoding. Records
  // not in `known` are decoded; a `known` out of order is not used.
  void Reindex(std::vector<IndexFields> known);

  LArray* GetIndexAlpha() const { return alpha_; }
  LArray* GetIndexAlphaR() const { return alphaR_; }
  TG5QuickList* GetQuickList() const { return quickList_; }
  // The indexes were read from a file, or surnames changed: forget keys.
  void InvalidateCaches() const {
    keys_.clear();
    rattachements_.clear();
  }

 private:
  friend class TGTableIndividusComparatorAlpha;
  struct AlphaKey {
    CodeID nom = 0;
    CodeID nomR = 0;
    std::string prenoms;  // collation key with case
    std::uint32_t arrivee = 0;
    bool arriveeKnown = false;
    std::uint8_t sexe = 0;  // 'm', 'f' or other
  };
  AlphaKey& KeyOf(CodeID code) const;
  std::uint32_t ArrivalOf(AlphaKey& key, CodeID code) const;
  AlphaKey MakeKey(const TGIndividu& individu) const;
  CodeID SurnameOf(CodeID code, bool rattachement) const;

  LArray* alpha_;           // slot 1
  LArray* alphaR_;          // slot 2
  TG5QuickList* quickList_; // slot 4
  TGTableDicoNoms* noms_;   // owned: slot 3 below version 12, else nomsOwned_
  std::unique_ptr<TGTableDicoNoms> nomsOwned_;
  TGTableEvenements* events_ = nullptr;
  bool batch_ = false;
  mutable std::unordered_map<CodeID, AlphaKey> keys_;
  mutable FlatCodeMap<CodeID> rattachements_;  // surname -> its Rattachement
};

}  // namespace genvora
