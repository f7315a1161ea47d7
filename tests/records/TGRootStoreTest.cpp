#include <gtest/gtest.h>

#include <cstring>

#include "containers/LXArray.h"
#include "containers/TListeAssociation.h"
#include "platform/Exception.h"
#include "platform/System.h"
#include "records/RecordTestSupport.h"
#include "records/TGLien.h"
#include "records/TGLieu.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"

namespace genvora {
namespace {

constexpr double k1Jan2000 = 36526.0;

std::string Stored(LXArray& store, CodeID code) {
  const unsigned size = store.FetchData(code, nullptr, 0);
  std::string bytes(size, '\0');
  store.FetchData(code, bytes.data(), size);
  return bytes;
}

TEST(TGRootTest, BaseObjectRefusesWhatOnlyRecordsProvide) {
  TGRoot root;
  const struct {
    const char* what;
    void (*call)(TGRoot&);
    const char* key;
  } cases[] = {
      {"GetCodeID", [](TGRoot& r) { (void)r.GetCodeID(); }, "G5vclstrings.RootsPropertiesDenied"},
      {"SetDateLT", [](TGRoot& r) { r.SetDateLT(0, 1); }, "G5vclstrings.RootsPropertiesDenied"},
      {"GetDataSize", [](TGRoot& r) { (void)r.GetDataSize(); }, "G5vclstrings.RootsPropertiesDenied"},
      {"Encode", [](TGRoot& r) { (void)r.EncodeToString(); }, "G5vclstrings.RootsPropertiesDenied"},
      {"Decode", [](TGRoot& r) { r.Decode("x", 1); }, "G5vclstrings.RootsConvertDenied"},
      {"EffaceDe", [](TGRoot& r) { r.EffaceDe(1, nullptr); }, "G5vclstrings.RootsIODenied"},
  };
  for (const auto& c : cases) {
    try {
      c.call(root);
      ADD_FAILURE() << c.what << " did not raise";
    } catch (const EGenvoraError& e) {
      EXPECT_EQ(e.ResourceKey(), c.key) << c.what;
    }
  }
  EXPECT_FALSE(root.GetGriot());
}

TEST(TGRootTest, WritingGivesTheCodeAndStampsTheDays) {
  ScopedClock clock(k1Jan2000 + 0.5);
  LXArray store("TBNom", true);
  TGNom n;
  n.SetNom("Martin");
  n.SetDateLT(1, 10);
  EXPECT_NE(n.EcritDans(42, &store), 0);
  EXPECT_EQ(n.GetCodeID(), 42u);
  EXPECT_EQ(n.GetDateLT(0), 36526u) << "a record without creation day is created today";
  EXPECT_EQ(n.GetDateLT(1), 36526u) << "writing refreshes the modification day";
  EXPECT_EQ(n.GetDateChaine(0), "1/1/2000");

  TGNom kept;
  kept.SetStampOnWrite(false);
  kept.SetDateLT(0, 5);
  kept.SetDateLT(1, 6);
  kept.EcritDans(43, &store);
  EXPECT_EQ(kept.GetDateLT(0), 5u);
  EXPECT_EQ(kept.GetDateLT(1), 6u);

  TGNom other;
  other.SetCodeID(7);
  EXPECT_THROW(
      {
        try {
          other.EcritDans(42, &store);
        } catch (const EGenvoraError& e) {
          EXPECT_EQ(e.ResourceKey(), "G5vclstrings.RootsCodeIDMismatch");
          throw;
        }
      },
      EGenvoraError);
  TGNom reread;
  ASSERT_TRUE(reread.LitDans(42, &store));
  EXPECT_EQ(reread.GetStoredNom(), "Martin") << "a refused write leaves the store unchanged";
}

TEST(TGRootTest, PreciseStampsOfUnionsCarryTheTime) {
  ScopedClock clock(k1Jan2000 + 0.75);
  LXArray store("TBUnion", true);
  TGUnion u;
  u.EcritDans(3, &store);
  EXPECT_EQ(u.GetDateChaine(1), "1/1/2000 18:00:00");
  EXPECT_EQ(u.GetDateModification(), k1Jan2000 + 0.75);
  EXPECT_EQ(u.GetDateLT(1), 36526u);
}

TEST(TGRootTest, ReadingAbsentEmptyAndDamagedEntries) {
  LXArray store("TBLien", true);
  TGLien l;
  l.SetNote("garde");
  EXPECT_FALSE(l.LitDans(5, &store)) << "absent";
  EXPECT_TRUE(l.LastDamage().empty()) << "absent is not damage";
  EXPECT_EQ(l.GetNote(), "garde");

  store.EcritData(6, "", 0);
  EXPECT_TRUE(l.LitDans(6, &store)) << "an empty entry reads as success";
  EXPECT_EQ(l.GetNote(), "garde") << "and leaves the record as it was";

  // Damage: cut inside the base fields, a text without its NUL, a group that
  // ends inside its fields.
  TGLien good;
  good.SetCodeID(9);
  good.SetNote("note");
  good.SetTexteSupplementaire("abc");
  const std::string bytes = good.EncodeToString();
  const struct {
    const char* name;
    std::string entry;
  } damaged[] = {
      {"shorter than the base fields", bytes.substr(0, 12)},
      {"text without NUL", bytes.substr(0, 23)},
      {"group 2 cut", bytes.substr(0, bytes.size() - 1)},
  };
  for (const auto& d : damaged) {
    store.EcritData(9, d.entry.data(), static_cast<unsigned>(d.entry.size()));
    TGLien read;
    read.SetNote("untouched");
    EXPECT_FALSE(read.LitDans(9, &store)) << d.name;
    EXPECT_EQ(read.GetNote(), "untouched") << d.name;
    EXPECT_NE(read.LastDamage().find("offset"), std::string::npos) << d.name << ": " << read.LastDamage();
    EXPECT_EQ(store.FetchData(9, nullptr, 0), d.entry.size()) << d.name << ": reading never removes";
    EXPECT_FALSE(read.LitDans(9, &store)) << d.name;
  }
  EXPECT_TRUE(l.LitDans(6, &store)) << "other entries stay";

  // Bytes after the last group are not damage: stored files hold entries
  // longer than what was encoded.
  const std::string longer = bytes + std::string(200, '\xFF');
  store.EcritData(9, longer.data(), static_cast<unsigned>(longer.size()));
  TGLien read;
  EXPECT_TRUE(read.LitDans(9, &store));
  EXPECT_EQ(read.GetNote(), "note");
  EXPECT_EQ(read.EncodeToString(), bytes);
}

TEST(TGRootTest, EveryRecordRoundTripsThroughTheStoreWithExactBytes) {
  LXArray store("TBMixed", true);
  TGUnion u;
  u.SetEpoux(1);
  u.SetChar(12, "\xC0 l'\xE9glise Saint-\xC9loi \x80");
  u.SetDateLT(0, 40000);
  u.SetPreciseStamp(0, 40000.125);
  TGLien l;
  l.SetType(106);
  l.SetNote("t\xE9moin");
  TGLieu p;
  p.SetText(TGLieu::kVille, "Besan\xE7on");
  p.SetCoordStr(TGLieu::kLatitude, "47.24");
  TGNom n;
  n.SetNom("M\xFCller");
  n.SetTexteSupplementaire("\xDF");

  u.EcritDans(10, &store);
  l.EcritDans(11, &store);
  p.EcritDans(12, &store);
  n.EcritDans(13, &store);
  EXPECT_EQ(Stored(store, 10), u.EncodeToString());
  EXPECT_EQ(Stored(store, 12).size(), p.GetDataSize());

  TGUnion u2;
  TGLien l2;
  TGLieu p2;
  TGNom n2;
  ASSERT_TRUE(u2.LitDans(10, &store));
  ASSERT_TRUE(l2.LitDans(11, &store));
  ASSERT_TRUE(p2.LitDans(12, &store));
  ASSERT_TRUE(n2.LitDans(13, &store));
  EXPECT_EQ(u2.GetChar(12), "\xC0 l'\xE9glise Saint-\xC9loi \x80");
  EXPECT_EQ(u2.GetPreciseStamp(0), 40000.125);
  EXPECT_EQ(u2.GetCodeID(), 10u);
  EXPECT_EQ(l2.GetNote(), "t\xE9moin");
  EXPECT_EQ(l2.GetType(), 106);
  EXPECT_EQ(p2.GetStored(TGLieu::kVille), "Besan\xE7on");
  EXPECT_EQ(p2.GetLatitude(), 47.24);
  EXPECT_EQ(n2.GetStoredNom(), "M\xFCller");
  EXPECT_EQ(n2.GetTexteSupplementaire(), "\xDF");
  // Re-encoding what was read gives the stored bytes again.
  EXPECT_EQ(u2.EncodeToString(), Stored(store, 10));
  EXPECT_EQ(l2.EncodeToString(), Stored(store, 11));
  EXPECT_EQ(p2.EncodeToString(), Stored(store, 12));
  EXPECT_EQ(n2.EncodeToString(), Stored(store, 13));
}

TEST(TGRootTest, TextsHoldingNulAreStoredAsTheReaderCutsThem) {
  TGNom n;
  n.SetNom(std::string("ab\0cd", 5));
  const std::string bytes = n.EncodeToString();
  EXPECT_EQ(bytes.size(), n.GetDataSize());
  TGNom back;
  ASSERT_TRUE(DecodesInto(bytes, back));
  EXPECT_EQ(back.GetStoredNom(), "ab");
}

TEST(TGRootTest, MergesTranslateCodesThroughTheAssociationTable) {
  TListeAssociation codes(8);
  codes.Add(100, 1100);  // the other record's own code
  codes.Add(12, 340);    // a husband
  codes.Add(13, 341);    // a wife
  codes.Add(14, 342);    // an address

  // Union: each row is this union's husband / wife / address before the
  // merge and after it, the other union having 12 / 13 / 14.
  const struct {
    CodeID epoux, epouse, adresse;
    CodeID codeBefore;
    CodeID expEpoux, expEpouse, expAdresse, expCode;
  } unions[] = {
      {0, 0, 0, 0, 340, 341, 342, 1100},   // empty union takes everything translated
      {5, 6, 7, 50, 5, 6, 7, 50},          // set values are kept
      {5, 0, 0, 0, 5, 341, 342, 1100},
  };
  for (const auto& c : unions) {
    TGUnion other;
    other.SetCodeID(100);
    other.SetEpoux(12);
    other.SetEpouse(13);
    other.SetAdresse(14);
    other.SetChar(10, "autre");
    TGUnion u;
    u.SetCodeID(c.codeBefore);
    u.SetEpoux(c.epoux);
    u.SetEpouse(c.epouse);
    u.SetAdresse(c.adresse);
    u.Fusionne(&other, &codes, nullptr);
    EXPECT_EQ(u.GetEpoux(), c.expEpoux);
    EXPECT_EQ(u.GetEpouse(), c.expEpouse);
    EXPECT_EQ(u.GetAdresse(), c.expAdresse);
    EXPECT_EQ(u.GetCodeID(), c.expCode);
    EXPECT_EQ(u.GetChar(10), "autre");
  }
  // A spouse that has no pair leaves the union without code; a spouse the
  // other union lacks as well does not.
  TGUnion unmapped;
  unmapped.SetEpoux(99);
  TGUnion u;
  u.SetCodeID(8);
  u.SetEpouse(3);
  u.Fusionne(&unmapped, &codes, nullptr);
  EXPECT_EQ(u.GetCodeID(), 0u);
  TGUnion wifeOnly;
  wifeOnly.SetEpouse(13);
  TGUnion v;
  v.SetCodeID(8);
  v.SetEpouse(3);
  v.Fusionne(&wifeOnly, &codes, nullptr);
  EXPECT_EQ(v.GetCodeID(), 8u);

  // Link: ends translated when empty, note and title taken when empty.
  TGLien otherLink;
  otherLink.SetCodeID(100);
  otherLink.SetLienDe(12);
  otherLink.SetLienVers(13);
  otherLink.SetNote("vu");
  otherLink.SetTitre("Voisin");
  otherLink.SetType(2);
  const struct {
    CodeID de;
    const char* note;
    liensListT type;
    CodeID expDe;
    const char* expNote;
    const char* expStoredTitle;
  } links[] = {
      {0, "", 0, 340, "vu", "Voisin"},      // no type wording: the other's title is taken
      {7, "mien", 0, 7, "mien", "Voisin"},
      {0, "", 8, 340, "vu", ""},            // a typed link has a title already
  };
  for (const auto& c : links) {
    TGLien l;
    l.SetLienDe(c.de);
    l.SetNote(c.note);
    l.SetType(c.type);
    l.Fusionne(&otherLink, &codes);
    EXPECT_EQ(l.GetLienDe(), c.expDe);
    EXPECT_EQ(l.GetLienVers(), 341u);
    EXPECT_EQ(l.GetNote(), c.expNote);
    EXPECT_EQ(l.GetStoredTitre(), c.expStoredTitle);
    EXPECT_EQ(l.GetType(), c.type) << "the type is kept";
    EXPECT_EQ(l.GetCodeID(), 1100u);
  }

  // Place and surname attachments go through the table as well.
  TGLieu otherPlace;
  otherPlace.SetCodeID(100);
  otherPlace.SetRattachement(14);
  otherPlace.SetXRef(12);
  TGLieu place;
  place.Fusionne(&otherPlace, &codes);
  EXPECT_EQ(place.GetRattachement(), 342u);
  EXPECT_EQ(place.GetXRef(), 340u);
  TGLieu attached;
  attached.SetCodeID(2);
  attached.SetRattachement(9);
  attached.Fusionne(&otherPlace, &codes);
  EXPECT_EQ(attached.GetRattachement(), 9u);

  TGNom otherName;
  otherName.SetRattachement(13);
  TGNom name;
  name.SetRattachement(4);
  name.Fusionne(&otherName, &codes);
  EXPECT_EQ(name.GetRattachement(), 341u) << "a surname always takes the other's attachment";
}

}  // namespace
}  // namespace genvora
