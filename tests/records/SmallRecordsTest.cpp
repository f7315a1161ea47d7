#include <gtest/gtest.h>

#include "containers/LXArray.h"
#include "containers/TListeAssociation.h"
#include "platform/Resources.h"
#include "records/RecordTestSupport.h"
#include "records/TGAdresse.h"
#include "records/TGLienRoot.h"
#include "records/TGMediaCadre.h"
#include "records/TVGPrenom.h"
#include "records/TVGProfession.h"
#include "records/TVGRechercheLog.h"
#include "records/TVGTache.h"

namespace genvora {
namespace {

// Appends rather than concatenates: GCC 12 warns falsely on "x" + string.
AnsiString Numbered(const char* prefix, int n) {
  AnsiString text(prefix);
  text += std::to_string(n);
  return text;
}

// Writes `r` into a store and reads it back into `back`; the entry holds
// exactly GetDataSize() bytes and every later cut or extra byte is refused.
template <typename T>
void StoreRoundTrip(T& r, T& back, std::uint32_t expectedSize) {
  LXArray store("TBTest", true);
  r.SetStampOnWrite(false);
  r.SetDateLT(0, 40000);
  ASSERT_NE(r.EcritDans(r.GetCodeID(), &store), 0);
  EXPECT_EQ(store.FetchData(r.GetCodeID(), nullptr, 0), expectedSize);
  EXPECT_EQ(r.GetDataSize(), expectedSize);
  ASSERT_TRUE(back.LitDans(r.GetCodeID(), &store));
  EXPECT_EQ(back.EncodeToString(), r.EncodeToString());
  EXPECT_EQ(back.GetDateLT(0), 40000u);
}

TEST(SmallRecordsTest, FrameRoundTripAndRescale) {
  TGMediaCadre c;
  c.SetCodeID(50);
  c.SetMediaOrigine(1);
  c.SetMediaDerive(2);
  c.SetIndividu(3);
  c.SetRect({10, 20, 110, 220});
  c.SetGriot(true);
  TGMediaCadre back;
  StoreRoundTrip(c, back, 42);
  EXPECT_EQ(back.GetRect(), (TGRect{10, 20, 110, 220}));
  EXPECT_EQ(back.GetIndividu(), 3u);
  ExpectDecodesOnlyAt<TGMediaCadre>(c.EncodeToString(), {42});
  back.Rescale(200, 300, 100, 100);
  EXPECT_EQ(back.GetRect(), (TGRect{5, 6, 55, 73})) << "truncated";
  back.Rescale(0, 300, 100, 100);
  EXPECT_EQ(back.GetRect(), (TGRect{5, 6, 55, 73})) << "no old size: unchanged";
}

TEST(SmallRecordsTest, FirstNameAndProfession) {
  TVGPrenom p;
  p.SetCodeID(60);
  p.SetRattachement(61);
  p.SetSexe(2);
  p.SetPrenom("h\xE9l\xE8ne-marie");
  p.SetPrenomUCD("HELENE-MARIE");
  p.SetExportable(true);
  TVGPrenom pb;
  StoreRoundTrip(p, pb, 21 + 12 + 12);
  EXPECT_EQ(pb.Prenom(), "h\xE9l\xE8ne-marie");
  EXPECT_EQ(pb.GetSexe(), 2);
  EXPECT_EQ(pb.GetPrenomFormate(), "H\xE9l\xE8ne-Marie");
  pb.SetGriot(true);
  EXPECT_EQ(pb.GetPrenomFormate(), "h\xE9l\xE8ne-marie") << "Griot: as stored";
  TVGPrenom other;
  other.SetPrenom("H\xC9L\xC8NE-MARIE");
  EXPECT_EQ(pb.InternalCompare(&other), 0);
  other.SetPrenom("Isabelle");
  EXPECT_LT(pb.InternalCompare(&other), 0);
  ExpectDecodesOnlyAt<TVGPrenom>(p.EncodeToString(), {p.GetDataSize()});

  TVGProfession f;
  f.SetCodeID(62);
  f.SetProfession("MA\xCETRE de forges");
  f.SetProfessionUCD("MAITRE DE FORGES");
  TVGProfession fb;
  StoreRoundTrip(f, fb, 20 + 16 + 16);
  EXPECT_EQ(fb.GetFormatedProfession(), "Ma\xEEtre de forges");
  ExpectDecodesOnlyAt<TVGProfession>(f.EncodeToString(), {f.GetDataSize()});
}

TEST(SmallRecordsTest, TaskRoundTripAlertsAndOrder) {
  TVGTache t;
  t.SetCodeID(70);
  t.SetDateEcheance(100);
  t.SetDateAlerte(90);
  t.SetTitre("Chercher l'acte");
  t.SetDescription("Archives \xE0 Blois");
  t.SetPriorite(3);
  t.SetTacheRealisee(true);
  TVGTache back;
  StoreRoundTrip(t, back, 29 + 15 + 16);
  EXPECT_EQ(back.GetPriorite(), 3);
  EXPECT_TRUE(back.GetTacheRealisee());
  ExpectDecodesOnlyAt<TVGTache>(t.EncodeToString(), {t.GetDataSize()});

  const struct {
    std::uint32_t due, alert, day;
    int expected;
  } alerts[] = {{100, 90, 100, 2}, {100, 90, 99, 1}, {100, 90, 89, 0}, {0, 90, 95, 1}, {0, 0, 1000, 0}, {100, 0, 99, 0}};
  for (const auto& a : alerts) {
    TVGTache x;
    x.SetDateEcheance(a.due);
    x.SetDateAlerte(a.alert);
    EXPECT_EQ(TVGTache::IsInAlert(&x, a.day), a.expected) << a.due << " " << a.alert << " " << a.day;
  }

  ScopedResourceLanguage fr(Language::French);
  const char* texts[] = {"Inconnue", "Faible", "Moyenne", "\xC9lev\xE9" "e", "Inconnue"};
  for (int p = 0; p <= 4; ++p) {
    TVGTache x;
    x.SetPriorite(p);
    EXPECT_EQ(x.PrioriteTexte(), texts[p]);
    EXPECT_EQ(x.PrioriteImagesIndex(), p >= 1 && p <= 3 ? p - 1 : -1);
  }

  // Descending by priority: equal priorities stay in ascending due order.
  TVGTache high1, high2, low;
  high1.SetPriorite(3);
  high1.SetDateEcheance(20);
  high2.SetPriorite(3);
  high2.SetDateEcheance(10);
  low.SetPriorite(1);
  EXPECT_LT(high1.CompareAvecTache(&low, TVGTache::kColPriorite, true), 0);
  EXPECT_GT(high1.CompareAvecTache(&high2, TVGTache::kColPriorite, true), 0);
  EXPECT_LT(high2.CompareAvecTache(&high1, TVGTache::kColPriorite, true), 0);
  // By title, then due day.
  high1.SetTitre("B");
  high2.SetTitre("A");
  EXPECT_GT(high1.CompareAvecTache(&high2, TVGTache::kColTitre, false), 0);
  EXPECT_LT(high1.CompareAvecTache(&high2, TVGTache::kColTitre, true), 0);
  high1.SetTitre("A");
  EXPECT_GT(high1.CompareAvecTache(&high2, TVGTache::kColTitre, true), 0) << "tie: due day, not reversed";
  EXPECT_EQ(TVGTache::CompareBooleen(true, false), 1);
  EXPECT_EQ(TVGTache::CompareEntier(-5, 5), -1);
}

TEST(SmallRecordsTest, ResearchLog) {
  TVGRechercheLog l;
  l.SetCodeID(80);
  l.SetKind(4);
  l.SetOwner(12);
  l.SetDateTime(45000.125);
  l.SetText1("Recherche \xE9tat civil");
  l.SetText2("");
  TVGRechercheLog back;
  StoreRoundTrip(l, back, 29 + 20);
  EXPECT_EQ(back.GetDateTime(), 45000.125);
  EXPECT_EQ(back.GetOwner(), 12u);
  EXPECT_EQ(back.GetData(), l.EncodeToString());
  ExpectDecodesOnlyAt<TVGRechercheLog>(l.EncodeToString(), {l.GetDataSize()});
}

TGAdresse FullAddress() {
  TGAdresse a;
  a.SetCodeID(90);
  a.SetOldXREFUnion(1);
  a.SetOldXREFHomme(2);
  a.SetOldXREFFemme(3);
  a.SetPrivate(true);
  for (int t = 0; t < TGAdresse::kNbTextes; ++t) a.SetTexte(t, Numbered("t\xE9l ", t));
  a.SetAdresse2Activee(1);
  a.SetValeurSupplementaire(0xDEADBEEF);
  return a;
}

TEST(SmallRecordsTest, AddressRoundTripAndOlderLayout) {
  TGAdresse a = FullAddress();
  TGAdresse back;
  std::uint32_t texts = 0;
  for (int t = 0; t < TGAdresse::kNbTextes; ++t) texts += static_cast<std::uint32_t>(a.GetTexte(t).size());
  StoreRoundTrip(a, back, 56 + texts);
  EXPECT_EQ(back.GetValeurSupplementaire(), 0xDEADBEEFu);
  EXPECT_EQ(back.GetTexte(TGAdresse::kNote), "t\xE9l 20");

  // The older layout ends after TelPro: second address, mobile and note empty.
  std::string old;
  ByteWriter w(old);
  w.U32(91);                                       // 0: CodeID
  w.U32(30000);                                    // 4: DateCreation
  w.U32(30000);                                    // 8: DateModification
  w.U32(0);                                        // 12: oldXREFUnion
  w.U32(7);                                        // 16: oldXREFHomme
  w.U32(8);                                        // 20: oldXREFFemme
  w.U8(0);                                         // 24: Private
  w.U8(0);                                         // 25: Griot
  w.U8(1);                                         // 26: Exportable
  for (int t = 0; t <= TGAdresse::kDepartement; ++t) w.CString(Numbered("x", t));  // 27: 11 texts
  w.I32(0);                                        // Adresse2Activee
  w.U32(0);                                        // further value
  w.CString("e2@example.org");                     // EMail2
  w.CString("01 02");                              // TelPro  <- end of the base fields
  TGAdresse o = FullAddress();
  ASSERT_TRUE(DecodesInto(old, o));
  EXPECT_EQ(o.GetTexte(TGAdresse::kVille), "x4");
  EXPECT_EQ(o.GetTexte(TGAdresse::kTelPro), "01 02");
  for (int t = TGAdresse::kFirstGroup2Text; t < TGAdresse::kNbTextes; ++t) EXPECT_EQ(o.GetTexte(t), "") << t;
  const std::string full = a.EncodeToString();
  std::size_t group2 = 0;
  for (int t = TGAdresse::kFirstGroup2Text; t < TGAdresse::kNbTextes; ++t) group2 += a.GetTexte(t).size() + 1;
  ExpectDecodesOnlyAt<TGAdresse>(full, {full.size() - group2, full.size()});
}

TEST(SmallRecordsTest, AddressOptionsAndCopy) {
  TGAdresse a;
  for (int i = 0; i < 7; ++i) EXPECT_TRUE(a.GetTextOption(i));
  EXPECT_FALSE(a.GetTextOption(7));
  a.ClearTextOption();
  a.SetTextOption(3);
  a.SetTextOption(9);
  for (int i = -1; i < 8; ++i) EXPECT_EQ(a.GetTextOption(i), i == 3) << i;
  TGAdresse b = FullAddress();
  b.ShowPrivate = true;
  a.Copy(&b);
  EXPECT_EQ(a.EncodeToString(), b.EncodeToString());
  EXPECT_TRUE(a.ShowPrivate);
  EXPECT_TRUE(a.GetTextOption(0));
  a.SetEMail("new@example.org");
  EXPECT_EQ(a.GetTexte(TGAdresse::kEMail), "new@example.org");
}

TEST(SmallRecordsTest, LinkRecords) {
  TGLienMedia m;
  m.SetCodeID(95);
  m.SetXREFCible(10);
  m.SetXREFMedia(11);
  m.SetCitation("  page 4 \xAB texte \xBB  ");
  m.SetPosition(2);
  m.SetGenre(omEvenement);
  m.SetMediaPrincipal(true);
  EXPECT_EQ(m.GetCitation(), "page 4 \xAB texte \xBB");
  TGLienMedia back;
  StoreRoundTrip(m, back, 28 + 16);
  EXPECT_EQ(back.GetGenre(), omEvenement);
  EXPECT_TRUE(back.GetMediaPrincipal());
  EXPECT_TRUE(back.GetGriot()) << "the main-media flag is the Griot byte";
  EXPECT_EQ(back.GetPosition(), 2);
  ExpectDecodesOnlyAt<TGLienMedia>(m.EncodeToString(), {m.GetDataSize()});

  TGLienDocument d;
  d.SetCodeID(96);
  d.SetXREFEvenement(20);
  d.SetXREFDocument(21);
  TGLienDocument db;
  StoreRoundTrip(d, db, 28);
  EXPECT_EQ(db.GetXREFDocument(), 21u);
}

TEST(SmallRecordsTest, MergesTranslateCodesAndKeepSetValues) {
  TListeAssociation codes(8);
  codes.Add(10, 110);
  codes.Add(11, 111);
  codes.Add(20, 120);
  codes.Add(21, 121);
  codes.Add(95, 195);
  {  // media link: empty takes translated; set keeps
    TGLienMedia o;
    o.SetCodeID(95);
    o.SetXREFCible(10);
    o.SetXREFMedia(11);
    TGLienMedia e;
    e.Fusionne(&o, &codes);
    EXPECT_EQ(e.GetCodeID(), 195u);
    EXPECT_EQ(e.GetXREFCible(), 110u);
    EXPECT_EQ(e.GetXREFMedia(), 111u);
    TGLienMedia s;
    s.SetXREFCible(5);
    TGRoot* asRoot = &o;
    s.Fusionne(asRoot, &codes);
    EXPECT_EQ(s.GetXREFCible(), 5u);
    EXPECT_EQ(s.GetXREFMedia(), 111u);
  }
  {  // document link
    TGLienDocument o;
    o.SetXREFEvenement(20);
    o.SetXREFDocument(99);  // unmapped
    TGLienDocument e;
    e.Fusionne(&o, &codes);
    EXPECT_EQ(e.GetXREFEvenement(), 120u);
    EXPECT_EQ(e.GetXREFDocument(), 0u);
  }
  {  // frame
    TGMediaCadre o;
    o.SetMediaOrigine(10);
    o.SetIndividu(20);
    o.SetRect({1, 2, 3, 4});
    TGMediaCadre e;
    e.SetMediaDerive(7);
    e.Fusionne(&o, &codes);
    EXPECT_EQ(e.GetMediaOrigine(), 110u);
    EXPECT_EQ(e.GetMediaDerive(), 7u);
    EXPECT_EQ(e.GetIndividu(), 120u);
    EXPECT_EQ(e.GetRect(), (TGRect{1, 2, 3, 4}));
  }
  {  // first name, profession, task, research log, address
    TVGPrenom po;
    po.SetRattachement(10);
    po.SetPrenom("Jean");
    po.SetSexe(1);
    TVGPrenom pe;
    pe.SetPrenom("Jehan");
    pe.Fusionne(&po, &codes);
    EXPECT_EQ(pe.Prenom(), "Jehan");
    EXPECT_EQ(pe.GetRattachement(), 110u);
    EXPECT_EQ(pe.GetSexe(), 1);
    TVGProfession fo;
    fo.SetProfession("Tisserand");
    fo.SetRattachement(11);
    TVGProfession fe;
    fe.Fusionne(&fo, &codes);
    EXPECT_EQ(fe.GetProfession(), "Tisserand");
    EXPECT_EQ(fe.GetRattachement(), 111u);
    TVGTache to;
    to.SetTitre("T");
    to.SetPriorite(2);
    to.SetDateEcheance(5);
    TVGTache te;
    te.SetPriorite(1);
    te.Fusionne(&to, &codes);
    EXPECT_EQ(te.GetTitre(), "T");
    EXPECT_EQ(te.GetPriorite(), 1);
    EXPECT_EQ(te.GetDateEcheance(), 5u);
    TVGRechercheLog lo;
    lo.SetOwner(20);
    lo.SetText1("a");
    TVGRechercheLog le;
    le.Fusionne(&lo, &codes);
    EXPECT_EQ(le.GetOwner(), 120u);
    EXPECT_EQ(le.GetText1(), "a");
    TGAdresse ao = FullAddress();
    ao.SetOldXREFHomme(10);
    TGAdresse ae;
    ae.SetTexte(TGAdresse::kVille, "Tours");
    ae.Fusionne(&ao, &codes);
    EXPECT_EQ(ae.GetTexte(TGAdresse::kVille), "Tours");
    EXPECT_EQ(ae.GetTexte(TGAdresse::kPays), ao.GetTexte(TGAdresse::kPays));
    EXPECT_EQ(ae.GetOldXREFHomme(), 110u);
    EXPECT_EQ(ae.GetOldXREFUnion(), 0u) << "unmapped";
  }
}

}  // namespace
}  // namespace genvora
