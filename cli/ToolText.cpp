#include "cli/ToolText.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>

#include "platform/Encoding.h"

namespace genvora::cli {

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, 0
// when there is none (ICU rejects overlong forms, surrogates and code points
// beyond U+10FFFF).
std::size_t SequenceLength(std::string_view text) {
  const auto length = static_cast<std::int32_t>(std::min<std::size_t>(text.size(), 4));
  std::int32_t offset = 0;
  UChar32 c = 0;
  U8_NEXT(reinterpret_cast<const std::uint8_t*>(text.data()), offset, length, c);
  return c < 0 ? 0 : static_cast<std::size_t>(offset);
}

}  // namespace

std::string EngineText(std::string_view ansi) {
  std::string text = AnsiToUtf8(ansi);
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

bool IsUtf8(std::string_view text) {
  while (!text.empty()) {
    const std::size_t n = SequenceLength(text);
    if (n == 0) return false;
    text.remove_prefix(n);
  }
  return true;
}

std::string Escaped(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    std::size_t n = SequenceLength(text);
    if (n == 0) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(text[0]));
      out += hex;
      n = 1;
    } else {
      out.append(text.substr(0, n));
    }
    text.remove_prefix(n);
  }
  return out;
}

void PrintError(const std::string& subject, const std::string& message) {
  std::cerr << "genvora: " << subject << ": " << message << "\n";
}

}  // namespace genvora::cli
