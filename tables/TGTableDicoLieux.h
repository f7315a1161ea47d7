// TGTableDicoLieux: the places dictionary. An indexed store of TGLieu records
// by code with two attached indexes of place codes:
//   slot 1: "TBPlace-IdxPlace" (TG5indexWithMatch), by town; its match array
//           "TBPlace-IdxPlace-Match" is written empty;
//   slot 3: "TBNom-IdxCode" (TG5indexWithMatch), by place code; match array
//           "TBPlace-IdxCode-Match", written empty.
// Towns and place codes order by the French collation without regard to
// case; equal ones keep the order they were added.
//
// Invariants:
//  1. The collation keys of a place are computed once and cached until it
//     is rewritten or deleted, so placing n places costs n keys.
//  2. The variant questions answer from the in-memory order of
//     VariantOrder.h: one pass of the store, then O(k) per question.
//
// Choices this table makes:
//  - BinaryFind(lieu, complet): `complet` true (the default) finds the place
//    with the same identity (code, town, department, region, country as
//    displayed, and the Griot flag: TGLieu::InternalCompare); false finds
//    the first place of the town's run, whatever its other fields.
//  - EstUneCopieDe(copie, original): two different stored places of the
//    same identity, the one BinaryFind would merge.
//  - UniqueContient(ville): the place when the dictionary holds exactly one
//    place of that town (town order: case ignored); 0 when it holds none or
//    several, so a caller never picks one of several homonyms by chance.
#pragma once

#include <string>
#include <unordered_map>

#include "containers/LXArray.h"
#include "containers/TG5indexWithMatch.h"
#include "records/TGLieu.h"
#include "tables/CodeMap.h"
#include "tables/IndexSupport.h"
#include "tables/VariantOrder.h"

namespace genvora {

class TGTableDicoLieux;

class TGTableDicoLieuxComparator : public LComparator {
 public:
  TGTableDicoLieuxComparator(const TGTableDicoLieux* table, bool byCode) : table_(table), byCode_(byCode) {}
  int Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override;
  bool IsEqualTo(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override {
    return Compare(a, b, sizeA, sizeB) == 0;
  }
  LComparator* Clone() const override { return new TGTableDicoLieuxComparator(table_, byCode_); }

 private:
  const TGTableDicoLieux* table_;
  bool byCode_;
};

class TGTableDicoLieux : public LXArray {
 public:
  static constexpr int kVilleSlot = 1;
  static constexpr int kCodeSlot = 3;

  TGTableDicoLieux();

  int EcritData(TGLieu* lieu);
  bool FetchData(CodeID code, TGLieu* lieu);
  int DeleteData(std::uint32_t code) override;
  // Every record lands here: the variant order follows it.
  int EcritData(std::uint32_t code, const void* data, unsigned size) override;
  // Reading replaces the records and indexes: cached keys are forgotten.
  bool LitDans(FileHandle* file) override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  // Adds the code to both indexes; RemoveLocalKey removes it from the town
  // index and then from the code index.
  void AddKey(CodeID code);
  void RemoveLocalKey(CodeID code);
  // Removes the code from both indexes by walking them, for a code whose
  // cached keys may not be the ones it was placed with.
  void RemoveKeySequential(CodeID code);

  // Insert or find; 0 for a place whose five fields are all empty.
  CodeID MetAJour(TGLieu& lieu, ICodeAllocator* codes, bool lookupOnly);
  // The stored place with the same town and, when `complet`, the same
  // identity; 0 when none.
  CodeID BinaryFind(const TGLieu* lieu, bool complet = true) const;
  bool EstUneCopieDe(CodeID copie, CodeID original) const;
  CodeID UniqueContient(const AnsiString& ville) const;
  // The first place in store order whose upper-cased town equals the
  // upper-cased text; 0 when none or for an empty text.
  CodeID BinaryFindByVille(const AnsiString& text) const;
  // Codes of the places whose place code equals `code` (case ignored), in
  // index order.
  void LesLieuxDuCode(const AnsiString& code, LArray* out) const;
  CodeID rattachementDe(CodeID) const { return 0; }
  CodeID GetVarianteMaitre(CodeID code);
  // Adds the master of every attached place, without duplicates.
  void FillListeIDsMaitre(LArray* list);
  // The places attached to `master`, in store order.
  void LesVariantesDe(CodeID master, LArray* out);
  // Every place below the codes of `masters`, over all levels; see
  // VariantOrder::VariantesDes.
  void LesVariantesDes(const LArray* masters, LArray* out);
  bool EstVarianteMaitre(CodeID code);

  void ReIndex();
  void Reindex() { ReIndex(); }

  // Brings every place of `source` in, in store order, filling `map`: a
  // place this dictionary holds (as BinaryFind finds it), or that an
  // earlier record of the import brought, gives its code; a place whose
  // five fields are all empty is left behind (MetAJour never creates one);
  // any other is copied under a new code, days kept, its Rattachement
  // translated through the map (its own code stays its own, 0 stays 0, an
  // unknown master makes it its own master). The new codes join both
  // indexes in one merge each. Answers the count copied.
  int Importer(TGTableDicoLieux& source, ICodeAllocator* codes, CodeMap& map);

  TG5indexWithMatch* GetIndexVille() const { return ville_; }
  TG5indexWithMatch* GetIndexCode() const { return code_; }
  void InvalidateCaches() const { keys_.clear(); }

  struct PlaceKeys {
    std::string ville;
    std::string code;
    AnsiString villeUpper;
  };
  const PlaceKeys& KeysOf(CodeID code) const;

 private:
  static PlaceKeys MakeKeys(const TGLieu& lieu);
  int FirstOfRun(const LArray& index, const std::string& key, bool byCode) const;
  VariantOrder& Variantes();

  TG5indexWithMatch* ville_;  // slot 1
  TG5indexWithMatch* code_;   // slot 3
  mutable std::unordered_map<CodeID, PlaceKeys> keys_;
  VariantOrder variantes_;
};

}  // namespace genvora
