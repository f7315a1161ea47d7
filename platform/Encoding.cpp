#include "platform/Encoding.h"

#include <unicode/ucnv.h>
#include <unicode/utf8.h>

#include <array>
#include <memory>
#include <mutex>

namespace genvora {

namespace {

// The Windows-1252 table is taken from ICU once and kept as two small maps, so
// that converting the millions of short texts of a large file costs a lookup
// per byte instead of a converter call per text.
struct Cp1252Tables {
  std::array<char32_t, 256> toUnicode{};
  // Unicode code points below 0x10000 that Windows-1252 holds; 0 = none.
  std::array<unsigned char, 0x10000> fromUnicode{};
  std::array<bool, 0x10000> mapped{};

  Cp1252Tables() {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* conv = ucnv_open("windows-1252", &status);
    for (int b = 0; b < 256; ++b) {
      char32_t cp = static_cast<char32_t>(b);  // undefined bytes: the C1 control of the same value
      if (U_SUCCESS(status) && conv != nullptr) {
        char in = static_cast<char>(b);
        UChar out[4];
        UErrorCode s = U_ZERO_ERROR;
        ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &s);
        int32_t n = ucnv_toUChars(conv, out, 4, &in, 1, &s);
        if (U_SUCCESS(s) && n == 1) cp = out[0];
        ucnv_reset(conv);
      } else if (b >= 0x80 && b < 0xA0) {
        cp = 0xFFFD;  // ICU unavailable: should not happen, keep going
      }
      toUnicode[b] = cp;
      if (cp < 0x10000) {
        fromUnicode[cp] = static_cast<unsigned char>(b);
        mapped[cp] = true;
      }
    }
    if (conv != nullptr) ucnv_close(conv);
  }
};

const Cp1252Tables& Tables() {
  static const Cp1252Tables tables;
  return tables;
}

void AppendUtf8(std::string& out, char32_t cp) {
  char buf[4];
  int32_t len = 0;
  UBool error = false;
  U8_APPEND(reinterpret_cast<uint8_t*>(buf), len, 4, static_cast<UChar32>(cp), error);
  if (!error) out.append(buf, static_cast<size_t>(len));
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  // Most texts are plain ASCII, the same bytes in both encodings.
  std::size_t ascii = 0;
  while (ascii < ansi.size() && static_cast<unsigned char>(ansi[ascii]) < 0x80) ++ascii;
  if (ascii == ansi.size()) return std::string(ansi);
  const auto& t = Tables();
  std::string out;
  out.reserve(ansi.size() + ansi.size() / 8);
  out.append(ansi.substr(0, ascii));
  for (char c : ansi.substr(ascii)) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out.push_back(c);
    } else {
      AppendUtf8(out, t.toUnicode[b]);
    }
  }
  return out;
}

AnsiString Utf8ToAnsi(std::string_view utf8) {
  const auto& t = Tables();
  AnsiString out;
  out.reserve(utf8.size());
  const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
  int32_t i = 0;
  const auto length = static_cast<int32_t>(utf8.size());
  while (i < length) {
    UChar32 cp;
    U8_NEXT(s, i, length, cp);
    if (cp >= 0 && cp < 0x10000 && t.mapped[static_cast<size_t>(cp)]) {
      out.push_back(static_cast<char>(t.fromUnicode[static_cast<size_t>(cp)]));
    } else {
      out.push_back('?');
    }
  }
  return out;
}

}  // namespace genvora
