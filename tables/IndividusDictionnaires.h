// The individuals' side of the dictionaries: the few questions the surnames,
// first-names and professions dictionaries ask about the people who use
// their entries, and the one change they make to them (an individual's
// first-names or professions text). The dictionaries hold it by reference;
// the database wires the individuals table behind it.
#pragma once

#include "platform/Types.h"

namespace genvora {

class TGTableIndividus;

class IIndividusDictionnaires {
 public:
  // Text selectors of an individual that the dictionaries rewrite.
  static constexpr int kPrenoms = 5;
  static constexpr int kProfessions = 6;

  virtual ~IIndividusDictionnaires() = default;
  // True when at least one individual bears the surname.
  virtual bool PorteLeNom(CodeID nom) const = 0;
  // The stored text of the selector (not its displayed form); false when
  // the individual cannot be read.
  virtual bool LitTexte(CodeID individu, int selector, AnsiString& text) = 0;
  // Stores the text (trimmed) into the individual; false when it cannot be
  // read or written.
  virtual bool EcritTexte(CodeID individu, int selector, const AnsiString& text) = 0;
};

// The individuals table behind the interface.
class TGIndividusDictionnaires : public IIndividusDictionnaires {
 public:
  explicit TGIndividusDictionnaires(TGTableIndividus* individus) : individus_(individus) {}
  // A halving of the alphabetical index: the first bearer of the surname.
  // In batch mode the index lags behind the store; the answer is then the
  // one the index gives.
  bool PorteLeNom(CodeID nom) const override;
  bool LitTexte(CodeID individu, int selector, AnsiString& text) override;
  bool EcritTexte(CodeID individu, int selector, const AnsiString& text) override;

 private:
  TGTableIndividus* individus_;
};

}  // namespace genvora
