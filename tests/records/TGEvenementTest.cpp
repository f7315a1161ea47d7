#include <gtest/gtest.h>

#include <map>

#include "containers/LXArray.h"
#include "containers/TListeAssociation.h"
#include "platform/Preferences.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "records/RecordTestSupport.h"
#include "records/TGEvenement.h"

namespace genvora {
namespace {

TGDate::dateT DateBlock(int day, int month, int year) {
  TGDate::dateT block{};
  TGDate date(&block);
  date.SetCalendar('G', false);
  date.SetDay(day, false);
  date.SetMonth(month, false);
  date.SetYear(year, false);
  return block;
}

TGEvenement FullEvent() {
  TGEvenement e;
  e.SetCodeID(900);
  e.SetDateLT(0, 36000);
  e.SetDateLT(1, 36500);
  e.SetProprietaire(17);
  e.SetType(evIBIRT);
  e.SetDicoLieu(33);
  e.SetDateBlock(DateBlock(14, 7, 1789));
  e.SetText(0, "texte libre");
  e.SetText(1, "Faubourg Saint-\xC9tienne");  // Windows-1252 accents
  e.SetText(2, "Naissance \xE0 la maison");
  e.SetCertitude("A");
  e.SetText(3, "0 jour");
  e.SetText(4, "pr\xE9matur\xE9");
  e.SetRechercheActe(2);
  e.SetGriot(true);
  e.SetExportable(true);
  e.SetConfidentiel(true);
  e.SetText(5, "1 jour");
  e.SetPreciseStamp(0, 36000.25);
  e.SetPreciseStamp(1, 36500.75);
  e.SetPartage(true);
  return e;
}

void ExpectSameEvent(const TGEvenement& a, const TGEvenement& b) {
  EXPECT_EQ(a.GetCodeID(), b.GetCodeID());
  EXPECT_EQ(a.GetDateLT(0), b.GetDateLT(0));
  EXPECT_EQ(a.GetDateLT(1), b.GetDateLT(1));
  EXPECT_EQ(a.GetProprietaire(), b.GetProprietaire());
  EXPECT_EQ(a.GetType(), b.GetType());
  EXPECT_EQ(a.GetDicoLieu(), b.GetDicoLieu());
  EXPECT_EQ(0, std::memcmp(&a.GetDateBlock(), &b.GetDateBlock(), TGDate::kBlockSize));
  for (int s = 0; s <= 5; ++s) EXPECT_EQ(a.GetText(s), b.GetText(s)) << "slot " << s;
  EXPECT_EQ(a.GetCertitude(), b.GetCertitude());
  EXPECT_EQ(a.GetRechercheActe(), b.GetRechercheActe());
  EXPECT_EQ(a.GetGriot(), b.GetGriot());
  EXPECT_EQ(a.GetExportable(), b.GetExportable());
  EXPECT_EQ(a.GetConfidentiel(), b.GetConfidentiel());
  EXPECT_EQ(a.GetPreciseStamp(0), b.GetPreciseStamp(0));
  EXPECT_EQ(a.GetPreciseStamp(1), b.GetPreciseStamp(1));
  EXPECT_EQ(a.GetPartage(), b.GetPartage());
}

TEST(TGEvenementTest, NewEventDefaults) {
  TGEvenement e;
  EXPECT_EQ(e.GetType(), evAucun);
  EXPECT_EQ(e.GetCodeID(), 0u);
  EXPECT_EQ(e.GetPreciseStamp(0), 0.0);
  EXPECT_TRUE(e.GetDate()->EstVide());
  EXPECT_EQ(e.GetDataSize(), 82u);
  EXPECT_EQ(e.EncodeToString().size(), 81u) << "no certitude: one byte under the upper bound";
}

TEST(TGEvenementTest, RoundTripThroughTheStoreKeepsEveryField) {
  ScopedClock clock(45000.5);
  LXArray store("TBEvenement", true);
  TGEvenement e = FullEvent();
  e.SetStampOnWrite(false);
  ASSERT_NE(e.EcritDans(900, &store), 0);
  EXPECT_EQ(store.FetchData(900, nullptr, 0), e.GetDataSize()) << "with certitude the bound is exact";
  TGEvenement back;
  ASSERT_TRUE(back.LitDans(900, &store));
  ExpectSameEvent(e, back);
  EXPECT_EQ(back.GetSubdivision(), "Faubourg Saint-\xC9tienne");
  EXPECT_EQ(back.GetDate()->GetYear(false), 1789) << "the date object wraps the decoded block";

  // Without certitude the entry holds exactly what Encode wrote.
  back.SetCertitude("");
  ASSERT_NE(back.EcritDans(900, &store), 0);
  EXPECT_EQ(store.FetchData(900, nullptr, 0), back.GetDataSize() - 1);
  TGEvenement again;
  ASSERT_TRUE(again.LitDans(900, &store));
  EXPECT_EQ(again.GetCertitude(), "");
  EXPECT_EQ(again.GetPartage(), true);
  EXPECT_EQ(again.GetPreciseStamp(1), 45000.5) << "stamped on write";
  EXPECT_EQ(again.GetDateLT(1), 45000u) << "legacy day kept in step";
}

TEST(TGEvenementTest, CopiesWrapTheirOwnDateBlock) {
  TGEvenement a = FullEvent();
  TGEvenement b = a;
  b.GetDate()->SetYear(1800, false);
  EXPECT_EQ(a.GetDate()->GetYear(false), 1789);
  a = b;
  EXPECT_EQ(a.GetDate()->GetYear(false), 1800);
  EXPECT_EQ(&a.GetDate()->Block(), &a.GetDateBlock());
}

// The oldest layout: ends right after Exportable.
std::string OldestEventBytes() {
  std::string b;
  ByteWriter w(b);
  w.U32(12);           // 0: CodeID
  w.U32(30000);        // 4: DateCreation
  w.U32(30001);        // 8: DateModification
  w.U32(5);            // 12: Proprietaire
  w.U8(12);            // 16: Type (death)
  w.U32(8);            // 17: DicoLieu
  const TGDate::dateT block = DateBlock(2, 3, 1850);
  w.Bytes(&block, 32);  // 21: date block
  w.CString("");       // 53: slot 0
  w.CString("rue \xE9" "cole");  // slot 1
  w.CString("");       // slot 2
  w.CString("B");      // certitude
  w.CString("45 ans"); // slot 3
  w.CString("");       // slot 4
  w.U8(1);             // RechercheActe
  w.U8(0);             // Griot
  w.U8(1);             // Exportable  <- end of the base fields
  return b;
}

TEST(TGEvenementTest, OlderLayoutsGiveTheDefaultsOfTheMissingGroups) {
  const std::string oldest = OldestEventBytes();
  std::string withConf = oldest + '\x01';                        // group 2: Confidentiel
  std::string withSlot5 = withConf + std::string("2 ans") + '\0';  // group 3: slot 5
  std::string withStamps = withSlot5;                            // group 4: two stamps
  ByteWriter(withStamps).F64(30000.5);
  ByteWriter(withStamps).F64(30001.5);
  const struct {
    const std::string* bytes;
    bool conf;
    const char* slot5;
    double created;
  } cases[] = {{&oldest, false, "", 0.0}, {&withConf, true, "", 0.0}, {&withSlot5, true, "2 ans", 0.0},
               {&withStamps, true, "2 ans", 30000.5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes->size());
    TGEvenement e = FullEvent();
    ASSERT_TRUE(DecodesInto(*c.bytes, e));
    EXPECT_EQ(e.GetCodeID(), 12u);
    EXPECT_EQ(e.GetType(), evIDEAT);
    EXPECT_EQ(e.GetSubdivision(), "rue \xE9" "cole");
    EXPECT_EQ(e.GetCertitude(), "B");
    EXPECT_EQ(e.GetAgeSurActe(), "45 ans");
    EXPECT_EQ(e.GetRechercheActe(), 1);
    EXPECT_TRUE(e.GetExportable());
    EXPECT_EQ(e.GetConfidentiel(), c.conf);
    EXPECT_EQ(e.GetAgeSurActe2(), c.slot5);
    EXPECT_EQ(e.GetPreciseStamp(0), c.created);
    EXPECT_FALSE(e.GetPartage());
    // Saved again, it takes the full layout.
    EXPECT_EQ(e.EncodeToString().size(), e.GetDataSize());
  }
}

TEST(TGEvenementTest, TruncatedOrOversizedEntriesAreRefused) {
  const std::string full = FullEvent().EncodeToString();
  // Group boundaries of the full event: base fields end 1 + 7 + 16 + 1
  // bytes before the end (Partage, stamps, slot 5 "1 jour", Confidentiel).
  const std::size_t end = full.size();
  const std::size_t afterStamps = end - 1;
  const std::size_t afterSlot5 = afterStamps - 16;
  const std::size_t afterConf = afterSlot5 - 7;
  const std::size_t afterBase = afterConf - 1;
  ExpectDecodesOnlyAt<TGEvenement>(full, {afterBase, afterConf, afterSlot5, afterStamps, end});
}

TEST(TGEvenementTest, DamagedEntryIsReportedAndKept) {
  LXArray store("TBEvenement", true);
  const std::string full = FullEvent().EncodeToString();
  const std::string cut = full.substr(0, full.size() - 9);  // inside the stamps
  store.EcritData(900, cut.data(), static_cast<unsigned>(cut.size()));
  TGEvenement e;
  EXPECT_FALSE(e.LitDans(900, &store));
  EXPECT_FALSE(e.LastDamage().empty());
  EXPECT_EQ(store.FetchData(900, nullptr, 0), cut.size()) << "reading leaves the entry for the repair";
  EXPECT_FALSE(e.LitDans(900, &store));
}

TEST(TGEvenementTest, LongCertitudeKeepsItsFirstCharacter) {
  TGEvenement e;
  e.SetCertitude("XYZ");
  EXPECT_EQ(e.GetCertitude(), "X");
  // A stored certitude of several characters (never written by the program)
  // is read to its first character instead of overrunning its buffer.
  std::string bytes = OldestEventBytes();
  const std::size_t at = bytes.find(std::string("B\0", 2));
  ASSERT_NE(at, std::string::npos);
  bytes.insert(at + 1, "CDEFGH");
  TGEvenement back;
  ASSERT_TRUE(DecodesInto(bytes, back));
  EXPECT_EQ(back.GetCertitude(), "B");
  EXPECT_EQ(back.GetAgeSurActe(), "45 ans");
}

TEST(TGEvenementTest, TextsAndIcons) {
  TGEvenement e;
  e.SetText(3, "  12 ans \t");
  EXPECT_EQ(e.GetAgeSurActe(), "12 ans");
  e.SetText(6, "ignored");
  e.SetText(-1, "ignored");
  EXPECT_EQ(e.GetText(6), "");
  const int icons[][2] = {{0, 89}, {1, 28}, {2, 90}, {3, -1}, {255, -1}};
  for (const auto& i : icons) {
    e.SetRechercheActe(static_cast<std::uint8_t>(i[0]));
    EXPECT_EQ(e.GetRechercheActeIconIndex(), i[1]);
  }
  e.SetType(static_cast<TV5EventList>(84));
  EXPECT_FALSE(e.EstEvenementUnion());
  EXPECT_TRUE(IsUnionEvent(e.GetType()));
  e.SetType(evUMARR);
  EXPECT_TRUE(e.EstEvenementUnion());
  EXPECT_TRUE(e.EstMajeur());
  EXPECT_EQ(e.GetIconIndex(), 48);
}

TEST(TGEvenementTest, TitleAndSymbol) {
  ScopedResourceLanguage fr(Language::French);
  ScopedPrefs prefs;
  prefs->EventNames1.assign(60, "");
  prefs->EventNames1[4] = "Naissance";
  TGEvenement e;
  e.SetType(evIBIRT);
  EXPECT_EQ(e.GetTitre(), "Naissance");
  e.SetText(2, "Naissance");
  EXPECT_EQ(e.GetTitre(), "Naissance") << "the standard name";
  e.SetText(2, "Naissance au ch\xE2teau");
  EXPECT_EQ(e.GetTitre(), "Naissance au ch\xE2teau");
  EXPECT_EQ(e.GetSymbole(), LoadResString("G5vclstrings.evIBIRTS"));
  e.SetType(evUPACS);
  EXPECT_EQ(e.GetSymbole(), "xP");
  EXPECT_EQ(e.GetIconIndex(), -1);
  EXPECT_TRUE(e.EstMajeur());
  e.SetType(static_cast<TV5EventList>(36));
  e.SetText(2, "Pr\xE9sentation");
  EXPECT_EQ(e.GetTypeStr(), "");
  EXPECT_EQ(e.GetSymbole(), "Pr\xE9sentation") << "no symbol: the title";
}

TEST(TGEvenementTest, TypeFromText) {
  ScopedResourceLanguage fr(Language::French);
  const struct {
    AnsiString text;
    int type;
  } cases[] = {
      {"N", 4},
      {" D ", 12},
      {"P", 69},
      {LoadResString("G5vclstrings.evUMARRL"), 61},
      {LoadResString("G5vclstrings.evIBAPLL"), 0},
      {LoadResString("G13str.pacs"), 69},
      {LoadResString("G5vclstrings.evUEVENL"), 57},
      {LoadResString("G15str.evpReunionFamille"), 39},
  };
  for (const auto& c : cases) {
    TGEvenement e;
    EXPECT_TRUE(e.SetTypeFromString(c.text)) << c.text;
    EXPECT_EQ(e.GetType(), c.type) << c.text;
  }
  // Unknown texts, and the long names that are reached by shorthand only.
  for (const AnsiString& text : {AnsiString("Couronnement"), LoadResString("G5vclstrings.evIBIRTL"),
                                 LoadResString("G5vclstrings.evIEVENL"), LoadResString("G5vclstrings.evUADOPTL")}) {
    TGEvenement e;
    e.SetType(evIMILIT);
    EXPECT_FALSE(e.SetTypeFromString(text)) << text;
    EXPECT_EQ(e.GetType(), evIMILIT) << text;
  }
}

TEST(TGEvenementTest, StampTexts) {
  TGEvenement e;
  e.SetDateLT(0, 36526);
  EXPECT_EQ(e.GetDateChaine(0), "1/1/2000");
  e.SetPreciseStamp(0, 36526.5);
  EXPECT_EQ(e.GetDateChaine(0), "1/1/2000 12:00:00");
  e.SetDateLT(1, 36527);
  EXPECT_EQ(e.GetDateModification(), 36527.0);
  e.SetPreciseStamp(1, 36528.25);
  EXPECT_EQ(e.GetDateModification(), 36528.25);
}

class FakeNotes : public IEventNoteTable {
 public:
  bool GetNote(CodeID owner, AnsiString& text, bool& prive) override {
    auto it = notes.find(owner);
    if (it == notes.end()) return false;
    text = it->second.first;
    prive = it->second.second;
    return true;
  }
  void SetNote(CodeID owner, const AnsiString& text, bool prive) override { notes[owner] = {text, prive}; }
  void DeleteNote(CodeID owner) override { notes.erase(owner); }
  std::map<CodeID, std::pair<AnsiString, bool>> notes;
};

TEST(TGEvenementTest, MergeCases) {
  TListeAssociation codes(8);
  codes.Add(900, 1900);
  codes.Add(17, 1017);
  codes.Add(33, 1033);
  const TGEvenement other = FullEvent();  // code 900, owner 17, place 33

  {  // An empty event takes everything the merge takes, translated.
    TGEvenement e;
    e.SetType(evIBIRT);
    TGEvenement o = other;
    e.Fusionne(&o, &codes, nullptr);
    EXPECT_EQ(e.GetCodeID(), 1900u);
    EXPECT_EQ(e.GetProprietaire(), 1017u);
    EXPECT_EQ(e.GetDicoLieu(), 1033u);
    EXPECT_EQ(e.GetAgeSurActe(), "0 jour");
    EXPECT_EQ(e.GetCause(), "pr\xE9matur\xE9");
    EXPECT_EQ(e.GetCertitude(), "A");
    EXPECT_EQ(e.GetSubdivision(), "Faubourg Saint-\xC9tienne");
    EXPECT_EQ(e.GetRechercheActe(), 2);
    EXPECT_EQ(e.GetDate()->GetYear(false), 1789);
    EXPECT_EQ(e.GetText(2), e.GetTypeStr()) << "the title is written out";
    EXPECT_EQ(e.GetText(0), "") << "slot 0 is not merged";
    EXPECT_FALSE(e.GetConfidentiel());
  }
  {  // A set event keeps its own values; the search status always follows.
    TGEvenement e;
    e.SetCodeID(5);
    e.SetProprietaire(6);
    e.SetDicoLieu(7);
    e.SetText(3, "mine");
    e.SetText(4, "mine");
    e.SetText(1, "mine");
    e.SetCertitude("Z");
    e.SetRechercheActe(0);
    e.SetDateBlock(DateBlock(0, 0, 1789));
    TGEvenement o = other;
    e.Fusionne(&o, &codes, nullptr);
    EXPECT_EQ(e.GetCodeID(), 5u);
    EXPECT_EQ(e.GetProprietaire(), 6u);
    EXPECT_EQ(e.GetDicoLieu(), 7u);
    EXPECT_EQ(e.GetAgeSurActe(), "mine");
    EXPECT_EQ(e.GetCertitude(), "Z");
    EXPECT_EQ(e.GetSubdivision(), "mine");
    EXPECT_EQ(e.GetRechercheActe(), 2);
    EXPECT_EQ(e.GetDate()->GetMonth(false), 7) << "finer date fields of the same year";
  }
  {  // Unmapped codes give 0.
    TGEvenement e;
    TGEvenement o = other;
    o.SetDicoLieu(99);
    e.Fusionne(&o, &codes, nullptr);
    EXPECT_EQ(e.GetDicoLieu(), 0u);
  }
}

TEST(TGEvenementTest, MergeMovesTheOtherNoteOnlyWhenThisHasNone) {
  const struct {
    bool mine;
    bool theirs;
    const char* expectMine;
    bool theirsLeft;
  } cases[] = {{false, true, "leur note", false}, {true, true, "ma note", true}, {false, false, nullptr, false},
               {true, false, "ma note", false}};
  for (const auto& c : cases) {
    FakeNotes notes;
    if (c.mine) notes.SetNote(1, "ma note", false);
    if (c.theirs) notes.SetNote(2, "leur note", true);
    TGEvenement e;
    e.SetCodeID(1);
    TGEvenement o;
    o.SetCodeID(2);
    e.Fusionne(&o, nullptr, &notes);
    if (c.expectMine == nullptr) {
      EXPECT_EQ(notes.notes.count(1), 0u);
    } else {
      ASSERT_EQ(notes.notes.count(1), 1u);
      EXPECT_EQ(notes.notes[1].first, c.expectMine);
      if (!c.mine) {
        EXPECT_TRUE(notes.notes[1].second) << "the private flag moves too";
      }
    }
    EXPECT_EQ(notes.notes.count(2), c.theirsLeft ? 1u : 0u);
  }
}

}  // namespace
}  // namespace genvora
