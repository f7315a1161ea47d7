#include "utilities/TextUtils.h"

#include <unicode/uloc.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>

#include "platform/Encoding.h"
#include "platform/Host.h"
#include "platform/Preferences.h"

namespace genvora {

namespace {

// Windows-1252 case mapping of the Latin letters: a-z, the accented letters
// E0-FE (without the division sign F7), and the pairs S/Z/OE caron and Y
// diaeresis (9A/8A, 9E/8E, 9C/8C, FF/9F). Sharp s and micro have no other
// case in this code page.
constexpr unsigned char kUpper[256] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,  // 00
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,  // 10
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,  // 20
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,  // 30
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,  // 40
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,  // 50
    0x60, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,  // 60
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,  // 70
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,  // 80
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x8A, 0x9B, 0x8C, 0x9D, 0x8E, 0x9F,  // 90
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,  // A0
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,  // B0
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,  // C0
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,  // D0
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,  // E0
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xF7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0x9F,  // F0
};
constexpr unsigned char kLower[256] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,  // 00
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,  // 10
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,  // 20
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,  // 30
    0x40, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,  // 40
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,  // 50
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,  // 60
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,  // 70
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x9A, 0x8B, 0x9C, 0x8D, 0x9E, 0x8F,  // 80
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0xFF,  // 90
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,  // A0
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,  // B0
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,  // C0
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xD7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xDF,  // D0
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,  // E0
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,  // F0
};

// Accent-free plain letters, byte by byte; 0 = keep the byte.
constexpr char AccentFree(unsigned char b) {
  switch (b) {
    case 0xE0: case 0xE1: case 0xE2: case 0xE4: case 0xC0: case 0xC1: case 0xC2: case 0xC4: return 'a';
    case 0xE7: case 0xC7: return 'c';
    case 0xE8: case 0xE9: case 0xEA: case 0xEB: case 0xC8: case 0xC9: case 0xCA: case 0xCB: return 'e';
    case 0xEE: case 0xEF: case 0xCE: case 0xCF: return 'i';
    case 0xF4: case 0xF6: case 0xD4: case 0xD6: return 'o';
    case 0xF9: case 0xFB: case 0xFC: case 0xD9: case 0xDB: case 0xDC: return 'u';
    case 0xFD: case 0xFF: case 0xDD: case 0x9F: return 'y';
    default: return 0;
  }
}

bool Contains(std::string_view set, char c) { return set.find(c) != std::string_view::npos; }

// The default first-name extractor: runs between word delimiters.
bool NextWord(const AnsiString& text, std::size_t& position, std::size_t& start, std::size_t& length) {
  const AnsiString& delimiters = MotDelimiteurs();
  std::size_t p = position;
  while (p < text.size() && Contains(delimiters, text[p])) ++p;
  if (p >= text.size()) return false;
  std::size_t end = p;
  while (end < text.size() && !Contains(delimiters, text[end])) ++end;
  start = p;
  length = end - p;
  position = end;
  return true;
}

}  // namespace

const AnsiString& MotDelimiteurs() {
  static const AnsiString delimiters = ", ;\"?()<>{}[]";
  return delimiters;
}

const AnsiString& PremierMotDelimiteurs() {
  static const AnsiString delimiters = ", ;\"()?<>.";
  return delimiters;
}

char AnsiUpperChar(char c) { return static_cast<char>(kUpper[static_cast<unsigned char>(c)]); }
char AnsiLowerChar(char c) { return static_cast<char>(kLower[static_cast<unsigned char>(c)]); }

bool AnsiIsAlnum(char c) {
  auto b = static_cast<unsigned char>(c);
  if (b >= '0' && b <= '9') return true;
  if (kUpper[b] != b || kLower[b] != b) return true;
  // Letters without a second case: florin, ordinals, micro, sharp s.
  return b == 0x83 || b == 0xAA || b == 0xBA || b == 0xB5 || b == 0xDF;
}

AnsiString AnsiUpperCase(std::string_view text) {
  AnsiString out(text);
  for (char& c : out) c = AnsiUpperChar(c);
  return out;
}

AnsiString AnsiLowerCase(std::string_view text) {
  AnsiString out(text);
  for (char& c : out) c = AnsiLowerChar(c);
  return out;
}

AnsiString AnsiTrim(std::string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return AnsiString(text.substr(first, last - first));
}

AnsiString EnleveAccents(std::string_view text, bool dashToSpace, bool apostropheToSpace) {
  AnsiString out(text);
  for (char& c : out) {
    if (char plain = AccentFree(static_cast<unsigned char>(c))) {
      c = plain;
    } else if ((dashToSpace && c == '-') || (apostropheToSpace && c == '\'')) {
      c = ' ';
    }
  }
  return out;
}

AnsiString EnleveAccentsEtUpperCase(std::string_view text) { return AnsiUpperCase(EnleveAccents(text, true, false)); }

AnsiString EnleveAccentsEtUpperTiret(std::string_view text) {
  return AnsiUpperCase(EnleveAccents(text, false, false));
}

AnsiString AnsiFirstUpper(std::string_view text, bool onlyFirst, std::string_view noCapitalAfter) {
  if (text.empty()) return {};
  AnsiString out = AnsiLowerCase(text);
  out[0] = AnsiUpperChar(out[0]);
  if (onlyFirst) return out;
  for (std::size_t i = 1; i < out.size(); ++i) {
    char before = out[i - 1];
    if (AnsiIsAlnum(out[i]) && !AnsiIsAlnum(before) && !Contains(noCapitalAfter, before)) out[i] = AnsiUpperChar(out[i]);
  }
  return out;
}

bool BeginWithVowel(std::string_view text) {
  if (text.empty()) return false;
  char first = EnleveAccentsEtUpperCase(text.substr(0, 1))[0];
  return Contains("AEIOUY", first);
}

AnsiString FirstUpperWithGriot(const AnsiString& text, const IFirstNameLookup* firstNames) {
  if (text.empty()) return {};
  std::vector<AnsiString> exceptions;
  if (TPreferenceGenvora5* prefs = SharedPrefs()) {
    for (const auto& e : prefs->ExceptionsCapitalisation) exceptions.push_back(EnleveAccentsEtUpperCase(e));
  }
  AnsiString out;
  std::size_t position = 0, start = 0, length = 0;
  while (true) {
    std::size_t before = position;
    bool found = firstNames != nullptr ? firstNames->ExtraitPrenomSuivant(text, position, start, length)
                                       : NextWord(text, position, start, length);
    // An extractor that does not move, or names outside the text, ends the
    // walk: the rest is copied as it is.
    if (!found || position <= before || start < before || start > text.size() || length > text.size() - start ||
        start + length > position) {
      position = before;
      break;
    }
    out.append(text, before, start - before);
    AnsiString name = text.substr(start, length);
    AnsiString key = EnleveAccentsEtUpperCase(name);
    AnsiString spelling;
    if (std::find(exceptions.begin(), exceptions.end(), key) != exceptions.end()) {
      out += name;
    } else if (firstNames != nullptr && firstNames->OrthographeGriot(AnsiUpperCase(name), spelling)) {
      out += spelling;
    } else {
      out += AnsiFirstUpper(name, false, "?");
    }
    out.append(text, start + length, position - (start + length));
  }
  out.append(text, position, AnsiString::npos);
  return out;
}

AnsiString AnsiFirstWord(std::string_view text) {
  const AnsiString& delimiters = PremierMotDelimiteurs();
  std::size_t start = 0;
  while (start < text.size() && Contains(delimiters, text[start])) ++start;
  std::size_t end = start;
  while (end < text.size() && !Contains(delimiters, text[end])) ++end;
  return AnsiString(text.substr(start, end - start));
}

AnsiString AnsiLastWord(std::string_view text) {
  AnsiString trimmed = AnsiTrim(text);
  std::size_t space = trimmed.rfind(' ');
  return space == AnsiString::npos ? trimmed : trimmed.substr(space + 1);
}

AnsiString AnsiInitiale(std::string_view text) {
  AnsiString word = AnsiFirstWord(AnsiTrim(text));
  if (word.empty()) return {};
  AnsiString out(1, word[0]);
  // A separator inside the word (not its last character) brings the next
  // initial with it: "Jean-Pierre" gives "J-P.".
  for (std::size_t p = 1; p + 1 < word.size(); ++p) {
    if (!AnsiIsAlnum(word[p])) {
      out += word[p];
      out += word[p + 1];
    }
  }
  out += '.';
  return out;
}

int DecoupeMot(std::string_view text, std::string_view delimiters, std::vector<AnsiString>& words) {
  std::size_t p = 0;
  while (p < text.size()) {
    while (p < text.size() && Contains(delimiters, text[p])) ++p;
    std::size_t end = p;
    while (end < text.size() && !Contains(delimiters, text[end])) ++end;
    if (end > p) words.emplace_back(text.substr(p, end - p));
    p = end;
  }
  return static_cast<int>(words.size());
}

int DecoupeMot(std::string_view text, std::vector<AnsiString>& words) {
  return DecoupeMot(text, MotDelimiteurs(), words);
}

bool UnDesMotsCommencePar(std::string_view text, const std::vector<AnsiString>& words) {
  const AnsiString& delimiters = MotDelimiteurs();
  for (const auto& word : words) {
    bool atWordStart = false;
    std::size_t from = 0;
    while (!atWordStart) {
      std::size_t at = text.find(word, from);
      if (at == std::string_view::npos) return false;
      atWordStart = at == 0 || Contains(delimiters, text[at - 1]);
      from = at + 1;
    }
  }
  return true;
}

std::string ConvertAnsiStringToUTF8(std::string_view text) { return AnsiToUtf8(text); }

AnsiString ConvertUTF8StringToAnsiString(std::string_view text) { return Utf8ToAnsi(text); }

AnsiString ConvertUTF8StringToAnsiString(const char* text) {
  return text == nullptr ? AnsiString() : Utf8ToAnsi(text);
}

AnsiString ConvertUTF8StringToAnsiString(const char16_t* text) {
  if (text == nullptr) return {};
  std::u16string_view wide(text);
  UErrorCode status = U_ZERO_ERROR;
  int32_t needed = 0;
  u_strToUTF8WithSub(nullptr, 0, &needed, reinterpret_cast<const UChar*>(wide.data()),
                     static_cast<int32_t>(wide.size()), 0xFFFD, nullptr, &status);
  std::string utf8(static_cast<std::size_t>(needed), '\0');
  status = U_ZERO_ERROR;
  u_strToUTF8WithSub(utf8.data(), needed, nullptr, reinterpret_cast<const UChar*>(wide.data()),
                     static_cast<int32_t>(wide.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  return Utf8ToAnsi(utf8);
}

std::u16string EnsureComposed(std::u16string_view text) {
  if (text.empty()) return {};
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status)) return std::u16string(text);
  const auto* src = reinterpret_cast<const UChar*>(text.data());
  auto srcLength = static_cast<int32_t>(text.size());
  int32_t needed = unorm2_normalize(nfc, src, srcLength, nullptr, 0, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::u16string(text);
  std::u16string out(static_cast<std::size_t>(needed), u'\0');
  status = U_ZERO_ERROR;
  unorm2_normalize(nfc, src, srcLength, reinterpret_cast<UChar*>(out.data()), needed, &status);
  return U_FAILURE(status) ? std::u16string(text) : out;
}

AnsiString EnleveCaracteresSQL(std::string_view text) {
  AnsiString out;
  for (char c : text)
    if (c != '\'' && c != '"') out += c;
  return out;
}

std::string URLEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (char c : AnsiToUtf8(text)) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-') {
      out += c;
    } else if (b == ' ' || (b >= '\t' && b <= '\r')) {
      out += "%20";
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    }
  }
  return out;
}

std::string jsonClean(std::string_view text) {
  // A quoted text loses its first and last characters (a lone quote leaves
  // nothing).
  if (!text.empty() && text.front() == '"') text = text.size() >= 2 ? text.substr(1, text.size() - 2) : text.substr(1);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '/') {
      out += '/';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

AnsiString ReplaceCharByChar(std::string_view text, char from, char to) {
  AnsiString out(text);
  std::replace(out.begin(), out.end(), from, to);
  return out;
}

AnsiString KELSubString(std::string_view text, int start, int length) {
  if (text.empty() || length <= 0) return {};
  auto first = static_cast<std::size_t>(std::max(start, 1) - 1);
  if (first >= text.size()) return {};
  return AnsiString(text.substr(first, static_cast<std::size_t>(length)));
}

void CopyStrToStr(char* dest, const char* source, std::size_t size) {
  if (dest == nullptr || size == 0) return;
  std::memset(dest, 0, size);
  if (source != nullptr) std::strncpy(dest, source, size - 1);
  dest[size - 1] = '\0';
}

void AnsiCopyStrToStr(char* dest, const AnsiString& text, std::size_t size) {
  if (dest == nullptr || size == 0) return;
  std::memset(dest, 0, size);
  std::memcpy(dest, text.data(), std::min(text.size(), size - 1));
}

bool isNear(std::int64_t a, std::int64_t b) {
  // Compared without forming a - b, which overflows for values far apart.
  return a > b ? static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b) < 5u
               : static_cast<std::uint64_t>(b) - static_cast<std::uint64_t>(a) < 5u;
}

std::string GetUserCountry() {
  char country[ULOC_COUNTRY_CAPACITY] = {};
  UErrorCode status = U_ZERO_ERROR;
  uloc_getCountry(uloc_getDefault(), country, sizeof country, &status);
  return U_FAILURE(status) ? std::string() : std::string(country);
}

void V5ProcessMessage(bool /*onlyOne*/) { Host().ProcessMessages(); }

}  // namespace genvora
