// TGTableParticules ("PartNameTbl"): the surname particles of a database, one
// NUL-terminated Windows-1252 text per item of a variable array, in list
// order. It travels in slot 1 of the surnames dictionary.
#pragma once

#include <vector>

#include "containers/LVariableArray.h"
#include "platform/Types.h"

namespace genvora {

class TGTableParticules : public LVariableArray {
 public:
  TGTableParticules();

  // Empties the table and appends each text with its NUL.
  void UpdateFrom(const std::vector<AnsiString>& list);
  // Clears `list` and adds every particle in table order; an item without
  // its NUL (damaged file) gives the bytes it holds.
  void LoadList(std::vector<AnsiString>& list) const;
};

}  // namespace genvora
