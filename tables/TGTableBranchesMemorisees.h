// Two small arrays of the database:
//
// TGTableBranchesMemorisees "BranchesMemorisees": the branches the user
// memorised for research help, 12-byte items kept sorted by their first
// word (LLongComparator):
//
// | offset | size | field                                        |
// |--------|------|----------------------------------------------|
// | 0      | 4    | code of the branch's individual              |
// | 4      | 4    | kind of research help (typeAideRechercheT)   |
// | 8      | 4    | identifier of the branch                     |
//
// TGTableIndiMarques "CkeckedPeoples": the marked individuals, 4-byte codes
// in the order they were marked (not sorted). Membership is answered from a
// set learnt in one pass after a read and kept in step, so marking a
// million people stays linear.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "containers/LArray.h"
#include "tables/IndexSupport.h"

namespace genvora {

using typeAideRechercheT = std::uint32_t;

class TGTableBranchesMemorisees : public LArray {
 public:
  static constexpr unsigned kItemSize = 12;

  TGTableBranchesMemorisees();

  // Adds a branch with a new identifier; answers it, 0 when none was had.
  CodeID AddBranche(CodeID code, typeAideRechercheT type, ICodeAllocator* codes);
  void ImportBranche(CodeID code, typeAideRechercheT type, CodeID id);
  bool BrancheExists(CodeID code) const;
  // Removes every branch of `code`; true when one was.
  bool SupprimeBranche(CodeID code);
};

class TGTableIndiMarques : public LArray {
 public:
  static constexpr unsigned kItemSize = 4;

  TGTableIndiMarques();

  // Marks the individual once; true when it was not marked.
  bool Marque(CodeID code);
  bool Demarque(CodeID code);
  bool EstMarque(CodeID code) const;
  bool LitDans(FileHandle* file) override;
  void Flush() override;

 private:
  void EnsureSet() const;
  mutable std::unordered_set<CodeID> set_;
  mutable bool setValid_ = true;
};

}  // namespace genvora
