// TFullUnion: a union with its events, children, media and links.
//
// Invariants:
//  1. A load reads the union record; a failure leaves the full record empty
//     and goes through SomethingGoesWrong (silent while the database's latch
//     is set).
//  2. The children are the common children of the husband and the wife, in
//     order of time, then in the user's order.
#pragma once

#include <memory>

#include "computations/TFullRoot.h"

namespace genvora {

class TGUnion;

class TFullUnion : public TFullWithEventAndChild {
 public:
  TFullUnion();
  TFullUnion(TGDatabase* database, CodeID code);
  ~TFullUnion() override;

  void SetCodeID(CodeID code) override;
  AnsiString GetText() const override;
  const TGUnion& Union() const { return *union_; }
  TGUnion& Union() { return *union_; }

  CodeID GetCivil() { return GetCetEvenement(kFullMariage); }
  CodeID GetReligieux() { return GetCetEvenement(kFullReligieux); }
  CodeID GetDivorce() { return GetCetEvenement(kFullDivorce); }
  CodeID GetSeparation() { return GetCetEvenement(kFullSeparation); }
  // The first present of marriage, religious marriage, civil partnership
  // and marriage contract.
  CodeID GetMainEvent();
  // Of those four, the first dated, else the first placed, else the first
  // present; 0 when none.
  CodeID GetDebut();
  // The divorce, else the separation.
  CodeID GetFin();
  // The other spouse of `person`; 0 when the person is neither spouse or
  // nothing is loaded.
  CodeID LeConjoint(CodeID person) const;

  // Writes the union back and marks the database modified; false without
  // Filer.
  bool Sauve();

 protected:
  void ChargeEnfants() override;
  void Vide() override;

 private:
  std::unique_ptr<TGUnion> union_;
};

}  // namespace genvora
