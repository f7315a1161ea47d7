// Each record's size, writer and reader come from its one layout
// description. With every field set away from its default, a record encodes
// to exactly its size and decodes back to itself; a cut at each group
// boundary decodes with the later groups at their defaults, and every other
// cut is damage.
#include <gtest/gtest.h>

#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "records/RecordTestSupport.h"
#include "records/TGAdresse.h"
#include "records/TGDocument.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGLieu.h"
#include "records/TGMedia.h"
#include "records/TGMediaCadre.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TGV9FaitHistorique.h"
#include "records/TVGNote.h"
#include "records/TVGPrenom.h"
#include "records/TVGProfession.h"
#include "records/TVGRechercheLog.h"
#include "records/TVGTache.h"

namespace genvora {
namespace {

using Sizes = std::vector<std::size_t>;

AnsiString Numbered(const char* prefix, int n) {
  AnsiString text(prefix);
  text += std::to_string(n);
  return text;
}

TGDate::dateT SomeDate() {
  TGDate::dateT block{};
  block.Calendar[0] = block.Calendar[1] = 'G';
  block.Day[0] = 14;
  block.Month[0] = 7;
  block.Year[0] = 1889;
  block.Reserved[10] = 0x5A;  // kept byte for byte
  return block;
}

// The root fields every record stores, all set.
void FillRoot(TGRoot& r) {
  r.SetCodeID(0x01020304);
  r.SetDateLT(0, 40001);
  r.SetDateLT(1, 40002);
  r.SetGriot(true);
  r.SetExportable(true);
}

// `laterGroups` are the byte counts of the groups after the base fields in
// the filled record, `laterDefaults` the same groups at their defaults; both
// are worked out from the layout table, not from the code.
template <class T>
void CheckLayout(const char* name, void (*fill)(T&), const Sizes& laterGroups, const Sizes& laterDefaults) {
  SCOPED_TRACE(name);
  ASSERT_EQ(laterGroups.size(), laterDefaults.size());
  T full;
  FillRoot(full);
  fill(full);
  const std::string bytes = full.EncodeToString();  // raises when the size disagrees with the writer
  EXPECT_EQ(bytes.size(), full.EncodedSize());
  EXPECT_EQ(full.GetDataSize(), full.EncodedSize());

  T back;
  ASSERT_TRUE(DecodesInto(bytes, back));
  EXPECT_EQ(back.EncodeToString(), bytes);
  const T fresh;
  EXPECT_NE(fresh.EncodeToString(), bytes);

  // Where each group starts, in the filled record and in a fresh one.
  const std::size_t laterBytes = std::accumulate(laterGroups.begin(), laterGroups.end(), std::size_t{0});
  const std::size_t laterDefaultBytes = std::accumulate(laterDefaults.begin(), laterDefaults.end(), std::size_t{0});
  ASSERT_LT(laterBytes, bytes.size());
  const std::string defaults = fresh.EncodeToString();
  ASSERT_LT(laterDefaultBytes, defaults.size());
  std::set<std::size_t> boundaries = {bytes.size()};
  std::size_t cut = bytes.size() - laterBytes;
  std::size_t defaultCut = defaults.size() - laterDefaultBytes;
  for (std::size_t g = 0; g < laterGroups.size(); ++g) {
    boundaries.insert(cut);
    T shortened;
    ASSERT_TRUE(DecodesInto(bytes.substr(0, cut), shortened)) << "cut before later group " << g + 1;
    EXPECT_EQ(shortened.EncodeToString(), bytes.substr(0, cut) + defaults.substr(defaultCut))
        << "cut before later group " << g + 1 << ": it and every later group take their defaults";
    cut += laterGroups[g];
    defaultCut += laterDefaults[g];
  }
  ExpectDecodesOnlyAt<T>(bytes, boundaries);
}

void FillIndividu(TGIndividu& r) {
  r.SetCodePere(11);
  r.SetCodeMere(12);
  r.SetCodeNom(13);
  r.SetCodeAdresse(14);
  r.SetChar(5, "Jean Pierre");
  r.SetChar(6, "tisserand");
  r.SetFeminin(true);
  r.SetChar(11, "note");
  r.SetChar(12, "12b");
  for (int i = 0; i <= 12; ++i) r.SetUserFieldValue(i, Numbered("u", i + 10));  // 3 bytes each
  for (int selector : {26, 27, 28, 29, 32, 33}) r.SetBool(selector, true);
  r.SetSignature(slNON);
  r.SetFiliation(flADOPTE);
  r.SetSwitches(0x8001);
  r.SetChar(7, "fils");
  r.SetChar(8, "dit Jeannot");
  r.SetChar(9, "sieur");
  r.SetComplet(true);
  r.SetHorsControle(true);
  r.SetNoteFlag(true);
  r.SetSecondaire(1);
  r.SetPrefixe("de");
  r.SetSansAlliance(1);
  r.SetPreciseStamp(0, 40001.25);
  r.SetPreciseStamp(1, 40002.5);
}

void FillUnion(TGUnion& r) {
  r.SetEpoux(21);
  r.SetEpouse(22);
  r.SetAdresse(23);
  r.SetNoteText("note");
  r.SetRechercheActe(2);
  r.SetDateUnion(0xA0B0C0D0);
  r.SetTypeUnion(ulPACS);
  r.SetMarque(true);
  for (int s = 10; s <= 19; ++s) r.SetChar(s, Numbered("champ", s));
  r.SetSwitches(0x0102);
  r.SetConfidentiel(true);
  r.SetNoteFlag(true);
  r.SetPreciseStamp(0, 1.5);
  r.SetPreciseStamp(1, 2.5);
}

void FillLien(TGLien& r) {
  r.SetLienDe(31);
  r.SetLienVers(32);
  r.SetNote("note");
  r.SetReserve(7);
  r.SetTitre("parrain");
  r.SetType(104);
  r.SetTexteSupplementaire("extra");
}

void FillLienMedia(TGLienMedia& r) {
  r.SetXREFCible(41);
  r.SetXREFMedia(42);
  r.SetCitation("page 4");
  r.SetPosition(-3);
  r.SetGenre(omUnion);
  r.SetMediaPrincipal(true);
}

void FillEvenement(TGEvenement& r) {
  r.SetProprietaire(51);
  r.SetType(evIBIRT);
  r.SetDicoLieu(52);
  r.SetDateBlock(SomeDate());
  for (int slot = 0; slot <= 4; ++slot) r.SetText(slot, Numbered("slot", slot));
  r.SetCertitude("3");
  r.SetRechercheActe(2);
  r.SetConfidentiel(true);
  r.SetText(TGEvenement::kAgeSurActe2, "age2");
  r.SetPreciseStamp(0, 3.25);
  r.SetPreciseStamp(1, 4.75);
  r.SetPartage(true);
}

void FillLieu(TGLieu& r) {
  r.SetRattachement(61);
  for (int field = TGLieu::kCode; field <= TGLieu::kPays; ++field) r.SetText(field, Numbered("lieu", field));
  r.SetXRef(62);
  r.SetTexteSupplementaire("xy");
  r.SetOctetSupplementaire(9);
  r.SetLatitude(47.5);
  r.SetLongitude(-1.25);
  r.SetIsoCountry("FR");
  r.SetInternalCodeLieu(-44);
}

void FillNom(TGNom& r) {
  r.SetRattachement(71);
  r.SetNom("de la Fontaine");
  r.SetTexteSupplementaire("xy");
  r.SetOctetSupplementaire(1);
}

void FillAdresse(TGAdresse& r) {
  r.SetOldXREFUnion(81);
  r.SetOldXREFHomme(82);
  r.SetOldXREFFemme(83);
  r.SetPrivate(true);
  for (int t = 0; t < TGAdresse::kNbTextes; ++t) r.SetTexte(t, Numbered("a", t + 10));  // 3 bytes each
  r.SetAdresse2Activee(-1);
  r.SetValeurSupplementaire(0xDEADBEEF);
}

void FillDocument(TGDocument& r) {
  r.SetTypeSource(tsMedia);
  for (int field = TGDocument::kSource; field <= TGDocument::kNumero; ++field) {
    r.SetText(field, Numbered("doc", field));
  }
  r.SetNatureActe(2);
  r.SetCertitude(3);
  r.SetURL("http://x");
  r.SetEMail("a@b");
  r.SetAuteur("moi");
  r.SetDateBlock(SomeDate());
}

// The old date is set below 1: a positive one would become the date of a
// media whose date group is absent, instead of the zeroed default.
void FillMedia(TGMedia& r) {
  r.SetOriginalFullPath("c:\\photos\\a.jpg");
  r.SetSecondText("second");
  r.SetPrive(true);
  r.SetNote("note");
  r.SetBlocSize(5);
  r.SetOldDate(-2);
  r.SetDateBlock(SomeDate());
}

void FillCadre(TGMediaCadre& r) {
  r.SetMediaOrigine(91);
  r.SetMediaDerive(92);
  r.SetIndividu(93);
  r.SetRect({-1, 2, 300, 400});
}

// The stored text stays empty: an absent plain-text group takes the stored
// text made plain, which is the default only for an empty stored text.
void FillNote(TVGNote& r) {
  const CodeID code = r.GetCodeID();
  r.NewNote(code, "{\\rtf1 une note}", true);
}

void FillPrenom(TVGPrenom& r) {
  r.SetRattachement(101);
  r.SetSexe(2);
  r.SetPrenom("Jehan");
  r.SetPrenomUCD("JEHAN");
}

void FillProfession(TVGProfession& r) {
  r.SetRattachement(102);
  r.SetProfession("tisserand");
  r.SetProfessionUCD("TISSERAND");
}

void FillRechercheLog(TVGRechercheLog& r) {
  r.SetKind(4);
  r.SetOwner(103);
  r.SetDateTime(45000.125);
  r.SetText1("un");
  r.SetText2("deux");
}

void FillTache(TVGTache& r) {
  r.SetDateEcheance(100);
  r.SetDateAlerte(90);
  r.SetTitre("titre");
  r.SetDescription("description");
  r.SetPriorite(-7);
  r.SetTacheRealisee(true);
}

void FillFait(TGV9FaitHistorique& r) {
  r.SetNom("Prise de la Bastille");
  ASSERT_TRUE(r.SetDateTexte("14/7/1789"));
  r.SetTypeFait(5);
  r.SetOrigine("Paris");
  r.SetDescription("description");
  r.SetPriorite(-1);
  r.SetTexteSupplementaire("plus");
  r.SetValeurSupplementaire(0x01020304);
  r.SetPerso(true);
  r.SaveVignette(std::string("\xFF\xD8\x00\xFF\xD9", 5));
}

TEST(RecordLayoutTest, EveryRecordRoundTripsAndCutsOnlyAtItsGroups) {
  // Later groups, filled and at their defaults, as the layout tables give them.
  CheckLayout<TGIndividu>("TGIndividu", FillIndividu, {3, 1 + 3 + 1, 3 * 4, 8 + 8}, {3, 1 + 1 + 1, 3 * 1, 8 + 8});
  CheckLayout<TGUnion>("TGUnion", FillUnion, {1, 8 + 8}, {1, 8 + 8});
  CheckLayout<TGLien>("TGLien", FillLien, {6}, {1});
  CheckLayout<TGLienMedia>("TGLienMedia", FillLienMedia, {}, {});
  CheckLayout<TGEvenement>("TGEvenement", FillEvenement, {1, 5, 8 + 8, 1}, {1, 1, 8 + 8, 1});
  CheckLayout<TGLieu>("TGLieu", FillLieu, {3 + 1, 8 + 8 + 3 + 4}, {1 + 1, 8 + 8 + 1 + 4});
  CheckLayout<TGNom>("TGNom", FillNom, {3 + 1}, {1 + 1});
  CheckLayout<TGAdresse>("TGAdresse", FillAdresse, {8 * 4}, {8 * 1});
  CheckLayout<TGDocument>("TGDocument", FillDocument, {4, 9, 4 + 4 + 32}, {4, 1, 1 + 1 + 32});
  CheckLayout<TGMedia>("TGMedia", FillMedia, {32}, {32});
  CheckLayout<TGMediaCadre>("TGMediaCadre", FillCadre, {}, {});
  {
    TVGNote probe;
    FillNote(probe);
    ASSERT_FALSE(probe.GetNoteTxt().empty());
    ASSERT_FALSE(probe.GetCompressed().empty());
    CheckLayout<TVGNote>("TVGNote", FillNote, {probe.GetNoteTxt().size() + 1, 8 + probe.GetCompressed().size()},
                         {1, 8});
  }
  CheckLayout<TVGPrenom>("TVGPrenom", FillPrenom, {}, {});
  CheckLayout<TVGProfession>("TVGProfession", FillProfession, {}, {});
  CheckLayout<TVGRechercheLog>("TVGRechercheLog", FillRechercheLog, {}, {});
  CheckLayout<TVGTache>("TVGTache", FillTache, {}, {});
  CheckLayout<TGV9FaitHistorique>("TGV9FaitHistorique", FillFait, {}, {});
}

// The event publishes an upper bound: the certitude counts as one character
// whether or not there is one, while the encoder writes what is there.
TEST(RecordLayoutTest, EventSizeIsAnUpperBoundWithoutCertitude) {
  TGEvenement e;
  FillRoot(e);
  FillEvenement(e);
  e.SetCertitude("");
  const std::string bytes = e.EncodeToString();
  EXPECT_EQ(bytes.size(), e.EncodedSize());
  EXPECT_EQ(e.GetDataSize(), e.EncodedSize() + 1);
  e.SetCertitude("12");
  EXPECT_EQ(e.GetDataSize(), e.EncodedSize()) << "kept to one character";
  EXPECT_EQ(e.EncodeToString().size(), bytes.size() + 1);
}

// A text holding a NUL is stored cut at the NUL; the size counts the same
// cut, so the record encodes instead of failing its size check.
TEST(RecordLayoutTest, TextsHoldingANulEncodeToTheirSize) {
  const std::string withNul("ab\0cd", 5);
  TGV9FaitHistorique fait;
  fait.SetNom(withNul);
  fait.SetDescription(withNul);
  const std::string faitBytes = fait.EncodeToString();
  EXPECT_EQ(faitBytes.size(), fait.GetDataSize());
  TGV9FaitHistorique faitBack;
  ASSERT_TRUE(DecodesInto(faitBytes, faitBack));
  EXPECT_EQ(faitBack.GetNom(), "ab");
  EXPECT_EQ(faitBack.GetDescription(), "ab");

  TGEvenement event;
  event.SetCertitude(std::string("\0x", 2));
  const std::string eventBytes = event.EncodeToString();
  EXPECT_EQ(eventBytes.size(), event.EncodedSize());
  EXPECT_EQ(event.GetDataSize(), event.EncodedSize() + 1) << "written as no certitude";
  TGEvenement eventBack;
  ASSERT_TRUE(DecodesInto(eventBytes, eventBack));
  EXPECT_EQ(eventBack.GetCertitude(), "");
}

}  // namespace
}  // namespace genvora
