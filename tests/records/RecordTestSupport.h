// Helpers of the record tests: decoding checks over every cut of a record's
// bytes.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/Exception.h"
#include "records/TGRoot.h"

namespace genvora {

// Decodes `bytes` into a fresh record of type T; answers false when Decode
// refused them (and checks that the refusal names the damage).
template <typename T>
bool DecodesInto(const std::string& bytes, T& out) {
  try {
    out.Decode(bytes.data(), static_cast<int>(bytes.size()));
    return true;
  } catch (const EGenvoraError& e) {
    EXPECT_EQ(e.ResourceKey(), "G5vclstrings.RootsDecodeDamaged");
    return false;
  }
}

// Every cut of `full` decodes only at the group boundaries given (lengths in
// bytes, the full length included); every other cut is refused, and a refused
// decode leaves the record as it was. A byte after the last group is ignored:
// the record decodes to what the full bytes give.
template <typename T>
void ExpectDecodesOnlyAt(const std::string& full, const std::set<std::size_t>& boundaries) {
  for (std::size_t length = 0; length <= full.size() + 1; ++length) {
    std::string cut = length <= full.size() ? full.substr(0, length) : full + '\x01';
    T record;
    record.SetCodeID(999);
    const bool decoded = DecodesInto(cut, record);
    const bool expected = length > full.size() || boundaries.count(length) == 1;
    EXPECT_EQ(decoded, expected) << "length " << length;
    if (length > full.size()) {
      EXPECT_EQ(record.EncodeToString(), full) << "the extra byte is not part of the record";
    }
    if (!decoded) {
      EXPECT_EQ(record.GetCodeID(), 999u) << "length " << length;
    }
  }
}

}  // namespace genvora
