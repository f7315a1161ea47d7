// Small text helpers of the record classes over Windows-1252 text: blank
// trimming, case mapping and case-insensitive comparison.
//
// They follow the Windows-1252 case pairs (a-z, the accented letters E0-FE
// but F7, and the pairs 8A/9A, 8C/9C, 8E/9E, 9F/FF), so that accented
// letters compare and capitalise like plain ones.
#pragma once

#include <string_view>

#include "platform/Types.h"

namespace genvora::rectext {

char UpperChar(char c);
char LowerChar(char c);
bool IsAlnum(char c);

// Leading and trailing characters up to the space (blanks and controls)
// removed.
AnsiString Trim(std::string_view text);
AnsiString Upper(std::string_view text);
// Lower-cased, then the first character and every letter or digit that
// directly follows a character that is neither upper-cased.
AnsiString FirstUpperWords(std::string_view text);
// Case-insensitive comparison: negative, 0 or positive.
int CompareText(std::string_view a, std::string_view b);

}  // namespace genvora::rectext
