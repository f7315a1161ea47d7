// TListeAssociation: the code-translation table of a merge. Each pair maps a
// record code of the other file (source) to the code it takes in the open
// file (destination), kept sorted by source code; duplicates of a source are
// kept. A scan position lets a caller walk the pairs whose destination is set.
//
// The caller owns the table.
#pragma once

#include <cstdint>
#include <memory>

#include "containers/LArray.h"

namespace genvora {

class TListeAssociation {
 public:
  static constexpr unsigned kPairSize = 8;  // source, destination: unsigned 32-bit each

  // No pair array: every operation answers 0 until one exists.
  TListeAssociation() = default;
  // A pair array with room for `initialCount` pairs; an item size below 8
  // cannot hold a pair and is raised to 8.
  TListeAssociation(unsigned initialCount, unsigned itemSize = kPairSize);

  void Add(std::uint32_t source, std::uint32_t destination);
  void SetDestination(std::uint32_t source, std::uint32_t destination);
  std::uint32_t GetDestination(std::uint32_t source) const;
  // 0 starts before the first pair.
  void SetStart(int position) { position_ = position; }
  // The source of the next pair after the scan position whose destination is
  // not 0 (that pair becomes the position); 0 past the last pair, leaving the
  // position as it was.
  std::uint32_t GetNextNonZeroId();
  unsigned GetCount() const { return pairs_ ? pairs_->GetCount() : 0; }
  // Sets every destination to 0, keeping the sources.
  void Flush();

  const LArray* Pairs() const { return pairs_.get(); }

 private:
  std::unique_ptr<LArray> pairs_;
  int position_ = 0;
};

}  // namespace genvora
