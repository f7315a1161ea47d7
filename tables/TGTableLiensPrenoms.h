// TGTableLiensPrenoms: the links between individuals and first names. Each
// link is kept twice, {individual, first name} and {first name, individual},
// so that either side is a run of the array; both entries carry the usual
// flag.
//
// Item layout (12 bytes, little-endian):
//
// | offset | size | field                       |
// |--------|------|-----------------------------|
// | 0      | 4    | code A                      |
// | 4      | 4    | code B                      |
// | 8      | 1    | usual flag (0 or 1)         |
// | 9      | 3    | padding, written as zeros   |
//
// Kept sorted by code A, then code B, as unsigned numbers.
#pragma once

#include <cstdint>
#include <vector>

#include "containers/LArray.h"
#include "containers/LComparator.h"

namespace genvora {

// Orders by the first word, then the second, as unsigned numbers.
class TGTableLiensPrenomsComparator : public LComparator {
 public:
  int Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override;
  bool IsEqualTo(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override {
    return Compare(a, b, sizeA, sizeB) == 0;
  }
  LComparator* Clone() const override { return new TGTableLiensPrenomsComparator(); }
};

// The pair tables of first names (12-byte items) and professions (8-byte
// items) share their upkeep.
class TGTableLiensPaires : public LArray {
 public:
  TGTableLiensPaires(const char* className, unsigned itemSize);

  // Codes B of the entries of `a`, in order, appended to `out` (4-byte).
  void GetLiens(CodeID a, LArray* out) const;
  // Removes every entry of `a` and the mirror of each.
  void SupprLiensUnCode(CodeID a);
  void SupprLiensDeuxCodes(CodeID a, CodeID b);

 protected:
  // Writes {a, b, flag} in place when the pair is there, adds it otherwise.
  void WritePair(CodeID a, CodeID b, std::uint8_t usual);
  // WritePair for each {a, b, flag} in turn, in one merge with the array:
  // a bulk import adds its links at once instead of shifting the array
  // for each.
  struct Paire {
    CodeID a;
    CodeID b;
    std::uint8_t usual;
  };
  void WritePairs(const std::vector<Paire>& pairs);
  int FindPair(CodeID a, CodeID b) const;
  int FirstOf(CodeID a) const;
};

class TGTableLiensPrenoms : public TGTableLiensPaires {
 public:
  static constexpr unsigned kItemSize = 12;

  TGTableLiensPrenoms();

  void AjouteLien(CodeID a, CodeID b, bool usual);
  // AjouteLien for each link in turn, in one pass: the same array.
  struct Lien {
    CodeID a;
    CodeID b;
    bool usual;
  };
  void AjouteLiens(const std::vector<Lien>& liens);
  // Code B of the first entry of `a` whose usual flag is set; 0 when none.
  CodeID GetUsuel(CodeID a) const;
  // Sets the flag on {a, b} and clears it on the other entries of `a`; each
  // rewrite rewrites the mirror entry too.
  void SetUsuel(CodeID a, CodeID b);
  void GetPrenoms(CodeID individual, LArray* out) const { GetLiens(individual, out); }
  void GetIndis(CodeID prenom, LArray* out) const { GetLiens(prenom, out); }
  bool EstUsuel(CodeID a, CodeID b) const;
};

}  // namespace genvora
