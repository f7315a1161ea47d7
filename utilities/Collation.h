// Locale-aware text order of the engine: surnames, first names, professions
// and towns sort by the French collation of their UTF-8 form. Every such
// comparison goes through this unit, so the choice of collator lives here.
//
// Invariants:
//  1. CompareTextLocale(a, b, c) has the sign of CollationKey(a, c) compared
//     bytewise with CollationKey(b, c): a caller may cache keys and compare
//     them instead of the texts.
//  2. Keys never hold a NUL before their final NUL, so the concatenation of
//     two keys orders by the first text, then by the second.
//  3. Without regard to case (`ignoreCase`), "jean" and "Jean" are equal;
//     accents still count.
#pragma once

#include <string>
#include <string_view>

#include "platform/Types.h"

namespace genvora {

// Negative, 0 or positive. Texts are Windows-1252 (AnsiString).
int CompareTextLocale(std::string_view a, std::string_view b, bool ignoreCase);
// The sort key of a text, NUL included.
std::string CollationKey(std::string_view text, bool ignoreCase);

}  // namespace genvora
