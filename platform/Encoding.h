// Conversion between the engine's Windows-1252 text (AnsiString) and UTF-8,
// used only at the edges: terminal output, JSON, GEDCOM, resource texts.
//
// Invariants:
//  1. AnsiToUtf8 is lossless: the five bytes Windows-1252 leaves undefined
//     (81 8D 8F 90 9D) become the C1 controls of the same value, so that
//     Utf8ToAnsi(AnsiToUtf8(s)) == s for every byte string s.
//  2. Utf8ToAnsi replaces a character Windows-1252 cannot hold, and a byte
//     sequence that is not UTF-8, by '?'.
#pragma once

#include <string>
#include <string_view>

#include "platform/Types.h"

namespace genvora {

std::string AnsiToUtf8(std::string_view ansi);
AnsiString Utf8ToAnsi(std::string_view utf8);

}  // namespace genvora
