// TGTableParticules ("PartNameTbl"): the surname particles of a database, one
// NUL-terminated Windows-1252 text per item of a variable array, in list
// order. It travels in slot 1 of the surnames dictionary.
//
// The flag of LoadList: `brut` true gives the items as stored; false gives
// the list a splitter can use, each particle trimmed, blank ones and repeats
// (case ignored) left out, in table order.
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
  void LoadList(std::vector<AnsiString>& list, bool brut = true) const;
  // Appends each particle of `list` that the table does not hold yet (case
  // ignored), trimmed, in list order; blank ones are left out. Answers the
  // count appended.
  int ImporteListe(const std::vector<AnsiString>& list);
  // The same from another particles table (another database's).
  int ImporteListe(const TGTableParticules& source);
};

}  // namespace genvora
