// Text utilities over AnsiString (Windows-1252): accent-free keys,
// capitalisation of names, words and initials, the UTF-8 edge conversions and
// small cleaners for SQL, URL and JSON text.
//
// Invariants:
//  1. Case mapping is Windows-1252's for Latin letters, from fixed 256-entry
//     tables: the result never depends on the process locale.
//  2. Every function takes any byte string, NULs included, and never reads
//     past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace genvora {

// Word delimiters: , ;"?()<>{}[] and space. First-word delimiters: the same
// without braces and brackets, plus the full stop.
const AnsiString& MotDelimiteurs();
const AnsiString& PremierMotDelimiteurs();

// Windows-1252 case and classes.
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
bool AnsiIsAlnum(char c);
AnsiString AnsiUpperCase(std::string_view text);
AnsiString AnsiLowerCase(std::string_view text);
// Without the control characters and spaces at both ends.
AnsiString AnsiTrim(std::string_view text);
// Comparison without regard to case (Windows-1252 pairs): negative, 0 or
// positive; a text that is a prefix of the other orders first.
int AnsiCompareText(std::string_view a, std::string_view b);

// Accents and case.
AnsiString EnleveAccents(std::string_view text, bool dashToSpace, bool apostropheToSpace);
AnsiString EnleveAccentsEtUpperCase(std::string_view text);
AnsiString EnleveAccentsEtUpperTiret(std::string_view text);
AnsiString AnsiFirstUpper(std::string_view text, bool onlyFirst, std::string_view noCapitalAfter);
bool BeginWithVowel(std::string_view text);

// What FirstUpperWithGriot needs of the first-names table: its extractor and
// a look-up of the spellings the user fixed (the Griot flag). The table
// implements it; without one, names are the runs between word delimiters
// and no spelling is fixed.
class IFirstNameLookup {
 public:
  virtual ~IFirstNameLookup() = default;
  // The next first name of `text` at or after the 0-based `position`: its
  // start and length. Advances `position` past the name; false when no name
  // is left (the rest of the text is then a separator).
  virtual bool ExtraitPrenomSuivant(const AnsiString& text, std::size_t& position, std::size_t& nameStart,
                                    std::size_t& nameLength) const = 0;
  // The stored spelling of the entry whose upper-case spelling is
  // `upperName`, when there is one and it carries the Griot flag.
  virtual bool OrthographeGriot(const AnsiString& upperName, AnsiString& spelling) const = 0;
};

// Capitalises a list of first names; the capitalisation exceptions of the
// shared preferences are kept as typed.
AnsiString FirstUpperWithGriot(const AnsiString& text, const IFirstNameLookup* firstNames);

// Words.
AnsiString AnsiFirstWord(std::string_view text);
AnsiString AnsiLastWord(std::string_view text);
AnsiString AnsiInitiale(std::string_view text);
int DecoupeMot(std::string_view text, std::vector<AnsiString>& words);
int DecoupeMot(std::string_view text, std::string_view delimiters, std::vector<AnsiString>& words);
bool UnDesMotsCommencePar(std::string_view text, const std::vector<AnsiString>& words);

// Encodings: characters without a Windows-1252 form become '?'.
std::string ConvertAnsiStringToUTF8(std::string_view text);
AnsiString ConvertUTF8StringToAnsiString(std::string_view text);
AnsiString ConvertUTF8StringToAnsiString(const char* text);
AnsiString ConvertUTF8StringToAnsiString(const char16_t* text);
// The precomposed Unicode form (NFC) of UTF-16 text.
std::u16string EnsureComposed(std::u16string_view text);

// Cleaners.
AnsiString EnleveCaracteresSQL(std::string_view text);
std::string URLEncode(std::string_view text);
std::string jsonClean(std::string_view text);
AnsiString ReplaceCharByChar(std::string_view text, char from, char to);
// `start` is 1-based (the first character is 1); out-of-range parts are
// cut, never read.
AnsiString KELSubString(std::string_view text, int start, int length);
// Clears `size` bytes of `dest` and copies at most size - 1 characters, so
// that `dest` always ends with a NUL.
void CopyStrToStr(char* dest, const char* source, std::size_t size);
void AnsiCopyStrToStr(char* dest, const AnsiString& text, std::size_t size);

// Other.
bool isNear(std::int64_t a, std::int64_t b);
// Two-letter country of the user's default locale ("FR"); empty when the
// locale names none.
std::string GetUserCountry();
// Lets the host handle its pending events; one or all of them (the host
// decides how much "one" is).
void V5ProcessMessage(bool onlyOne);

}  // namespace genvora
