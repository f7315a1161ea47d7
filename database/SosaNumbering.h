// What the database knows of the Sosa numbering: the two moments it must
// tell the numbering about. The numbering itself (computations/) is attached
// by whoever creates the database; the Sosa table it fills is one of the
// database's own tables, saved and read with the file like every other.
//
// Invariant: a database without a numbering attached still records a change
// of de cujus in its header; only the numbering of the ancestors is missing.
#pragma once

#include "platform/Types.h"

namespace genvora {

class TGSosaNumbering {
 public:
  virtual ~TGSosaNumbering() = default;

  // The file just read holds, in its Sosa table, the numbering of
  // `deCujus`: the numbering learns whose it is, without numbering again,
  // so that a later computation starts from the file's number 1.
  virtual void SosaTableRead(CodeID deCujus) = 0;

  // The de cujus changed: its ancestors are numbered again (star
  // numbering) into the Sosa table that is saved with the file.
  virtual void DeCujusChanged(CodeID deCujus) = 0;
};

}  // namespace genvora
