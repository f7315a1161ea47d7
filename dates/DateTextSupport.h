// Small text helpers shared by the date text units (reading, printing,
// ages). ASCII only: the date vocabularies compare their Windows-1252
// letters through strnxcmp, never through these.
#pragma once

#include <string>
#include <string_view>

#include "platform/Types.h"

namespace genvora::datetext {

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

inline AnsiString Lower(AnsiString s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

inline AnsiString Number(long value) { return std::to_string(value); }

}  // namespace genvora::datetext
