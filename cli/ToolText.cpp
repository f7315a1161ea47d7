#include "cli/ToolText.h"

#include <cstdio>
#include <iostream>

#include "platform/Encoding.h"

namespace genvora::cli {

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, 0
// when there is none.
std::size_t SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
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
