// TV5PelisserMakers: the numbering of a pivot's descendants for a
// descendancy chart, in the Pelissier system (a letter per generation,
// daughters in lower case, a digit for the union) or the d'Aboville system
// (dotted ranks, a letter for the union).
//
// The maker keeps one working record per descendant: the parent through
// which it was first reached, its rank among that parent's children
// (negative for a daughter) and its union mark. The text of a number is
// composed on demand by walking up the parents, so changing the system
// never rebuilds.
//
// Invariants:
//  1. A person has at most one record; a person reached again (an implex)
//     keeps its first number and is marked Multiple.
//  2. Records are kept in the order they were made; a record's parent was
//     made before it, so every walk up ends at the pivot (CodeParent 0).
//  3. Rank and union mark are 32-bit: no family is too large to number.
//  4. The build reads the family through a TGParenteSource and the order
//     lists of a TGParente; each person costs in proportion to its own
//     family (children, unions), never to the file.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "platform/Types.h"

namespace genvora {

class TGParente;
class TGParenteSource;
class TV5PelisserMakers;

enum TModeNumerotation : std::uint8_t { ndPelissier = 0, ndDAboville = 1 };

// The maker's working record (never stored in a file).
struct TPelissierRecord {
  CodeID codeID = 0;
  CodeID codeParent = 0;  // 0 for the pivot
  // -1: no union mark; 0: child of a single known parent who has several
  // unions; k >= 1: the child belongs to the parent's k-th union.
  std::int32_t unionMark = 0;
  std::int32_t numero = 0;  // rank among the parent's children, from 1; negative for a daughter
  bool multiple = false;    // reached through more than one parent
  bool termine = false;     // its own children are numbered
};

class TV5Pelissiers {
 public:
  // `maker` is not owned and outlives the object.
  explicit TV5Pelissiers(const TV5PelisserMakers* maker) : maker_(maker) {}

  void SetCodeID(CodeID v) { r_.codeID = v; }
  CodeID GetCodeID() const { return r_.codeID; }
  void SetCodeParent(CodeID v) { r_.codeParent = v; }
  CodeID GetCodeParent() const { return r_.codeParent; }
  void SetUnion(std::int32_t v) { r_.unionMark = v; }
  std::int32_t GetUnion() const { return r_.unionMark; }
  void SetNumero(std::int32_t v) { r_.numero = v; }
  std::int32_t GetNumero() const { return r_.numero; }
  void SetTermine(bool v) { r_.termine = v; }
  bool GetTermine() const { return r_.termine; }
  void SetMultiple(bool v) { r_.multiple = v; }
  bool GetMultiple() const { return r_.multiple; }
  void Set(CodeID code, CodeID parent, std::int32_t unionMark, std::int32_t numero);

  TPelissierRecord& Record() { return r_; }
  const TPelissierRecord& Record() const { return r_; }

  // 0 without a CodeID, 1 for the pivot, else one more than the parent's.
  int GetGeneration() const;
  // The number in the maker's system; empty for the pivot and for a record
  // without CodeID.
  AnsiString GetTexte() const;
  // The letter of rank |n|: code 64 + |n| ("A" for 1), or 96 + |n| ("a")
  // when `lower` and n < 0; past "Z" the following characters of the code
  // page. A rank whose character would lie beyond the code page (above 191,
  // or 159 for a daughter's) is written "(n)" in decimal, with its sign.
  static AnsiString NumToChar(std::int32_t n, bool lower);

 private:
  const TV5PelisserMakers* maker_;
  TPelissierRecord r_;
};

class TV5PelisserMakers {
 public:
  // Neither is owned; both outlive the maker. `parente` supplies the user's
  // order of children and unions, `source` the family itself.
  TV5PelisserMakers(TGParente& parente, const TGParenteSource& source);
  TV5PelisserMakers(const TV5PelisserMakers&) = delete;
  TV5PelisserMakers& operator=(const TV5PelisserMakers&) = delete;

  // Stores the record, replacing one of the same CodeID in place; true when
  // the CodeID was new.
  bool Push(const TV5Pelissiers* record);
  // Loads the record of `code` into `record`; false, `record` unchanged,
  // when there is none.
  bool Charge(CodeID code, TV5Pelissiers* record) const;

  // A pivot different from the current one is numbered at once.
  void SetPivot(CodeID pivot);
  CodeID GetPivot() const { return pivot_; }
  void SetNumerotation(TModeNumerotation mode) { mode_ = mode; }
  TModeNumerotation GetNumerotation() const { return mode_; }

  // A different observed person becomes the current record (zeros when it
  // has none).
  void SetObservateur(CodeID code);
  CodeID GetObservateur() const { return observateur_; }
  const TV5Pelissiers& Current() const { return current_; }

  // Iteration over the records in the order they were made: Restart is on
  // the first; Next moves on and is false after the last.
  bool Restart();
  bool Next();
  int GetCount() const { return static_cast<int>(records_.size()); }

  // Called with the maker: after each new record, and at the end of a build.
  std::function<void(TV5PelisserMakers&)> OnProgress;
  std::function<void(TV5PelisserMakers&)> OnTermine;

 private:
  void BuildNumerotation();
  const TPelissierRecord* Find(CodeID code) const;

  TGParente& parente_;
  const TGParenteSource& source_;
  std::vector<TPelissierRecord> records_;
  std::unordered_map<CodeID, std::size_t> indexOf_;  // CodeID to 0-based place in records_
  TModeNumerotation mode_ = ndPelissier;
  CodeID pivot_ = 0;
  int position_ = 0;  // 1-based; 0 before the first
  TV5Pelissiers current_{this};
  CodeID observateur_ = 0;
};

// The number a descendancy tree shows for `code`: empty without a maker,
// with option 0 (no numbering) or for a person without record; option 1 is
// the Pelissier system, any other the d'Aboville system.
AnsiString GetNumDAbovillePelissier(TV5PelisserMakers* maker, int option, CodeID code);

}  // namespace genvora
