// The surname particle splitter: separates a leading particle ("de", "van
// der", "d'") from the bare surname, so that surnames sort and display
// without it.
//
// Rules:
//  1. Particles are compared without regard to case (Windows-1252 pairs);
//     the longest matching particle wins ("van der Berg" splits after "van
//     der", not after "van").
//  2. A particle ending with an apostrophe may be glued to the surname
//     ("d'Artagnan"); any other particle must be followed by a blank.
//  3. A text that would leave an empty surname is not split: "De" alone is a
//     surname.
//  4. Both parts keep the spelling of the text; blanks around them are
//     removed.
#pragma once

#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace genvora {

class TV5SplitterParticule {
 public:
  // The particles of French, Dutch, German, Italian and Spanish surnames.
  TV5SplitterParticule();
  explicit TV5SplitterParticule(std::vector<AnsiString> particles);

  void SetString(std::string_view text);
  const AnsiString& GetPatronyme() const { return patronyme_; }
  const AnsiString& GetParticule() const { return particule_; }

  static const std::vector<AnsiString>& DefaultParticles();

 private:
  std::vector<AnsiString> particles_;  // longest first
  AnsiString patronyme_;
  AnsiString particule_;
};

}  // namespace genvora
