// Accent-free keys, capitalisation, words, UTF-8 edges and cleaners.
#include <gtest/gtest.h>

#include <map>

#include "platform/Preferences.h"
#include "utilities/TextUtils.h"

namespace genvora {
namespace {

TEST(TextUtils, AccentTableAndCase) {
  // Every byte of the accent table, and letters outside it that pass through.
  EXPECT_EQ(EnleveAccents("\xE0\xE1\xE2\xE4\xC0\xC1\xC2\xC4", false, false), "aaaaaaaa");
  EXPECT_EQ(EnleveAccents("\xE7\xC7", false, false), "cc");
  EXPECT_EQ(EnleveAccents("\xE8\xE9\xEA\xEB\xC8\xC9\xCA\xCB", false, false), "eeeeeeee");
  EXPECT_EQ(EnleveAccents("\xEE\xEF\xCE\xCF", false, false), "iiii");
  EXPECT_EQ(EnleveAccents("\xF4\xF6\xD4\xD6", false, false), "oooo");
  EXPECT_EQ(EnleveAccents("\xF9\xFB\xFC\xD9\xDB\xDC", false, false), "uuuuuu");
  EXPECT_EQ(EnleveAccents("\xFD\xFF\xDD\x9F", false, false), "yyyy");
  EXPECT_EQ(EnleveAccents("\xF1\xF2\xEC\xED\xE5\xE3", false, false), "\xF1\xF2\xEC\xED\xE5\xE3");
  EXPECT_EQ(EnleveAccents("l'\xE9t\xE9-ci", true, true), "l ete ci");

  EXPECT_EQ(EnleveAccentsEtUpperCase("\xC9lise-Ana\xEFs"), "ELISE ANAIS");
  EXPECT_EQ(EnleveAccentsEtUpperTiret("\xC9lise-Ana\xEFs"), "ELISE-ANAIS");
  EXPECT_EQ(AnsiUpperCase("\xE6\xF8\xFE\x9A\x9C\x9E\xFF\xDF\xB5\xF7"), "\xC6\xD8\xDE\x8A\x8C\x8E\x9F\xDF\xB5\xF7");
  EXPECT_EQ(AnsiLowerCase("\xC6\xD8\xDE\x8A\x8C\x8E\x9F\xD7"), "\xE6\xF8\xFE\x9A\x9C\x9E\xFF\xD7");
  EXPECT_TRUE(BeginWithVowel("\xC9mile"));
  EXPECT_TRUE(BeginWithVowel("yves"));
  EXPECT_FALSE(BeginWithVowel("Marc"));
  EXPECT_FALSE(BeginWithVowel(""));
}

TEST(TextUtils, Capitalisation) {
  struct Case {
    const char* text;
    bool onlyFirst;
    const char* noCapitalAfter;
    const char* expected;
  };
  const Case cases[] = {
      {"JEAN-PIERRE D'ARTAGNAN", false, "", "Jean-Pierre D'Artagnan"},
      {"JEAN-PIERRE D'ARTAGNAN", false, "'", "Jean-Pierre D'artagnan"},
      {"JEAN-PIERRE D'ARTAGNAN", true, "", "Jean-pierre d'artagnan"},
      {"\xC9MILE \xC9TIENNE", false, "", "\xC9mile \xC9tienne"},
      {"saint-\xE9tienne", false, "?", "Saint-\xC9tienne"},
      {"", false, "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(AnsiFirstUpper(c.text, c.onlyFirst, c.noCapitalAfter), c.expected) << c.text;
}

// A first-names table with one spelling fixed by the user.
class FakeFirstNames : public IFirstNameLookup {
 public:
  bool ExtraitPrenomSuivant(const AnsiString& text, std::size_t& position, std::size_t& start,
                            std::size_t& length) const override {
    std::size_t p = text.find_first_not_of(", ", position);
    if (p == AnsiString::npos) return false;
    std::size_t end = text.find_first_of(", ", p);
    if (end == AnsiString::npos) end = text.size();
    start = p;
    length = end - p;
    position = end;
    return true;
  }
  bool OrthographeGriot(const AnsiString& upperName, AnsiString& spelling) const override {
    auto it = fixed.find(upperName);
    if (it == fixed.end()) return false;
    spelling = it->second;
    return true;
  }
  std::map<AnsiString, AnsiString> fixed{{"MARYLOU", "MaryLou"}};
};

TEST(TextUtils, FirstUpperWithGriotKeepsExceptionsAndFixedSpellings) {
  ScopedPrefs prefs;
  prefs->ExceptionsCapitalisation = {"de", "\xE9l\xE9onore"};
  FakeFirstNames table;
  EXPECT_EQ(FirstUpperWithGriot("MARYLOU, jean-paul de ELEONORE", &table), "MaryLou, Jean-Paul de ELEONORE");
  EXPECT_EQ(FirstUpperWithGriot("  marylou  ", nullptr), "  Marylou  ") << "no table: no fixed spelling";
  EXPECT_EQ(FirstUpperWithGriot("", &table), "");
}

TEST(TextUtils, WordsAndInitials) {
  EXPECT_EQ(AnsiFirstWord("  (Jean) Pierre"), "Jean");
  EXPECT_EQ(AnsiFirstWord(".,"), "");
  EXPECT_EQ(AnsiLastWord("  Jean Pierre Marie  "), "Marie");
  EXPECT_EQ(AnsiLastWord("Jean"), "Jean");

  struct Case {
    const char* text;
    const char* initials;
  };
  const Case cases[] = {
      {"Jean-Pierre Martin", "J-P."}, {"A", "A."}, {"Jean-", "J."}, {"  \xC9milie", "\xC9."}, {"", ""}, {"Marie-", "M."},
      {"Anne-Marie-Louise", "A-M-L."},
  };
  for (const auto& c : cases) EXPECT_EQ(AnsiInitiale(c.text), c.initials) << c.text;

  std::vector<AnsiString> words{"kept"};
  EXPECT_EQ(DecoupeMot("un, deux;(trois) [quatre]", words), 5);
  EXPECT_EQ(words, (std::vector<AnsiString>{"kept", "un", "deux", "trois", "quatre"}));

  EXPECT_TRUE(UnDesMotsCommencePar("Saint-Martin de la Mer", {"Mer", "la"}));
  EXPECT_TRUE(UnDesMotsCommencePar("mardi (Martin)", {"Mar", "Martin"}));
  EXPECT_FALSE(UnDesMotsCommencePar("Saint-Martin", {"Martin"})) << "a dash is not a word delimiter";
  EXPECT_TRUE(UnDesMotsCommencePar("anything", {}));
}

TEST(TextUtils, EncodingsAndCleaners) {
  EXPECT_EQ(ConvertAnsiStringToUTF8("\xC9t\xE9 \x80"), "\xC3\x89t\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(ConvertUTF8StringToAnsiString("\xC3\x89t\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"), "\xC9t\xE9 \x80 ?");
  EXPECT_EQ(ConvertUTF8StringToAnsiString(u"\u00C9t\u00E9"), "\xC9t\xE9");
  EXPECT_EQ(EnsureComposed(u"e\u0301"), u"\u00E9");

  EXPECT_EQ(URLEncode("\xE9"), "%c3%a9");
  EXPECT_EQ(URLEncode("Saint-L\xF4 (50)\t"), "Saint-L%c3%b4%20%2850%29%20");
  EXPECT_EQ(URLEncode(""), "");
  EXPECT_EQ(jsonClean("\"http:\\/\\/x.org\\/a\""), "http://x.org/a");
  EXPECT_EQ(jsonClean("a\\/b\""), "a/b\"");
  EXPECT_EQ(jsonClean("\""), "");
  EXPECT_EQ(EnleveCaracteresSQL("l'\"abbaye\""), "labbaye");
  EXPECT_EQ(ReplaceCharByChar("a/b/c", '/', '\\'), "a\\b\\c");
  EXPECT_EQ(KELSubString("Genvora", 2, 3), "env");
  EXPECT_EQ(KELSubString("Genvora", 6, 50), "ra");
  EXPECT_EQ(KELSubString("Genvora", 9, 2), "");

  char dest[6];
  CopyStrToStr(dest, "longer text", sizeof dest);
  EXPECT_STREQ(dest, "longe");
  AnsiCopyStrToStr(dest, "ab", sizeof dest);
  EXPECT_STREQ(dest, "ab");
  EXPECT_EQ(dest[5], '\0');

  EXPECT_TRUE(isNear(10, 14));
  EXPECT_FALSE(isNear(10, 15));
  EXPECT_FALSE(isNear(INT64_MIN, INT64_MAX));
}

}  // namespace
}  // namespace genvora
