// TGTableEvenements: the events table. An indexed store of event records by
// code and, in slot 1, the index "TBEvent-Idx" that lists the events of each
// owner in date order. The table owns the places dictionary of the database.
//
// Index items (16 bytes, unsigned 32-bit little-endian words):
//
// | offset | size | field                                                  |
// |--------|------|--------------------------------------------------------|
// | 0      | 4    | owner code (individual or union)                       |
// | 4      | 4    | date key: minute count of the first date, 0 = undated  |
// | 8      | 4    | event type code, widened                               |
// | 12     | 4    | event code                                             |
//
// TG5EventComparator compares the four words in order, each by the signed
// value of its wrapping difference: within one owner the events are in date
// order, an undated event after every date since about 630 BC.
//
// Invariants:
//  1. One index entry per stored event that was written through the table.
//  2. The entry of each event code is remembered (16 bytes a code in one
//     flat block), so moving or deleting an event finds its entry by halving
//     instead of scanning the index.
//  3. The date key of a written event is computed on a copy of its date
//     block: keying an event never changes the bytes it is stored with.
//  4. When an individual's birth, christening, death or burial is written,
//     the individual's alphabetical keys are removed first and added after
//     the index changed: its arrival date takes part in that order.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "containers/LComparator.h"
#include "containers/LXArray.h"
#include "tables/FlatCodeMap.h"

namespace genvora {

class TGEvenement;
class TGTableDicoLieux;
class TGTableIndividus;
class TGTableLiens;
class TGTableLienDocuments;

struct EvenementIndexT {
  CodeID proprio = 0;
  std::uint32_t dateKey = 0;
  std::uint32_t type = 0;
  CodeID code = 0;
};

class TG5EventComparator : public LComparator {
 public:
  int Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override;
  bool IsEqualTo(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override {
    return Compare(a, b, sizeA, sizeB) == 0;
  }
  LComparator* Clone() const override { return new TG5EventComparator(); }
};

// The owner word alone: the aux comparator of the index.
class TG5EventProprioComparator : public LLongComparator {
 public:
  LComparator* Clone() const override { return new TG5EventProprioComparator(); }
};

class TGTableEvenements : public LXArray {
 public:
  static constexpr int kIndexSlot = 1;
  static constexpr int kLegacyPlacesSlot = 2;
  static constexpr unsigned kIndexItemSize = 16;
  // Event type codes the arrival date reads (on-disk values).
  static constexpr std::uint32_t kNaissance = 4;
  static constexpr std::uint32_t kInhumation = 6;
  static constexpr std::uint32_t kBapteme = 8;
  static constexpr std::uint32_t kDeces = 12;

  TGTableEvenements();
  ~TGTableEvenements() override;

  void SetTableIndividus(TGTableIndividus* individus) { individus_ = individus; }
  // The links table, through which shared events reach their other owners.
  void SetTableLiens(TGTableLiens* liens) { liens_ = liens; }
  TGTableDicoLieux* GetDicoLieux() const { return lieux_; }
  // Below 12 the places dictionary also travels in slot 2 of this table.
  void SetDatabaseVersion(int version);

  // Stores the encoded event under `key.code` and moves its index entry.
  // The event record class encodes; this is the index half of its EcritData.
  int EcritEvenement(const EvenementIndexT& key, const void* data, unsigned size);
  // Encodes and stores the event, keyed {owner, minute key of its first
  // date, type, code}. Answers the position of its code, 0 when nothing
  // was written.
  int EcritData(TGEvenement* evenement);
  // Loads and decodes the event; false (the record unchanged) when absent.
  bool FetchData(CodeID code, TGEvenement* evenement);
  using LXArray::EcritData;
  using LXArray::FetchData;
  // The index key of an event as it would be written.
  static EvenementIndexT MakeKey(const TGEvenement& evenement);

  // Removes the index entry of an event.
  void DeleteKey(CodeID eventCode);
  int DeleteData(std::uint32_t code) override;
  // Deletes many events: the index and the store each change in one pass,
  // and each owner whose arrival may move is re-keyed once. The same tables
  // as DeleteData for each code in turn.
  void DeleteDatas(const std::vector<CodeID>& codes);
  using LXArray::DeleteDatas;
  // Reading replaces the records and indexes: cached keys are forgotten.
  bool LitDans(FileHandle* file) override;

  // Appends the owner's events in index order, then, without duplicates,
  // the shared events the owner is linked to (when the links table is set).
  void LesEvenementsDe(CodeID owner, LArray* out);
  // The owner's own events only, in index order.
  void LesEvenementsDe(CodeID owner, std::vector<CodeID>& out) const;
  // The first event of the owner of that type, in index order; 0 when none.
  CodeID EvenementTypeDe(CodeID owner, std::uint32_t type) const;
  CodeID NaissanceDe(CodeID owner) const { return EvenementTypeDe(owner, kNaissance); }
  CodeID baptemeDe(CodeID owner) const { return EvenementTypeDe(owner, kBapteme); }
  CodeID DecesDe(CodeID owner) const { return EvenementTypeDe(owner, kDeces); }
  CodeID InhumationDe(CodeID owner) const { return EvenementTypeDe(owner, kInhumation); }
  // The date key of the owner's arrival: the first dated birth; else the
  // last dated christening; else the smallest dated death or burial; 0 when
  // nothing is dated.
  std::uint32_t ArriveeDe(CodeID owner) const;
  // ArriveeDe of each of `owners`, in one walk of the index instead of one
  // search per owner.
  std::vector<std::uint32_t> ArriveesDe(const std::vector<CodeID>& owners) const;

  // Every stored event whose place is `place` and whose subdivision is not
  // empty, in store order.
  void LesEvenementsDuLieuAvecSubdivision(CodeID place, LArray* out);
  // The events citing `document`, from the document-link index; answers the
  // count of `out`.
  int LesEvenementsDeLaSource(CodeID document, LArray* out, const TGTableLienDocuments* liensDocuments) const;

  // Rebuilds the index from the keys of the stored events, given in any
  // order: entries are added in store order.
  void ReIndex(const std::vector<EvenementIndexT>& keys);
  // Rebuilds the index by decoding every stored event.
  void ReIndex();

  LArray* GetIndex() const { return index_; }
  // The index was read from a file: forget the remembered entries.
  void InvalidateCaches() const { entriesValid_ = false; }

 private:
  void AddKey(const EvenementIndexT& key);
  void EnsureEntries() const;
  bool TouchesArrival(const EvenementIndexT& key) const;

  LArray* index_;              // owned through slot 1
  TGTableDicoLieux* lieux_;    // owned, in slot 2 below version 12
  std::unique_ptr<TGTableDicoLieux> lieuxOwned_;
  TGTableIndividus* individus_ = nullptr;
  TGTableLiens* liens_ = nullptr;
  // The index entry of an event, its code apart.
  struct Entree {
    CodeID proprio = 0;
    std::uint32_t dateKey = 0;
    std::uint32_t type = 0;
  };
  static Entree EntreeOf(const EvenementIndexT& key) { return {key.proprio, key.dateKey, key.type}; }
  static EvenementIndexT KeyOf(CodeID code, const Entree& entree) {
    return {entree.proprio, entree.dateKey, entree.type, code};
  }
  mutable FlatCodeMap<Entree> entries_;
  mutable bool entriesValid_ = true;
};

}  // namespace genvora
