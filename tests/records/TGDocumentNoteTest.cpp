#include <gtest/gtest.h>

#include <zlib.h>

#include "containers/LXArray.h"
#include "containers/TListeAssociation.h"
#include "platform/Resources.h"
#include "records/RecordTestSupport.h"
#include "records/TGDocument.h"
#include "records/TVGNote.h"
#include "utilities/RichText.h"

namespace genvora {
namespace {

// ---------------------------------------------------------------- documents

TGDocument FullDocument() {
  TGDocument d;
  d.SetCodeID(300);
  d.SetDateLT(0, 40000);
  d.SetDateLT(1, 40001);
  d.SetTypeSource(tsListeNominative);
  d.SetText(TGDocument::kSource, "Archives d\xE9partementales");
  d.SetText(TGDocument::kDocument, "Recensement 1846");
  d.SetText(TGDocument::kCote, "6M 123");
  d.SetText(TGDocument::kArchive, "AD 45");
  d.SetNatureActe(2);
  d.SetText(TGDocument::kTexte4, "vue 12");
  d.SetText(TGDocument::kNumero, "n\xB0 7");
  d.SetPrive(true);
  d.SetExportable(true);
  d.SetCertitude(3);
  d.SetURL("https://archives.example/6M123");
  d.SetEMail("archives@example.org");
  d.SetAuteur("Pr\xE9" "fecture");
  d.GetDate()->SetYear(1846, false);
  return d;
}

void ExpectSameDocument(const TGDocument& a, const TGDocument& b) {
  EXPECT_EQ(a.GetCodeID(), b.GetCodeID());
  EXPECT_EQ(a.GetDateLT(0), b.GetDateLT(0));
  EXPECT_EQ(a.GetTypeSource(), b.GetTypeSource());
  for (int t = 0; t <= 5; ++t) EXPECT_EQ(a.GetText(t), b.GetText(t)) << t;
  EXPECT_EQ(a.GetNatureActe(), b.GetNatureActe());
  EXPECT_EQ(a.Prive(), b.Prive());
  EXPECT_EQ(a.GetExportable(), b.GetExportable());
  EXPECT_EQ(a.GetCertitude(), b.GetCertitude());
  EXPECT_EQ(a.GetURL(), b.GetURL());
  EXPECT_EQ(a.GetEMail(), b.GetEMail());
  EXPECT_EQ(a.GetAuteur(), b.GetAuteur());
  EXPECT_EQ(0, std::memcmp(&a.GetDateBlock(), &b.GetDateBlock(), TGDate::kBlockSize));
}

TEST(TGDocumentTest, RoundTripThroughTheStore) {
  LXArray store("TBDocument", true);
  TGDocument d = FullDocument();
  d.SetStampOnWrite(false);
  ASSERT_NE(d.EcritDans(300, &store), 0);
  EXPECT_EQ(store.FetchData(300, nullptr, 0), d.GetDataSize());
  TGDocument back;
  ASSERT_TRUE(back.LitDans(300, &store));
  ExpectSameDocument(d, back);
  EXPECT_TRUE(back.GetGriot()) << "the privacy byte answers Griot";
  EXPECT_FALSE(back.Publiable());
  EXPECT_EQ(TGDocument().GetDataSize(), 64u);
}

// A document of the oldest layout, ending after Exportable.
std::string OldestDocumentBytes() {
  std::string b;
  ByteWriter w(b);
  w.U32(301);             // 0: CodeID
  w.U32(30000);           // 4: DateCreation
  w.U32(30000);           // 8: DateModification
  w.U8(tsActe);           // 12: TypeSource
  w.CString("Mairie");    // 13: Source
  w.CString("Acte");      // Document
  w.CString("");          // Cote
  w.CString("");          // Archive
  w.U32(3);               // NatureActe (original)
  w.CString("");          // field 4
  w.CString("12");        // Numero
  w.U8(0);                // privacy
  w.U8(1);                // Exportable  <- end of the base fields
  return b;
}

TEST(TGDocumentTest, OlderLayoutsGiveDefaults) {
  const std::string oldest = OldestDocumentBytes();
  std::string g2 = oldest;
  ByteWriter(g2).I32(2);   // group 2: Certitude
  std::string g3 = g2;
  ByteWriter(g3).CString("http://x");  // group 3: URL
  for (const std::string* bytes : std::initializer_list<const std::string*>{&oldest, &g2, &g3}) {
    TGDocument d = FullDocument();
    ASSERT_TRUE(DecodesInto(*bytes, d)) << bytes->size();
    EXPECT_EQ(d.GetText(TGDocument::kSource), "Mairie");
    EXPECT_EQ(d.GetCertitude(), bytes == &oldest ? 0 : 2);
    EXPECT_EQ(d.GetURL(), bytes == &g3 ? "http://x" : "");
    EXPECT_EQ(d.GetEMail(), "");
    EXPECT_EQ(d.GetAuteur(), "");
    EXPECT_TRUE(d.GetDate()->EstVide());
    EXPECT_EQ(d.GetDate()->GetYear(false), 0);
  }
  const std::string full = FullDocument().EncodeToString();
  const std::size_t afterG3 = full.size() - 32 - std::string("archives@example.org").size() - 1 - 11;
  const std::size_t afterG2 = afterG3 - std::string("https://archives.example/6M123").size() - 1;
  ExpectDecodesOnlyAt<TGDocument>(full, {afterG2 - 4, afterG2, afterG3, full.size()});
}

TEST(TGDocumentTest, TextsOfNatureTypeAndCertainty) {
  ScopedResourceLanguage fr(Language::French);
  TGDocument d;
  d.SetNatureActe(4);
  EXPECT_EQ(d.GetNatureActeText(), "Copie");
  d.SetNatureActe(77);
  EXPECT_EQ(d.GetNatureActeText(), "Autre");
  d.SetTypeSource(tsCorrespondance);
  EXPECT_EQ(d.TypeActeText(), "Correspondance");
  d.SetTypeActeText("Liste nominative");
  EXPECT_EQ(d.GetTypeSource(), tsListeNominative);
  d.SetTypeActeText("inconnu");
  EXPECT_EQ(d.GetTypeSource(), tsListeNominative);
  EXPECT_EQ(d.TypeActeTextGedcom(), "Nominal list");
  d.SetTypeActeTextGedcom("Publication");
  EXPECT_EQ(d.GetTypeSource(), tsParution);
  d.SetCertitude(2);
  EXPECT_EQ(d.CertitudeText(), "Source plut\xF4t s\xFBre");
  d.SetCertitude(4);
  EXPECT_EQ(d.CertitudeText(), "");
  d.SetText(TGDocument::kCote, "  3E 12  ");
  EXPECT_EQ(d.GetText(TGDocument::kCote), "3E 12");
}

TEST(TGDocumentTest, OldNaturesConvert) {
  const int table[][3] = {{1, 3, 11},  {2, 4, 11},  {3, 4, 11},  {4, 4, 0},   {5, 0, 0},  {6, 2, 0},
                          {7, 7, 0},   {8, 4, 0},   {9, 3, 9},   {10, 10, 0}, {11, 0, 2}, {12, 0, 9},
                          {13, 3, 10}, {14, 3, 10}, {15, 3, 10}, {16, 3, 3},  {17, 3, 10}, {18, 3, 7},
                          {19, 0, 9},  {20, 20, 11}, {21, 1, 11}, {0, 5, 11}, {22, 5, 11}, {1000, 5, 11}};
  for (const auto& row : table) {
    TGDocument d;
    d.SetTypeSource(tsMedia);
    d.SetNatureActe(static_cast<std::uint32_t>(row[0]));
    d.ConvertOldNatureEnumValue();
    EXPECT_EQ(d.GetNatureActe(), static_cast<std::uint32_t>(row[1])) << row[0];
    EXPECT_EQ(d.GetTypeSource(), row[2]) << row[0];
  }
}

TEST(TGDocumentTest, MergeTakesOnlyTheListedEmptyFields) {
  TListeAssociation codes(4);
  codes.Add(300, 1300);
  {
    TGDocument d;
    TGDocument o = FullDocument();
    d.Fusionne(&o, &codes);
    EXPECT_EQ(d.GetCodeID(), 1300u);
    for (int t : {TGDocument::kSource, TGDocument::kDocument, TGDocument::kCote, TGDocument::kArchive}) {
      EXPECT_EQ(d.GetText(t), o.GetText(t)) << t;
    }
    EXPECT_EQ(d.GetURL(), o.GetURL());
    EXPECT_EQ(d.GetEMail(), o.GetEMail());
    EXPECT_EQ(d.GetAuteur(), o.GetAuteur());
    EXPECT_EQ(d.GetDate()->GetYear(false), 1846);
    // Not merged: type, nature, certainty, number, privacy.
    EXPECT_EQ(d.GetTypeSource(), tsActe);
    EXPECT_EQ(d.GetNatureActe(), 0u);
    EXPECT_EQ(d.GetCertitude(), 0);
    EXPECT_EQ(d.GetText(TGDocument::kNumero), "");
    EXPECT_FALSE(d.Prive());
  }
  {
    TGDocument d;
    d.SetCodeID(1);
    d.SetText(TGDocument::kSource, "mine");
    d.SetURL("mine");
    TGDocument o = FullDocument();
    d.Fusionne(&o, &codes);
    EXPECT_EQ(d.GetCodeID(), 1u);
    EXPECT_EQ(d.GetText(TGDocument::kSource), "mine");
    EXPECT_EQ(d.GetURL(), "mine");
    EXPECT_EQ(d.GetAuteur(), o.GetAuteur());
  }
}

// -------------------------------------------------------------------- notes

const AnsiString kRtf = "{\\rtf1\\ansi Une note en \\b gras\\b0  \xE9t\xE9.\\par}";

TEST(TVGNoteTest, RichTextIsAZlibStreamAtLevelOne) {
  TVGNote n;
  n.NewNote(70, kRtf, true);
  ASSERT_FALSE(n.GetCompressed().empty());
  const auto* z = reinterpret_cast<const unsigned char*>(n.GetCompressed().data());
  EXPECT_EQ(z[0], 0x78) << "a zlib header";
  EXPECT_EQ(z[1], 0x01) << "fastest level";
  EXPECT_EQ(n.GetNoteRTF(), kRtf);
  EXPECT_EQ(n.GetNote(), kRtf);
  EXPECT_EQ(n.GetNoteTxt(), ConvertRtfText(kRtf, ConvertRtfActionTo::Text));
  EXPECT_TRUE(n.IsPrivee());
  EXPECT_EQ(n.GetDataSize(), 25 + n.GetNoteTxt().size() + n.GetCompressed().size());
}

TEST(TVGNoteTest, SetNoteRtfKeepsThePlainTextUntilRefreshed) {
  TVGNote n;
  n.SetNoteRTF("texte simple");
  EXPECT_TRUE(n.GetCompressed().empty());
  EXPECT_EQ(n.GetNoteTxt(), "texte simple");
  EXPECT_EQ(n.GetNoteRTF(), "texte simple");
  n.SetNoteRTF(kRtf);
  EXPECT_FALSE(n.GetCompressed().empty());
  EXPECT_EQ(n.GetNoteTxt(), "texte simple");
  n.AppendNote("suite");
  EXPECT_NE(n.GetNoteTxt().find("suite"), AnsiString::npos);
  EXPECT_NE(n.GetNoteTxt().find("gras"), AnsiString::npos);
}

TEST(TVGNoteTest, RoundTripAndOlderLayouts) {
  LXArray store("TBNote", true);
  TVGNote n;
  n.NewNote(70, kRtf, false);
  n.SetStoredText("ancien");
  n.SetGriot(true);
  n.SetStampOnWrite(false);
  n.SetDateLT(0, 40000);
  ASSERT_NE(n.EcritDans(70, &store), 0);
  TVGNote back;
  ASSERT_TRUE(back.LitDans(70, &store));
  EXPECT_EQ(back.GetNoteRTF(), kRtf);
  EXPECT_EQ(back.GetNoteTxt(), n.GetNoteTxt());
  EXPECT_EQ(back.GetStoredText(), "ancien");
  EXPECT_TRUE(back.GetGriot());

  // The oldest layout: the stored text only, here RTF made plain on load.
  std::string oldest;
  ByteWriter w(oldest);
  w.U32(71);       // 0: CodeID
  w.U32(30000);    // 4: DateCreation
  w.U32(30000);    // 8: DateModification
  w.U8(1);         // 12: private
  w.U8(0);         // 13: Exportable
  w.U8(0);         // 14: Griot
  w.CString(kRtf); // 15: stored text  <- end of the base fields
  TVGNote old;
  ASSERT_TRUE(DecodesInto(oldest, old));
  EXPECT_EQ(old.GetNoteTxt(), ConvertRtfText(kRtf, ConvertRtfActionTo::Text));
  EXPECT_TRUE(old.GetCompressed().empty());
  EXPECT_EQ(old.GetNoteRTF(), old.GetNoteTxt());
  std::string withPlain = oldest;
  ByteWriter(withPlain).CString("plain \xE9");  // group 2: plain text
  ASSERT_TRUE(DecodesInto(withPlain, old));
  EXPECT_EQ(old.GetNoteTxt(), "plain \xE9");
}

TEST(TVGNoteTest, DamagedOrOversizedStreamsAreRefused) {
  TVGNote n;
  n.NewNote(70, kRtf, false);
  const std::string good = n.EncodeToString();
  const std::size_t sizeAt = good.size() - n.GetCompressed().size() - 8;
  ExpectDecodesOnlyAt<TVGNote>(good, {sizeAt - n.GetNoteTxt().size() - 1, sizeAt, good.size()});

  auto withSize = [&](std::int64_t size) {
    std::string b = good;
    std::memcpy(b.data() + sizeAt, &size, 8);
    return b;
  };
  auto corruptByte = [&](std::size_t fromEnd) {
    std::string b = good;
    b[b.size() - fromEnd] = static_cast<char>(b[b.size() - fromEnd] ^ 0x55);
    return b;
  };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"negative size", withSize(-1)},
      {"size beyond the entry", withSize(static_cast<std::int64_t>(n.GetCompressed().size()) + 1)},
      {"huge size", withSize(INT64_MAX)},
      {"checksum damaged", corruptByte(1)},
      {"stream cut but size consistent", [&] {
         std::string b = good.substr(0, good.size() - 3);
         const std::int64_t size = static_cast<std::int64_t>(n.GetCompressed().size()) - 3;
         std::memcpy(b.data() + sizeAt, &size, 8);
         return b;
       }()},
  };
  for (const auto& c : cases) {
    TVGNote back;
    back.SetCodeID(5);
    EXPECT_FALSE(DecodesInto(c.bytes, back)) << c.what;
    EXPECT_EQ(back.GetCodeID(), 5u) << c.what;
  }
}

TEST(TVGNoteTest, InflateIsBoundedByTheCompressedSize) {
  // 4 MiB of one byte compresses to a few kilobytes, well within the ratio.
  const std::string big(4u << 20, 'a');
  std::string out;
  ASSERT_TRUE(TVGNote::Inflate(TVGNote::Deflate(big), out));
  EXPECT_EQ(out, big);
  // A stream followed by garbage, or an empty one, does not inflate.
  EXPECT_FALSE(TVGNote::Inflate(TVGNote::Deflate("abc") + "x", out));
  EXPECT_FALSE(TVGNote::Inflate("", out));
  EXPECT_FALSE(TVGNote::Inflate("not a stream", out));
}

TEST(TVGNoteTest, SetValuesAndMerge) {
  TVGNote n;
  n.SetValues(9, 100, 101, "plain", true, true, false, "plain");
  EXPECT_EQ(n.GetStoredText(), "plain");
  EXPECT_EQ(n.GetCodeID(), 9u);
  TVGNote r;
  r.SetValues(10, 100, 101, kRtf, false, false, false, "txt");
  EXPECT_EQ(r.GetStoredText(), "") << "a compressed note keeps no stored text";
  TVGNote empty;
  TListeAssociation codes(2);
  codes.Add(10, 20);
  empty.Fusionne(&r, &codes);
  EXPECT_EQ(empty.GetCodeID(), 20u);
  EXPECT_EQ(empty.GetNoteRTF(), kRtf);
  n.Fusionne(&r, &codes);
  EXPECT_EQ(n.GetNoteRTF(), "plain") << "a note with text keeps it";
}

}  // namespace
}  // namespace genvora
