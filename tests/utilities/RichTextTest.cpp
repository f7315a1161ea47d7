// RTF reading and writing, and the conversions of notes.
#include <gtest/gtest.h>

#include "platform/RtfRenderer.h"
#include "utilities/RichText.h"

namespace genvora {
namespace {

// A note as a common word processor saves it: header, font and colour
// tables, a style sheet, document information, an ignorable destination,
// accented letters as \'e9 and a \u escape with its fallback.
const char kWordProcessorNote[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1036"
    "{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}{\\f1\\fswiss\\fprq2\\fcharset0 Arial;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green77\\blue187;}\r\n"
    "{\\stylesheet{\\s0 Normal;}{\\s1\\b Heading 1;}}\r\n"
    "{\\info{\\author Marie}{\\title Notes}}\r\n"
    "{\\*\\generator Writer 1.0}\\viewkind4\\uc1 \r\n"
    "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang12 Baptis\\'e9 \\'e0 {\\b Saint-\\'c9tienne}\\par\r\n"
    "Parrain\\~: Jos\\u233?e\\tab{\\cf1 t\\'e9moin}\\line cf. acte n\\u176\\'b0 12\\par\r\n"
    "}\r\n";

TEST(RtfReader, WordProcessorNoteGivesItsText) {
  TRtfDocument doc;
  doc.LoadFromStream(kWordProcessorNote);
  EXPECT_EQ(doc.GetAllText(), "Baptis\xE9 \xE0 Saint-\xC9tienne\r\nParrain\xA0: Jos\xE9" "e\tt\xE9moin\r\ncf. acte n\xB0 12");
  // The bold group is a run of its own.
  bool sawBold = false;
  for (const auto& run : doc.Runs()) sawBold |= run.text == "Saint-\xC9tienne" && run.style == TRtfDocument::kBold;
  EXPECT_TRUE(sawBold);
}

TEST(RtfReader, EscapesAndFallbacks) {
  struct Case {
    const char* rtf;
    const char* text;
  };
  const Case cases[] = {
      {"{\\rtf1 a\\{b\\}c\\\\d}", "a{b}c\\d"},
      {"{\\rtf1\\uc2 x\\u8364\\'80\\'80y}", "x\x80y"},          // two fallback characters
      {"{\\rtf1\\uc0 x\\u-3913 y}", "x?y"},                    // negative: U+F0B7, no Windows-1252 form
      {"{\\rtf1 {\\uc1 a\\u20013 ?b}c}", "a?bc"},
      {"{\\rtf1 \\u55357?\\u56832?done}", "?done"},            // a surrogate pair is one character
      {"{\\rtf1 {\\*\\unknown hidden}shown}", "shown"},
      {"{\\rtf1 x\\bin3 {}}y}", "xy"},
      {"{\\rtf1 one\\par\\par two\\par}", "one\r\n\r\ntwo"},
      {"{\\rtf1 \\emdash\\lquote q\\rquote}", "\x97\x91q\x92"},
      {"{\\rtf1 after}ignored", "after"},
  };
  for (const auto& c : cases) {
    TRtfDocument doc;
    doc.LoadFromStream(c.rtf);
    EXPECT_EQ(doc.GetAllText(), c.text) << c.rtf;
  }
}

TEST(RtfReader, MalformedInputGivesTheTextReadSoFar) {
  struct Case {
    const char* rtf;
    const char* text;
  };
  const Case cases[] = {
      {"{\\rtf1 unclosed {group", "unclosed group"},
      {"{\\rtf1 cut \\'e", "cut "},
      {"{\\rtf1 cut \\'zzrest}", "cut rest"},
      {"{\\rtf1 lone\\", "lone"},
      {"{\\rtf1 big\\u99999999999999999999 x}", "big?"},
      {"{\\rtf1 x\\bin999999999", "x"},
      {"{\\rtf1 }}}} x", ""},
      {"{\\rtf1 {{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{deep", "deep"},
  };
  for (const auto& c : cases) {
    TRtfDocument doc;
    doc.LoadFromStream(c.rtf);
    EXPECT_EQ(doc.GetAllText(), c.text) << c.rtf;
  }
  std::string deep = "{\\rtf1 " + std::string(200000, '{') + "x";
  TRtfDocument doc;
  doc.LoadFromStream(deep);
  EXPECT_EQ(doc.GetAllText(), "x");
}

TEST(RtfWriter, RoundTripKeepsTextAndStyles) {
  TRtfDocument doc;
  doc.LoadFromStream(kWordProcessorNote);
  std::string saved = doc.SaveRtf();
  TRtfDocument back;
  back.LoadFromStream(saved);
  EXPECT_EQ(back.GetAllText(), doc.GetAllText());
  ASSERT_EQ(back.Runs().size(), doc.Runs().size());
  for (std::size_t i = 0; i < doc.Runs().size(); ++i) EXPECT_EQ(back.Runs()[i].style, doc.Runs()[i].style);
  EXPECT_EQ(saved.find('\xE9'), std::string::npos) << "8-bit letters are escaped";
}

TEST(RichText, ConversionsOfNotes) {
  EXPECT_EQ(ConvertRtfText(kWordProcessorNote, ConvertRtfActionTo::Text).substr(0, 7), "Baptis\xE9");
  EXPECT_EQ(ConvertRtfText(" {\\rtf1 x}", ConvertRtfActionTo::Text), " {\\rtf1 x}") << "not RTF: unchanged";
  EXPECT_EQ(ConvertRtfText("{\\rtf1 a\\par b}", ConvertRtfActionTo::Text, true), "a\\par b");

  AnsiString rtf = ConvertRtfText("ligne 1\r\nligne {2}", ConvertRtfActionTo::Rtf);
  EXPECT_TRUE(IsRtfText(rtf));
  EXPECT_EQ(ConvertRtfText(rtf, ConvertRtfActionTo::Text), "ligne 1\r\nligne {2}");
  EXPECT_EQ(ConvertRtfText(rtf, ConvertRtfActionTo::Rtf), rtf);

  EXPECT_EQ(ConvertRtfTextForRtf("a\\b{c}\r\nd\r\n", true), "a\\\\b\\{c\\}\\par \r\nd\r\n");
  EXPECT_EQ(ConvertRtfTextForRtf("a\r\nb", false), "a\r\nb");

  EXPECT_TRUE(IsRtfEqual(kWordProcessorNote, ConvertRtfText(kWordProcessorNote, ConvertRtfActionTo::Text)));
  EXPECT_FALSE(IsRtfEqual(kWordProcessorNote, "Baptis\xE9"));
}

TEST(RichText, ConcatRtf) {
  EXPECT_EQ(ConcatRtf("first", "second"), "first\nsecond");
  EXPECT_EQ(ConcatRtf("", kWordProcessorNote), kWordProcessorNote);
  EXPECT_EQ(ConcatRtf("", "second"), "second");

  AnsiString joined = ConcatRtf(kWordProcessorNote, "ajout\r\nfin");
  ASSERT_TRUE(IsRtfText(joined));
  EXPECT_EQ(ConvertRtfText(joined, ConvertRtfActionTo::Text),
            ConvertRtfText(kWordProcessorNote, ConvertRtfActionTo::Text) + "\r\najout\r\nfin");
  AnsiString both = ConcatRtf("avant", "{\\rtf1 {\\b gras}}");
  EXPECT_EQ(ConvertRtfText(both, ConvertRtfActionTo::Text), "avant\r\ngras");
}

TEST(RichText, ConvertBR) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"  plain text  ", "plain text"},
      {"a\r\nb\r\nc", "a<br>\nb<br>\nc"},
      {"a\r", "a<br>"},
      {"", ""},
  };
  for (const auto& c : cases) {
    AnsiString text = c.text;
    convertBR(text);
    EXPECT_EQ(text, c.expected) << c.text;
  }
}

// A host renderer that fails: the note stays as it was.
class FailingRenderer : public TRtfDocument {
 public:
  void LoadFromStream(std::string_view) override { throw std::runtime_error("renderer down"); }
};

TEST(RichText, FailingRendererLeavesTheNote) {
  FailingRenderer failing;
  SetRtfRendererForConvert(&failing);
  EXPECT_EQ(ConvertRtfText("{\\rtf1 x}", ConvertRtfActionTo::Text), "{\\rtf1 x}");
  SetRtfRendererForConvert(nullptr);
  EXPECT_EQ(ConvertRtfText("{\\rtf1 x}", ConvertRtfActionTo::Text), "x");
}

}  // namespace
}  // namespace genvora
