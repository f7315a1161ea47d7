#include <gtest/gtest.h>

#include "platform/ByteCursor.h"
#include "platform/Resources.h"
#include "records/RecordTestSupport.h"
#include "records/TGLien.h"
#include "records/TGUnion.h"

namespace genvora {
namespace {

TGUnion FullUnion() {
  TGUnion u;
  u.SetCodeID(501);
  u.SetDateLT(0, 36526);
  u.SetDateLT(1, 45000);
  u.SetEpoux(11);
  u.SetEpouse(12);
  u.SetAdresse(13);
  u.SetNoteText("Mariage célébré à Orléans");
  u.SetRechercheActe(2);
  u.SetDateUnion(0xA1B2C3D4);
  u.SetTypeUnion(ulPACS);
  u.SetMarque(true);
  for (int s = 10; s <= 19; ++s) u.SetChar(s, "champ \xE9" + std::to_string(s));
  u.SetSwitches(0x8001);
  u.SetConfidentiel(true);
  u.SetGriot(true);
  u.SetExportable(true);
  u.SetNoteFlag(true);
  u.SetPreciseStamp(0, 36526.25);
  u.SetPreciseStamp(1, 45000.5);
  return u;
}

void ExpectSameUnion(const TGUnion& a, const TGUnion& b) {
  EXPECT_EQ(a.GetCodeID(), b.GetCodeID());
  EXPECT_EQ(a.GetDateLT(0), b.GetDateLT(0));
  EXPECT_EQ(a.GetDateLT(1), b.GetDateLT(1));
  EXPECT_EQ(a.GetEpoux(), b.GetEpoux());
  EXPECT_EQ(a.GetEpouse(), b.GetEpouse());
  EXPECT_EQ(a.GetAdresse(), b.GetAdresse());
  EXPECT_EQ(a.GetNoteText(), b.GetNoteText());
  EXPECT_EQ(a.GetRechercheActe(), b.GetRechercheActe());
  EXPECT_EQ(a.GetDateUnion(), b.GetDateUnion());
  EXPECT_EQ(a.GetTypeUnion(), b.GetTypeUnion());
  EXPECT_EQ(a.GetMarque(), b.GetMarque());
  for (int s = 10; s <= 19; ++s) EXPECT_EQ(a.GetChar(s), b.GetChar(s));
  EXPECT_EQ(a.GetSwitches(), b.GetSwitches());
  EXPECT_EQ(a.GetConfidentiel(), b.GetConfidentiel());
  EXPECT_EQ(a.GetGriot(), b.GetGriot());
  EXPECT_EQ(a.GetExportable(), b.GetExportable());
  EXPECT_EQ(a.GetNoteFlag(), b.GetNoteFlag());
  EXPECT_EQ(a.GetPreciseStamp(0), b.GetPreciseStamp(0));
  EXPECT_EQ(a.GetPreciseStamp(1), b.GetPreciseStamp(1));
}

TEST(TGUnionTest, EncodeDecodeRoundTripKeepsEveryFieldAndAccents) {
  const TGUnion u = FullUnion();
  const std::string bytes = u.EncodeToString();
  ASSERT_EQ(bytes.size(), u.GetDataSize());
  // 64 fixed bytes plus the note and ten texts of 9 bytes ("champ \xE9NN").
  EXPECT_EQ(bytes.size(), 64u + std::string("Mariage célébré à Orléans").size() + 10 * 9);
  TGUnion back;
  ASSERT_TRUE(DecodesInto(bytes, back));
  ExpectSameUnion(u, back);
  EXPECT_EQ(back.GetChar(10), "champ \xE9" "10");
}

// The layout of a union written before the note flag and the stamps existed:
// it ends right after Exportable.
std::string OldUnionBytes(bool withNoteFlag) {
  std::string b;
  ByteWriter w(b);
  w.U32(77);          // 0: CodeID
  w.U32(30000);       // 4: DateCreation
  w.U32(30001);       // 8: DateModification
  w.U32(5);           // 12: Epoux
  w.U32(6);           // 16: Epouse
  w.U32(0);           // 20: Adresse
  w.CString("");      // 24: note (empty: one NUL)
  w.U8(1);            // 25: RechercheActe
  w.U32(0);           // 26: DateUnion
  w.U8(ulDIVORCES);   // 30: TypeUnion
  w.U8(0);            // 31: Marque
  for (int i = 0; i < 10; ++i) w.CString(i == 0 ? "X" : "");  // 32: Champ1 "X", 34..42: Champ2..10 empty
  w.U16(0);           // 43: Switches
  w.U8(0);            // 45: Confidentiel
  w.U8(1);            // 46: Griot
  w.U8(0);            // 47: Exportable, end of the base fields (48 bytes)
  if (withNoteFlag) w.U8(1);  // 48: note flag (group 2); no stamps follow
  return b;
}

TEST(TGUnionTest, OlderLayoutsTakeTheDefaultsOfMissingGroups) {
  TGUnion base;
  ASSERT_TRUE(DecodesInto(OldUnionBytes(false), base));
  EXPECT_EQ(base.GetCodeID(), 77u);
  EXPECT_EQ(base.GetTypeUnion(), ulDIVORCES);
  EXPECT_EQ(base.GetChar(10), "X");
  EXPECT_TRUE(base.GetGriot());
  EXPECT_FALSE(base.GetNoteFlag());
  EXPECT_EQ(base.GetPreciseStamp(0), 0.0);
  EXPECT_EQ(base.GetPreciseStamp(1), 0.0);

  TGUnion flagged;
  ASSERT_TRUE(DecodesInto(OldUnionBytes(true), flagged));
  EXPECT_TRUE(flagged.GetNoteFlag());
  EXPECT_EQ(flagged.GetPreciseStamp(1), 0.0);
  // Written back, the record carries every group.
  EXPECT_EQ(flagged.EncodeToString().size(), OldUnionBytes(false).size() + 17);
}

TEST(TGUnionTest, CutsInsideFieldsAndExtraBytesAreRefused) {
  const std::string full = FullUnion().EncodeToString();
  const std::size_t base = full.size() - 17;
  ExpectDecodesOnlyAt<TGUnion>(full, {base, base + 1, full.size()});
}

TEST(TGUnionTest, TypeWordsFollowTheKindOfUnion) {
  ScopedResourceLanguage french(Language::French);
  TGUnion u;
  EXPECT_EQ(u.GetTypeUnionTexte(), "") << "a union without code has no type words";
  u.SetCodeID(3);
  const struct {
    std::uint8_t type;
    const char* key;
  } cases[] = {{ulMARIES, "G13str.mariage"},     {ulCONCUBINS, "G13str.unionLibre"}, {ulADULTERE, "G13str.unionLibre"},
               {ulSEPARES, "G13str.separation"}, {ulPACS, "G13str.pacs"},            {ulINCONNU, "G13str.nonConnu"},
               {200, "G13str.nonConnu"}};
  for (const auto& c : cases) {
    u.SetTypeUnion(c.type);
    EXPECT_EQ(u.GetTypeUnionTexte(), LoadResString(c.key)) << int(c.type);
    EXPECT_TRUE(HasResString(c.key));
  }
  u.SetTypeUnionFromTexte(LoadResString("G13str.fiancailles"));
  EXPECT_EQ(u.GetTypeUnion(), ulFIANCES);
  u.SetTypeUnionFromTexte("concubinage");
  EXPECT_EQ(u.GetTypeUnion(), ulINCONNU);
}

TEST(TGUnionTest, PreciseStampsShowWithTheirTime) {
  TGUnion u;
  u.SetDateLT(0, 36526);  // 1 January 2000
  EXPECT_EQ(u.GetDateChaine(0), "1/1/2000");
  u.SetPreciseStamp(0, 36526.75);
  EXPECT_EQ(u.GetDateChaine(0), "1/1/2000 18:00:00");
  EXPECT_EQ(u.GetDateModification(), 0.0);
  u.SetDateLT(1, 40000);
  EXPECT_EQ(u.GetDateModification(), 40000.0);
}

TEST(TGLienTest, EncodeDecodeRoundTripAndOldLayout) {
  TGLien l;
  l.SetCodeID(900);
  l.SetDateLT(0, 1);
  l.SetDateLT(1, 2);
  l.SetLienDe(10);
  l.SetLienVers(20);
  l.SetNote("  témoin désigné \x9C  ");
  l.SetReserve(7);
  l.SetTitre("Parrain à la confirmation");
  l.SetType(104);
  l.SetGriot(true);
  l.SetExportable(true);
  l.SetTexteSupplementaire("suppl\xE9ment");
  const std::string bytes = l.EncodeToString();
  EXPECT_EQ(bytes.size(), 27u + l.GetNote().size() + l.GetStoredTitre().size() + 10);
  TGLien back;
  ASSERT_TRUE(DecodesInto(bytes, back));
  EXPECT_EQ(back.GetCodeID(), 900u);
  EXPECT_EQ(back.GetLienDe(), 10u);
  EXPECT_EQ(back.GetLienVers(), 20u);
  EXPECT_EQ(back.GetNote(), "témoin désigné \x9C");
  EXPECT_EQ(back.GetReserve(), 7);
  EXPECT_EQ(back.GetStoredTitre(), "Parrain à la confirmation");
  EXPECT_EQ(back.GetType(), 104);
  EXPECT_TRUE(back.GetGriot());
  EXPECT_TRUE(back.GetExportable());
  EXPECT_EQ(back.GetTexteSupplementaire(), "suppl\xE9ment");

  std::string old;
  ByteWriter w(old);
  w.U32(4);        // 0: CodeID
  w.U32(0);        // 4: DateCreation
  w.U32(0);        // 8: DateModification
  w.U32(1);        // 12: LienDe
  w.U32(2);        // 16: LienVers
  w.CString("n");  // 20: Note
  w.U8(0);         // 22: reserved
  w.CString("");   // 23: Titre
  w.U8(2);         // 24: Type (AMI)
  w.U8(0);         // 25: Griot
  w.U8(1);         // 26: Exportable, end of the base fields; no group 2
  TGLien oldLink;
  oldLink.SetTexteSupplementaire("stale");
  ASSERT_TRUE(DecodesInto(old, oldLink));
  EXPECT_EQ(oldLink.GetTexteSupplementaire(), "");
  EXPECT_EQ(oldLink.GetType(), 2);
  EXPECT_TRUE(oldLink.GetExportable());

  ExpectDecodesOnlyAt<TGLien>(bytes, {bytes.size() - 11, bytes.size()});  // group 2: 10 bytes and a NUL
}

TEST(TGLienTest, TitleComesFromTypeFormAndGenderUnlessStored) {
  ScopedResourceLanguage french(Language::French);
  TGLien l;
  const struct {
    liensListT type;
    formeLienT forme;
    genreLienT genre;
    const char* key;
  } cases[] = {
      {2, formePassive, genreFeminin, "G5vclstrings.liAMIPF"},
      {1, formeActive, genreMasculin, "G5vclstrings.liAIEULAM"},
      {16, formeActive, genreFeminin, "G5vclstrings.liPARENTADOPTAF"},
      {104, formeActive, genreMasculin, "G5vclstrings.luPARRAINAM"},
      {110, formePassive, genreMasculin, "G5vclstrings.luCITE_ACTEPM"},
      {116, formeActive, genreMasculin, "G15str.roleEvt_luVENDEUR"},
      {116, formePassive, genreFeminin, "G15str.roleEvt_luVENDEUR_F"},
  };
  for (const auto& c : cases) {
    l.SetType(c.type);
    l.SetFormeLien(c.forme);
    l.SetGenreLien(c.genre);
    ASSERT_TRUE(HasResString(c.key)) << c.key;
    EXPECT_EQ(l.GetTitre(), LoadResString(c.key)) << c.key;
  }
  for (liensListT none : {0, 18, 100, 120, 121}) {
    l.SetType(none);
    EXPECT_EQ(l.GetTitre(), "") << int(none);
    EXPECT_EQ(l.GetItem(), "") << int(none);
  }
  l.SetType(3);
  l.SetTitre("Compagnon d'armes");
  EXPECT_EQ(l.GetTitre(), "Compagnon d'armes");
  EXPECT_EQ(TGLien::GetItemFor(106), LoadResString("G5vclstrings.luTEMOINI"));
  EXPECT_EQ(TGLien::GetItemFor(1), LoadResString("G5vclstrings.liAIEULI"));

  TGLien byText;
  byText.SetTypeString(LoadResString("G5vclstrings.liONCLEPF"));
  EXPECT_EQ(byText.GetType(), 11);
}

TEST(TGLienTest, OldTypeCodesAndFamilies) {
  const struct {
    liensListT from, to;
  } conversions[] = {{0, 0}, {15, 15}, {16, 100}, {17, 101}, {24, 108}, {25, 121}, {26, 109}, {27, 27}, {200, 200}};
  for (const auto& c : conversions) {
    TGLien l;
    l.SetType(c.from);
    l.ConvertOldTypeLiens();
    EXPECT_EQ(l.GetType(), c.to) << int(c.from);
  }
  TGLien l;
  l.SetType(100);
  EXPECT_FALSE(l.IsLienIndiIndi());
  EXPECT_FALSE(l.IsLienIndiEvenement());
  l.SetType(17);
  EXPECT_TRUE(l.IsLienIndiIndi());
  l.SetType(101);
  EXPECT_TRUE(l.IsLienIndiEvenement());
}

}  // namespace
}  // namespace genvora
