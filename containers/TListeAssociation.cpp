// TListeAssociation: source to destination code pairs.
#include "containers/TListeAssociation.h"

#include <cstring>
#include <vector>

namespace genvora {

TListeAssociation::TListeAssociation(unsigned initialCount, unsigned itemSize)
    : pairs_(std::make_unique<LArray>(initialCount, itemSize < kPairSize ? kPairSize : itemSize,
                                      new LLongComparator, true)) {}

void TListeAssociation::Add(std::uint32_t source, std::uint32_t destination) {
  if (!pairs_) return;
  std::vector<unsigned char> item(pairs_->GetItemSize(0), 0);
  std::memcpy(item.data(), &source, 4);
  std::memcpy(item.data() + 4, &destination, 4);
  pairs_->AddItem(item.data(), static_cast<unsigned>(item.size()));
}

void TListeAssociation::SetDestination(std::uint32_t source, std::uint32_t destination) {
  if (!pairs_) return;
  pairs_->Remove(&source, 4);
  Add(source, destination);
}

std::uint32_t TListeAssociation::GetDestination(std::uint32_t source) const {
  if (!pairs_) return 0;
  int index = pairs_->FetchIndexOf(&source, 4);
  if (index == 0) return 0;
  std::uint32_t destination;
  std::memcpy(&destination, static_cast<const unsigned char*>(pairs_->GetItemPtr(index)) + 4, 4);
  return destination;
}

std::uint32_t TListeAssociation::GetNextNonZeroId() {
  if (!pairs_) return 0;
  const int count = static_cast<int>(pairs_->GetCount());
  for (int k = position_ < 0 ? 1 : position_ + 1; k <= count; ++k) {
    const auto* pair = static_cast<const unsigned char*>(pairs_->GetItemPtr(k));
    std::uint32_t source, destination;
    std::memcpy(&source, pair, 4);
    std::memcpy(&destination, pair + 4, 4);
    if (destination != 0) {
      position_ = k;
      return source;
    }
  }
  return 0;
}

void TListeAssociation::Flush() {
  if (!pairs_) return;
  const int count = static_cast<int>(pairs_->GetCount());
  for (int k = 1; k <= count; ++k) {
    auto* pair = static_cast<unsigned char*>(pairs_->GetItemPtr(k));
    std::memset(pair + 4, 0, 4);
  }
}

}  // namespace genvora
