#include <gtest/gtest.h>

#include "containers/LXArray.h"
#include "containers/TListeAssociation.h"
#include "platform/ByteCursor.h"
#include "platform/Preferences.h"
#include "platform/Resources.h"
#include "records/RecordTestSupport.h"
#include "records/TGIndividu.h"

namespace genvora {
namespace {

TGIndividu FullIndividu() {
  TGIndividu i;
  i.SetCodeID(1000);
  i.SetDateLT(0, 36000);
  i.SetDateLT(1, 36001);
  i.SetCodePere(11);
  i.SetCodeMere(12);
  i.SetCodeNom(13);
  i.SetCodeAdresse(14);
  i.SetChar(5, "Jean \"Andr\xE9\" Fran\xE7ois");
  i.SetChar(6, "notaire");
  i.SetChar(7, "fils");
  i.SetChar(8, "Dédé");
  i.SetChar(9, "comte");
  i.SetChar(10, "m");
  i.SetChar(11, "{\\rtf1 note}");
  i.SetChar(12, "1.2.3");
  for (int u = 0; u <= 12; ++u) i.SetUserFieldValue(u, "u\xE9" + std::to_string(u));
  for (int s = 26; s <= 33; ++s) i.SetBool(s, true);
  i.SetSignature(slNON);
  i.SetFiliation(flADOPTE);
  i.SetSwitches(0x1234);
  i.SetGriot(true);
  i.SetExportable(true);
  i.SetComplet(true);
  i.SetHorsControle(true);
  i.SetNoteFlag(true);
  i.SetSecondaire(3);
  i.SetPrefixe("Me");
  i.SetSansAlliance(1);
  i.SetPreciseStamp(0, 36000.5);
  i.SetPreciseStamp(1, 36001.25);
  return i;
}

void ExpectSame(const TGIndividu& a, const TGIndividu& b) {
  EXPECT_EQ(a.EncodeToString(), b.EncodeToString());
  EXPECT_EQ(a.GetCodePere(), b.GetCodePere());
  for (int s = 5; s <= 25; ++s) EXPECT_EQ(a.GetChar(s), b.GetChar(s)) << s;
  for (int s = 26; s <= 33; ++s) EXPECT_EQ(a.GetBool(s), b.GetBool(s)) << s;
  EXPECT_EQ(a.GetSignature(), b.GetSignature());
  EXPECT_EQ(a.GetFiliation(), b.GetFiliation());
  EXPECT_EQ(a.GetSwitches(), b.GetSwitches());
  EXPECT_EQ(a.GetPrefixe(), b.GetPrefixe());
  EXPECT_EQ(a.GetSecondaire(), b.GetSecondaire());
  EXPECT_EQ(a.GetSansAlliance(), b.GetSansAlliance());
  EXPECT_EQ(a.GetComplet(), b.GetComplet());
  EXPECT_EQ(a.GetHorsControle(), b.GetHorsControle());
  EXPECT_EQ(a.GetNoteFlag(), b.GetNoteFlag());
  EXPECT_EQ(a.GetPreciseStamp(0), b.GetPreciseStamp(0));
  EXPECT_EQ(a.GetPreciseStamp(1), b.GetPreciseStamp(1));
}

TEST(TGIndividuTest, RoundTripThroughTheStore) {
  LXArray store("TBIndividu", true);
  TGIndividu i = FullIndividu();
  i.SetStampOnWrite(false);
  ASSERT_NE(i.EcritDans(1000, &store), 0);
  TGIndividu back;
  ASSERT_TRUE(back.LitDans(1000, &store));
  ExpectSame(i, back);
  EXPECT_EQ(back.GetChar(8), "Dédé");
  EXPECT_EQ(back.GetUserFieldValue(12), "u\xE9" "12");
  EXPECT_EQ(back.GetDateChaine(0), "24/7/1998 12:00:00");
  // 84 bytes plus the 21 texts other than the sex.
  std::uint32_t texts = 0;
  for (int s : {5, 6, 7, 8, 9, 11, 12}) texts += static_cast<std::uint32_t>(i.GetChar(s).size());
  for (int u = 0; u <= 12; ++u) texts += static_cast<std::uint32_t>(i.GetUserFieldValue(u).size());
  texts += static_cast<std::uint32_t>(i.GetPrefixe().size());
  EXPECT_EQ(i.GetDataSize(), 84u + texts);
}

// An individual written before any later group: it ends after Exportable.
std::string OldIndividuBytes() {
  std::string b;
  ByteWriter w(b);
  w.U32(21);            // 0: CodeID
  w.U32(30000);         // 4: DateCreation
  w.U32(30000);         // 8: DateModification
  w.U32(2);             // 12: CodePere
  w.U32(3);             // 16: CodeMere
  w.U32(4);             // 20: CodeNom
  w.U32(0);             // 24: CodeAdresse
  w.CString("Marie");   // 28: Prenoms
  w.CString("");        // 34: Professions
  w.CString("f");       // 35: Sexe
  w.CString("");        // 37: note
  w.CString("");        // 38: Numero
  for (int u = 0; u < 10; ++u) w.CString("");  // 39..48: user texts 1 to 10
  w.U8(1);              // 49: ChercheNaissance
  w.U8(0);              // 50: ChercheDeces
  w.U8(0);              // 51: Citation
  w.U8(0);              // 52: Descendance
  w.U8(slOUI);          // 53: Signature
  w.U8(flNATUREL);      // 54: Filiation
  w.U8(0);              // 55: Marque
  w.U16(0);             // 56: Switches
  w.U8(0);              // 58: Confidentiel
  w.CString("");        // 59: Suffixe
  w.CString("");        // 60: Alias
  w.CString("");        // 61: Titre
  w.U8(0);              // 62: Griot
  w.U8(1);              // 63: Exportable, end of the base fields (64 bytes)
  return b;
}

TEST(TGIndividuTest, OlderLayoutsTakeTheDefaultsOfMissingGroups) {
  const std::string base = OldIndividuBytes();
  TGIndividu i = FullIndividu();
  ASSERT_TRUE(DecodesInto(base, i));
  EXPECT_EQ(i.GetChar(5), "Marie");
  EXPECT_TRUE(i.GetFeminin());
  EXPECT_EQ(i.GetFiliation(), flNATUREL);
  EXPECT_TRUE(i.GetExportable());
  EXPECT_FALSE(i.GetComplet());
  EXPECT_FALSE(i.GetNoteFlag());
  EXPECT_EQ(i.GetSecondaire(), 0);
  EXPECT_EQ(i.GetPrefixe(), "");
  EXPECT_EQ(i.GetUserFieldValue(10), "");
  EXPECT_EQ(i.GetPreciseStamp(0), 0.0);

  // The same person written by a version that knew groups 2 and 3.
  std::string withGroup3 = base;
  ByteWriter w(withGroup3);
  w.U8(1);          // 64: complete flag
  w.U8(0);          // 65: range-check exemption
  w.U8(1);          // 66: note flag
  w.U8(2);          // 67: Secondaire
  w.CString("Dr");  // 68: Prefixe
  w.U8(1);          // 71: SansAlliance, end of group 3 (72 bytes)
  TGIndividu j = FullIndividu();
  ASSERT_TRUE(DecodesInto(withGroup3, j));
  EXPECT_TRUE(j.GetComplet());
  EXPECT_TRUE(j.GetNoteFlag());
  EXPECT_EQ(j.GetPrefixe(), "Dr");
  EXPECT_EQ(j.GetSansAlliance(), 1);
  EXPECT_EQ(j.GetUserFieldValue(12), "");
  EXPECT_EQ(j.GetPreciseStamp(1), 0.0);

  // Only the ends of whole groups are accepted.
  const std::string full = FullIndividu().EncodeToString();
  const std::size_t group5 = full.size() - 16;
  const std::size_t group4 = group5 - 3 * 5;  // three user texts "u\xE9NN" and NULs
  const std::size_t group3 = group4 - 5;      // Secondaire, "Me", SansAlliance
  const std::size_t group2 = group3 - 3;
  ExpectDecodesOnlyAt<TGIndividu>(full, {group2, group3, group4, group5, full.size()});
}

TEST(TGIndividuTest, LongSexTextKeepsItsFirstCharacter) {
  std::string b = OldIndividuBytes();
  b.replace(35, 1, "fem");  // offset 35: Sexe, three characters instead of one
  TGIndividu i;
  ASSERT_TRUE(DecodesInto(b, i));
  EXPECT_EQ(i.GetChar(10), "f");
  EXPECT_EQ(i.EncodeToString().size(), i.GetDataSize());
}

TEST(TGIndividuTest, SelectorsTrimAndIgnoreUnknownOnes) {
  TGIndividu i;
  EXPECT_EQ(i.GetChar(10), "") << "a fresh individual has no sex until zeroMemory";
  i.zeroMemory();
  EXPECT_EQ(i.GetChar(10), "?");
  i.SetChar(10, "  female");
  EXPECT_EQ(i.GetChar(10), "f");
  i.SetChar(5, "  Jean Paul  ");
  EXPECT_EQ(i.GetChar(5), "Jean Paul");
  i.SetChar(40, "x");
  EXPECT_EQ(i.GetChar(40), "");
  EXPECT_EQ(i.GetUserFieldValue(13), "");
  EXPECT_EQ(i.GetUserFieldValue(-1), "");
  i.SetBool(34, true);
  EXPECT_FALSE(i.GetBool(34));
  i.SetMasculin(false);
  EXPECT_TRUE(i.GetFeminin());
  i.SetExportable(true);
  i.zeroMemory();
  EXPECT_TRUE(i.GetExportable()) << "zeroMemory keeps Exportable";
  EXPECT_EQ(i.GetChar(5), "");
}

TEST(TGIndividuTest, DisplayedFirstNamesAndLine) {
  TGIndividu i;
  i.SetChar(5, "Jean \"Pierre\" Marie-Louise");
  i.SetChar(6, "notaire");
  const struct {
    std::uint8_t options;
    const char* expected;
  } cases[] = {
      {0x00, "Jean \"Pierre\" Marie-Louise"},
      {0x02, "Jean"},
      {0x04, "Pierre"},
      {0x10, "Jean P. M-L."},
      {0x02 | 0x04, "Jean"},
  };
  for (const auto& c : cases) {
    i.SetOptions(c.options);
    EXPECT_EQ(i.GetChar(5), c.expected) << int(c.options);
  }
  i.SetChar(5, "Jean");
  i.SetOptions(0x04);
  EXPECT_EQ(i.GetChar(5), "Jean") << "no quotes: the first word";
  i.SetOptions(0x01 | 0x40 | 0x80);
  EXPECT_EQ(i.GetText(), "Jean (notaire)");
  i.SetOptions(0x40);
  EXPECT_EQ(i.GetText(), "notaire");
  EXPECT_TRUE(TGIndividu::MeResteQueDesDelimiters(" ,;\"()?<>."));
  EXPECT_FALSE(TGIndividu::MeResteQueDesDelimiters(" a"));
}

TEST(TGIndividuTest, LinkWordingDependsOnSexAndSide) {
  ScopedResourceLanguage french(Language::French);
  TGIndividu i;
  i.SetChar(10, "f");
  EXPECT_EQ(i.LienIndiIndiSens1(1), LoadResString("Rechercheliens.TYPE_AIEUL_SENS1_FEM"));
  EXPECT_EQ(i.LienIndiIndiSens2Redac(17), LoadResString("Rechercheliens.TYPE_REDAC_PARENT_BIOLOGIQUE_SENS2_FEM"));
  i.SetChar(10, "?");
  EXPECT_EQ(i.LienIndiIndiSens2(11), LoadResString("Rechercheliens.TYPE_ONCLE_SENS2_MASC"));
  EXPECT_EQ(i.LienIndiIndiSens1Redac(16), LoadResString("Rechercheliens.TYPE_REDAC_PARENT_ADOPTIF_SENS1_MASC"));
  EXPECT_TRUE(HasResString("Rechercheliens.TYPE_REDAC_PARENT_ADOPTIF_SENS1_MASC"));
  EXPECT_EQ(i.LienIndiIndiSens1(0), "");
  EXPECT_EQ(i.LienIndiIndiSens1(18), "");
}

TEST(TGIndividuTest, MergeKeepsSetValuesAndTranslatesCodes) {
  TListeAssociation codes(4);
  codes.Add(12, 340);
  codes.Add(13, 341);
  TGIndividu other;
  other.SetCodePere(12);
  other.SetCodeMere(13);
  other.SetCodeNom(99);  // no pair: translates to 0
  other.SetChar(5, "Paul");
  other.SetChar(10, "m");
  other.SetChar(12, "7");
  other.SetUserFieldValue(3, "autre");
  other.SetBool(27, true);
  other.SetBool(32, true);
  other.SetPrefixe("Me");
  other.SetSignature(slOUI);
  other.SetChar(9, "baron");
  const struct {
    const char* name;
    CodeID pere;
    const char* sexe;
    const char* prenoms;
    CodeID expPere;
    const char* expSexe;
    const char* expPrenoms;
  } cases[] = {
      {"empty", 0, "", "", 340, "m", "Paul"},
      {"set", 5, "?", "Luc", 5, "?", "Luc"},
  };
  for (const auto& c : cases) {
    TGIndividu i;
    i.SetCodePere(c.pere);
    i.SetChar(10, c.sexe);
    i.SetChar(5, c.prenoms);
    i.Fusionne(&other, &codes);
    EXPECT_EQ(i.GetCodePere(), c.expPere) << c.name;
    EXPECT_EQ(i.GetChar(10), c.expSexe) << c.name;
    EXPECT_EQ(i.GetChar(5), c.expPrenoms) << c.name;
    EXPECT_EQ(i.GetCodeMere(), 341u) << c.name;
    EXPECT_EQ(i.GetCodeNom(), 0u) << c.name;
    EXPECT_EQ(i.GetChar(12), "7") << c.name;
    EXPECT_EQ(i.GetUserFieldValue(3), "autre") << c.name;
    EXPECT_TRUE(i.GetBool(27)) << c.name;
    EXPECT_TRUE(i.GetBool(32)) << c.name;
    EXPECT_EQ(i.GetPrefixe(), "Me") << c.name;
    EXPECT_EQ(i.GetSignature(), slPEUTETRE) << c.name << ": the signature is not merged";
    EXPECT_EQ(i.GetChar(9), "") << c.name << ": the title is not merged";
  }
}

}  // namespace
}  // namespace genvora
