#include <gtest/gtest.h>

#include "platform/ByteCursor.h"
#include "platform/Host.h"
#include "platform/Preferences.h"
#include "platform/TV5SplitterParticule.h"
#include "records/RecordTestSupport.h"
#include "records/TGLieu.h"
#include "records/TGNom.h"

namespace genvora {
namespace {

TGLieu FullPlace() {
  TGLieu p;
  p.SetCodeID(300);
  p.SetDateLT(0, 40000);
  p.SetDateLT(1, 40001);
  p.SetRattachement(299);
  p.SetText(TGLieu::kVille, "Saint-\xC9tienne");
  p.SetText(TGLieu::kCode, "42218");
  p.SetText(TGLieu::kDepartement, "Loire");
  p.SetText(TGLieu::kRegion, "Auvergne-Rh\xF4ne-Alpes");
  p.SetText(TGLieu::kPays, "France");
  p.SetXRef(17);
  p.SetGriot(true);
  p.SetExportable(true);
  p.SetTexteSupplementaire("suppl");
  p.SetOctetSupplementaire(9);
  p.SetLatitude(45.4397);
  p.SetLongitude(4.3872);
  p.SetIsoCountry("FR");
  p.SetInternalCodeLieu(-5);
  return p;
}

TEST(TGLieuTest, EncodeDecodeRoundTripKeepsEveryField) {
  const TGLieu p = FullPlace();
  const std::string bytes = p.EncodeToString();
  EXPECT_EQ(bytes.size(), 50u + 13 + 5 + 5 + 20 + 6 + 5 + 2);
  TGLieu back;
  ASSERT_TRUE(DecodesInto(bytes, back));
  for (int field = 0; field <= 4; ++field) EXPECT_EQ(back.GetStored(field), p.GetStored(field)) << field;
  EXPECT_EQ(back.GetStored(TGLieu::kVille), "Saint-\xC9tienne");
  EXPECT_EQ(back.GetCodeID(), 300u);
  EXPECT_EQ(back.GetDateLT(1), 40001u);
  EXPECT_EQ(back.GetRattachement(), 299u);
  EXPECT_EQ(back.GetXRef(), 17u);
  EXPECT_TRUE(back.GetGriot());
  EXPECT_TRUE(back.GetExportable());
  EXPECT_EQ(back.GetTexteSupplementaire(), "suppl");
  EXPECT_EQ(back.GetOctetSupplementaire(), 9);
  EXPECT_EQ(back.GetLatitude(), 45.4397);
  EXPECT_EQ(back.GetLongitude(), 4.3872);
  EXPECT_EQ(back.GetIsoCountry(), "FR");
  EXPECT_EQ(back.GetInternalCodeLieu(), -5);
  // Group boundaries: after Exportable, after group 2 (6 + 1 bytes), end.
  const std::size_t base = bytes.size() - 7 - 23;
  ExpectDecodesOnlyAt<TGLieu>(bytes, {base, base + 7, bytes.size()});
}

TEST(TGLieuTest, PlaceEndingAfterExportableHasNoCoordinates) {
  std::string b;
  ByteWriter w(b);
  w.U32(8);            // 0: CodeID
  w.U32(0);            // 4: DateCreation
  w.U32(0);            // 8: DateModification
  w.U32(0);            // 12: Rattachement
  w.CString("Lyon");   // 16: Ville
  w.CString("69");     // 21: CodeLieu
  w.CString("");       // 24: Departement
  w.CString("");       // 25: Region
  w.CString("France"); // 26: Pays
  w.U32(0);            // 33: xRef
  w.U8(0);             // 37: Griot
  w.U8(1);             // 38: Exportable, end of the base fields (39 bytes)
  TGLieu p = FullPlace();
  ASSERT_TRUE(DecodesInto(b, p));
  EXPECT_EQ(p.GetStored(TGLieu::kVille), "Lyon");
  EXPECT_EQ(p.GetLatitude(), 0.0);
  EXPECT_EQ(p.GetLongitude(), 0.0);
  EXPECT_EQ(p.GetIsoCountry(), "");
  EXPECT_EQ(p.GetInternalCodeLieu(), 0);
  EXPECT_EQ(p.GetTexteSupplementaire(), "");
  EXPECT_EQ(p.EncodeToString().size(), b.size() + 23);
}

TEST(TGLieuTest, StoringTrimsAndReplacesCommas) {
  TGLieu p;
  p.SetText(TGLieu::kVille, "   ");
  EXPECT_EQ(p.GetStored(TGLieu::kVille), "?");
  p.SetText(TGLieu::kDepartement, " Seine, Oise ");
  EXPECT_EQ(p.GetStored(TGLieu::kDepartement), "Seine- Oise");
}

TEST(TGLieuTest, DisplayFollowsCasePreferencesUnlessGriot) {
  TGLieu p;
  p.SetText(TGLieu::kVille, "saint-\xE9tienne");
  p.SetText(TGLieu::kPays, "france");
  EXPECT_EQ(p.GetVille(), "saint-\xE9tienne") << "without preferences the stored text shows";
  ScopedPrefs prefs;
  prefs->CasseLieu[TGLieu::kVille] = 0;
  prefs->CasseLieu[TGLieu::kPays] = 1;
  EXPECT_EQ(p.GetVille(), "SAINT-\xC9TIENNE");
  EXPECT_EQ(p.GetPays(), "France");
  p.SetGriot(true);
  EXPECT_EQ(p.GetVille(), "saint-\xE9tienne");
}

TEST(TGLieuTest, DisplayLineAndEntryStyles) {
  TGLieu p;
  p.SetText(TGLieu::kVille, "Lyon");
  p.SetText(TGLieu::kCode, "69123");
  p.SetText(TGLieu::kDepartement, "Rh\xF4ne");
  p.SetText(TGLieu::kRegion, "ARA");
  p.SetText(TGLieu::kPays, "France");
  p.SetGriot(true);
  EXPECT_EQ(p.GetTextSaisie(), "") << "no preferences, no entry text";
  EXPECT_EQ(p.GetText(), "Lyon 69123 - Rh\xF4ne - ARA - France");
  EXPECT_EQ(p.GetTextGedcom(), "Lyon,69123,Rh\xF4ne,ARA,France");
  ScopedPrefs prefs;
  const struct {
    int style;
    const char* expected;
  } cases[] = {{0, "Lyon"}, {1, "Lyon (69)"}, {2, "Lyon (69123)"}, {3, "Lyon (69123) - Rh\xF4ne - ARA - France"}};
  for (const auto& c : cases) {
    prefs->StyleSaisieLieu = c.style;
    EXPECT_EQ(p.GetTextSaisie(), c.expected) << c.style;
  }
  p.SetOptions(0x80 | (0x10u << 16));  // code first, department in parentheses
  EXPECT_EQ(p.GetText(), "69123 Lyon (Rh\xF4ne) - ARA - France");
}

TEST(TGLieuTest, CoordinateTexts) {
  TGLieu p;
  EXPECT_EQ(p.GetCoordStr(TGLieu::kLatitude), "");
  EXPECT_EQ(p.GetCoordStr(TGLieu::kLongitude), "");
  p.SetCoordStr(TGLieu::kLongitude, "2.35");
  EXPECT_EQ(p.GetCoordStr(TGLieu::kLatitude), "0.000000");
  EXPECT_EQ(p.GetCoordStr(TGLieu::kLongitude), "2.350000");
  p.SetCoordStr(TGLieu::kLatitude, "48,85");
  EXPECT_EQ(p.GetLatitude(), 48.85);
  for (const char* bad : {"nord", "48.85x", "1e999", "nan", "."}) {
    p.SetCoordStr(TGLieu::kLatitude, bad);
    EXPECT_EQ(p.GetLatitude(), 48.85) << bad;
  }
  p.SetCoordStr(TGLieu::kLatitude, "");
  EXPECT_EQ(p.GetLatitude(), 0.0);
}

TEST(TGLieuTest, IdentityIgnoresCaseButNotGriot) {
  TGLieu a;
  TGLieu b;
  a.SetText(TGLieu::kVille, "Nantes");
  b.SetText(TGLieu::kVille, "NANTES");
  EXPECT_FALSE(a.InternalCompare(&b));
  EXPECT_EQ(a.villeCompare(b), 0);
  b.SetGriot(true);
  EXPECT_TRUE(a.InternalCompare(&b));
}

TEST(TGLieuTest, MergeFillsOnlyEmptyFields) {
  TGLieu other = FullPlace();
  other.SetRattachement(50);  // attached elsewhere
  other.SetOptions(0x04);
  // Without association table every code translates to 0.
  const struct {
    const char* name;
    bool fillHere;
  } cases[] = {{"empty place takes everything", false}, {"filled place keeps its own", true}};
  for (const auto& c : cases) {
    TGLieu p;
    if (c.fillHere) {
      p.SetText(TGLieu::kVille, "Roanne");
      p.SetText(TGLieu::kCode, "42187");
      p.SetText(TGLieu::kPays, "FR");
      p.SetText(TGLieu::kRegion, "R");
      p.SetText(TGLieu::kDepartement, "D");
    }
    p.Fusionne(&other, nullptr);
    EXPECT_EQ(p.GetStored(TGLieu::kVille), c.fillHere ? "Roanne" : "Saint-\xC9tienne") << c.name;
    EXPECT_EQ(p.GetStored(TGLieu::kCode), c.fillHere ? "42187" : "42218") << c.name;
    EXPECT_EQ(p.GetStored(TGLieu::kPays), c.fillHere ? "FR" : "France") << c.name;
    EXPECT_EQ(p.GetStored(TGLieu::kRegion), c.fillHere ? "R" : "Auvergne-Rh\xF4ne-Alpes") << c.name;
    EXPECT_EQ(p.GetLatitude(), 0.0) << "coordinates are not merged";
    EXPECT_EQ(p.GetOptions(), 0x04u);
  }
  TGLieu noTown;
  TGLieu empty;
  noTown.Fusionne(&empty, nullptr);
  EXPECT_EQ(noTown.GetStored(TGLieu::kVille), "") << "nothing to take leaves the town empty";
}

TEST(TV5SplitterParticuleTest, SplitsTheLongestLeadingParticle) {
  TV5SplitterParticule s;
  const struct {
    const char* text;
    const char* particule;
    const char* patronyme;
  } cases[] = {
      {"de Gaulle", "de", "Gaulle"},
      {"  De La Fontaine ", "De La", "Fontaine"},
      {"d'Artagnan", "d'", "Artagnan"},
      {"D\x92" "Alembert", "D\x92", "Alembert"},
      {"van der Berg", "van der", "Berg"},
      {"Van Gogh", "Van", "Gogh"},
      {"von der Leyen", "von der", "Leyen"},
      {"della Robbia", "della", "Robbia"},
      {"Delacroix", "", "Delacroix"},
      {"De", "", "De"},
      {"de  ", "", "de"},
      {"Dupont", "", "Dupont"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    s.SetString(c.text);
    EXPECT_EQ(s.GetParticule(), c.particule) << c.text;
    EXPECT_EQ(s.GetPatronyme(), c.patronyme) << c.text;
  }
}

TEST(TGNomTest, RoundTripOldLayoutAndCuts) {
  TGNom n;
  n.SetCodeID(70);
  n.SetDateLT(0, 3);
  n.SetRattachement(71);
  n.SetNom("  d'\xC9pinay  ");
  n.SetGriot(true);
  n.SetExportable(true);
  n.SetTexteSupplementaire("x");
  n.SetOctetSupplementaire(4);
  const std::string bytes = n.EncodeToString();
  EXPECT_EQ(bytes.size(), 21u + 8 + 1);
  TGNom back;
  ASSERT_TRUE(DecodesInto(bytes, back));
  EXPECT_EQ(back.GetStoredNom(), "d'\xC9pinay");
  EXPECT_EQ(back.GetRattachement(), 71u);
  EXPECT_EQ(back.GetOctetSupplementaire(), 4);
  EXPECT_EQ(back.GetTexteSupplementaire(), "x");
  ExpectDecodesOnlyAt<TGNom>(bytes, {bytes.size() - 3, bytes.size()});

  std::string old;
  ByteWriter w(old);
  w.U32(5);              // 0: CodeID
  w.U32(0);              // 4: DateCreation
  w.U32(0);              // 8: DateModification
  w.U32(0);              // 12: Rattachement
  w.CString("Martin");   // 16: Nom
  w.U8(0);               // 23: Griot
  w.U8(0);               // 24: Exportable, end of the base fields; no group 2
  TGNom oldNom = back;
  ASSERT_TRUE(DecodesInto(old, oldNom));
  EXPECT_EQ(oldNom.GetStoredNom(), "Martin");
  EXPECT_EQ(oldNom.GetTexteSupplementaire(), "");
  EXPECT_EQ(oldNom.GetOctetSupplementaire(), 0);
}

TEST(TGNomTest, DisplayWithSplitterAndPreferences) {
  TV5SplitterParticule splitter;
  TGNom n(&splitter);
  n.SetNom("de la fontaine");
  EXPECT_EQ(n.GetNom(), "fontaine");
  EXPECT_EQ(n.GetParticule(), "de la");
  ScopedPrefs prefs;
  prefs->CasseNom = 0;
  EXPECT_EQ(n.GetNom(), "FONTAINE");
  EXPECT_EQ(n.GetText(), "de la FONTAINE");
  n.SetTextOptions(0x08);
  EXPECT_EQ(n.GetText(), "FONTAINE (de la)");
  n.SetCodeID(12);
  n.SetRattachement(3);
  n.SetTextOptions(0x80 | 0x10 | (0x01 << 8));
  EXPECT_EQ(n.GetText(), "[12] FONTAINE*");
  n.SetGriot(true);
  EXPECT_EQ(n.GetNom(), "fontaine");

  TGNom plain;
  plain.SetNom("de la fontaine");
  EXPECT_EQ(plain.GetParticule(), "");
}

TEST(TGNomTest, OwnerDecidesTheSplitter) {
  RecordingHost host;
  TV5SplitterParticule databaseSplitter;
  EXPECT_EQ(TGNom("TGDatabase", &databaseSplitter).GetInterprete(), &databaseSplitter);
  TGNom gedcom("TGedcom", &databaseSplitter);
  EXPECT_NE(gedcom.GetInterprete(), nullptr);
  EXPECT_NE(gedcom.GetInterprete(), &databaseSplitter);
  EXPECT_EQ(TGNom("", &databaseSplitter).GetInterprete(), nullptr);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(TGNom("TFormAutre", &databaseSplitter).GetInterprete(), nullptr);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "TGNom::TGNom\nLe propri\xE9taire d\xE9sign\xE9 n'est pas du type TGDatabase");
}

TEST(TGNomTest, OrderIgnoresCaseThenUsesCodeOrParticle) {
  TV5SplitterParticule splitter;
  TGNom a(&splitter);
  TGNom b(&splitter);
  a.SetNom("du Bois");
  b.SetNom("de BOIS");
  a.SetCodeID(9);
  b.SetCodeID(4);
  EXPECT_GT(a.Compare(&b), 0);
  EXPECT_GT(a.InternalCompare(&b), 0) << "\"du\" sorts after \"de\"";
  b.SetNom("Dubois");
  EXPECT_LT(a.Compare(&b), 0);
}

TEST(TGNomTest, MergeKeepsTheParticleAndTakesTheAttachment) {
  TV5SplitterParticule splitter;
  TGNom other(&splitter);
  other.SetNom("de Gaulle");
  other.SetRattachement(44);
  TGNom empty;
  empty.Fusionne(&other, nullptr);
  EXPECT_EQ(empty.GetStoredNom(), "de Gaulle");
  EXPECT_EQ(empty.GetParticule(), "de") << "the record got a splitter of its own";
  EXPECT_EQ(empty.GetRattachement(), 0u) << "an untranslated attachment becomes 0";
  TGNom kept;
  kept.SetNom("Martin");
  kept.Fusionne(&other, nullptr);
  EXPECT_EQ(kept.GetStoredNom(), "Martin");
}

}  // namespace
}  // namespace genvora
