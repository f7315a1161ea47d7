// French collation through ICU. One collator per strength, opened on first
// use and kept for the process: opening one costs far more than a key.
#include "utilities/Collation.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <cstring>
#include <vector>

#include "utilities/TextUtils.h"

namespace genvora {
namespace {

UCollator* OpenCollator(bool ignoreCase) {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* collator = ucol_open("fr", &status);
  if (U_FAILURE(status) || collator == nullptr) {
    status = U_ZERO_ERROR;
    collator = ucol_open("", &status);
  }
  if (collator != nullptr) {
    // Secondary strength keeps accents and drops case; tertiary keeps both.
    ucol_setStrength(collator, ignoreCase ? UCOL_SECONDARY : UCOL_TERTIARY);
  }
  return collator;
}

UCollator* Collator(bool ignoreCase) {
  static UCollator* const caseless = OpenCollator(true);
  static UCollator* const cased = OpenCollator(false);
  return ignoreCase ? caseless : cased;
}

std::u16string ToUtf16(std::string_view ansi) {
  const std::string utf8 = ConvertAnsiStringToUTF8(ansi);
  std::u16string out(utf8.size() + 1, u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &length, utf8.data(),
                static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

}  // namespace

std::string CollationKey(std::string_view text, bool ignoreCase) {
  UCollator* collator = Collator(ignoreCase);
  const std::u16string wide = ToUtf16(text);
  if (collator == nullptr) {
    // No collator at all: the upper-case bytes still give a total order.
    std::string key = AnsiUpperCase(text);
    for (char& c : key) c = c == '\0' ? '\x01' : c;
    key.push_back('\0');
    return key;
  }
  std::string key(wide.size() * 4 + 16, '\0');
  for (;;) {
    const int32_t needed =
        ucol_getSortKey(collator, reinterpret_cast<const UChar*>(wide.data()), static_cast<int32_t>(wide.size()),
                        reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
    if (needed <= 0) return std::string(1, '\0');
    if (static_cast<std::size_t>(needed) <= key.size()) {
      key.resize(static_cast<std::size_t>(needed));
      return key;
    }
    key.assign(static_cast<std::size_t>(needed), '\0');
  }
}

int CompareTextLocale(std::string_view a, std::string_view b, bool ignoreCase) {
  UCollator* collator = Collator(ignoreCase);
  if (collator == nullptr) {
    const int byKey = CollationKey(a, ignoreCase).compare(CollationKey(b, ignoreCase));
    return byKey < 0 ? -1 : byKey > 0 ? 1 : 0;
  }
  const std::u16string wa = ToUtf16(a);
  const std::u16string wb = ToUtf16(b);
  const UCollationResult result =
      ucol_strcoll(collator, reinterpret_cast<const UChar*>(wa.data()), static_cast<int32_t>(wa.size()),
                   reinterpret_cast<const UChar*>(wb.data()), static_cast<int32_t>(wb.size()));
  return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

}  // namespace genvora
