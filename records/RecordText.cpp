#include "records/RecordText.h"

namespace genvora::rectext {

namespace {
unsigned char Byte(char c) { return static_cast<unsigned char>(c); }
}  // namespace

char UpperChar(char c) {
  const unsigned char b = Byte(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
  if (b == 0x9A || b == 0x9C || b == 0x9E) return static_cast<char>(b - 0x10);
  if (b == 0xFF) return static_cast<char>(0x9F);
  return c;
}

char LowerChar(char c) {
  const unsigned char b = Byte(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 0x20);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 0x20);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<char>(b + 0x10);
  if (b == 0x9F) return static_cast<char>(0xFF);
  return c;
}

bool IsAlnum(char c) {
  const unsigned char b = Byte(c);
  if ((b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')) return true;
  return UpperChar(c) != c || LowerChar(c) != c || b == 0xDF;  // letters with a case pair, and sharp s
}

AnsiString Trim(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && Byte(text[first]) <= ' ') ++first;
  while (last > first && Byte(text[last - 1]) <= ' ') --last;
  return AnsiString(text.substr(first, last - first));
}

AnsiString Upper(std::string_view text) {
  AnsiString out(text);
  for (char& c : out) c = UpperChar(c);
  return out;
}

AnsiString FirstUpperWords(std::string_view text) {
  AnsiString out(text);
  bool wordStart = true;
  for (char& c : out) {
    c = LowerChar(c);
    if (wordStart && IsAlnum(c)) c = UpperChar(c);
    wordStart = !IsAlnum(c);
  }
  return out;
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = Byte(UpperChar(a[i]));
    const int cb = Byte(UpperChar(b[i]));
    if (ca != cb) return ca - cb;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace genvora::rectext
