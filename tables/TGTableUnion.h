// TGTableUnion: the unions table. An indexed store of TGUnion records by code
// with two attached indexes of {spouse code, union code} pairs (unsigned
// 32-bit little-endian), sorted by spouse code, unions of one spouse in the
// order they were added:
//   slot 1: "TBUnion-IdxHusb" (husband side);
//   slot 3: "TBUnion-IdxSpouse" (wife side).
// Every union has both entries, {0, union} included when a spouse is
// unknown. The generic pair table "TGTableUnion-Liens" is not attached: the
// database writes it separately.
#pragma once

#include <memory>
#include <vector>

#include "containers/LXArray.h"
#include "records/TGUnion.h"
#include "tables/TGTableLiensGenerique.h"

namespace genvora {

class TGTableUnion : public LXArray {
 public:
  static constexpr int kHusbSlot = 1;
  static constexpr int kSpouseSlot = 3;
  static constexpr unsigned kKeySize = 8;

  TGTableUnion();

  int EcritData(TGUnion* uni);
  bool FetchData(CodeID code, TGUnion* uni);
  int DeleteData(std::uint32_t code) override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  // {husband or wife code, union code}.
  static void MakeKey(const TGUnion& uni, std::uint32_t key[2], bool husbandSide);
  // Removes both entries of the union as stored.
  void RemoveLocalKey(CodeID code);

  // The unions of the husband (husband index) when his code is not 0, else
  // of the wife (wife index); appended to `out`.
  void LesUnionsDe(CodeID husband, CodeID wife, LArray* out) const;
  void LesUnionsDe(CodeID husband, CodeID wife, std::vector<CodeID>& out) const;
  // For each listed union holding `person`, the other spouse when known.
  void LesConjointsDe(CodeID person, const LArray* unions, LArray* out);
  // The first union of the husband that is also one of the wife's; 0 when
  // either code is 0 or they share none.
  CodeID UnionCouple(CodeID husband, CodeID wife) const;

  void ReIndex();

  LArray* GetIndexHusb() const { return husb_; }
  LArray* GetIndexSpouse() const { return spouse_; }
  TGTableLiensGenerique* GetLiens() const { return liens_.get(); }

 private:
  void AddKeys(const TGUnion& uni);
  LArray* husb_;    // slot 1
  LArray* spouse_;  // slot 3
  std::unique_ptr<TGTableLiensGenerique> liens_;
};

}  // namespace genvora
