// Events written as records, shared events, events of a place and of a
// source; document links, media links and media frames; each store written
// and read back through a real file.
#include <gtest/gtest.h>

#include <algorithm>

#include "TablesTestSupport.h"
#include "records/TGDocument.h"
#include "records/TGEvenement.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGMedia.h"
#include "records/TGMediaCadre.h"
#include "tables/TGTableDocuments.h"
#include "tables/TGTableEvenements.h"
#include "tables/TGTableLiens.h"
#include "tables/TGTableMedias.h"

namespace genvora {
namespace {

TGEvenement Event(CodeID code, CodeID owner, TV5EventList type, int year, CodeID place = 0, const char* sub = "") {
  TGEvenement e;
  e.SetCodeID(code);
  e.SetProprietaire(owner);
  e.SetType(type);
  e.SetDicoLieu(place);
  e.SetText(TGEvenement::kSubdivision, sub);
  if (year != 0) {
    TGDate::dateT block{};
    block.Calendar[0] = block.Calendar[1] = 'G';
    block.Day[0] = 1;
    block.Month[0] = 6;
    block.Year[0] = static_cast<std::int16_t>(year);
    e.SetDateBlock(block);
  }
  return e;
}

std::vector<CodeID> Events(TGTableEvenements& table, CodeID owner) {
  LArray out(4, nullptr, false);
  table.LesEvenementsDe(owner, &out);
  return Codes(out);
}

TEST(EventRecords, RewriteMovesTheEntryAndKeepsTheStoredBytes) {
  TGTableEvenements table;
  TGEvenement birth = Event(10, 1, static_cast<TV5EventList>(4), 1850);
  TGEvenement death = Event(11, 1, static_cast<TV5EventList>(12), 1900);
  TGEvenement undated = Event(12, 1, static_cast<TV5EventList>(20), 0);
  for (TGEvenement* e : {&undated, &death, &birth}) ASSERT_NE(table.EcritData(e), 0);
  EXPECT_EQ(Events(table, 1), (std::vector<CodeID>{10, 11, 12}));

  // Keying must not touch the block: the stored bytes are the record's.
  TGEvenement read;
  ASSERT_TRUE(table.FetchData(10, &read));
  EXPECT_EQ(read.EncodeToString(), birth.EncodeToString());
  EXPECT_EQ(std::memcmp(&read.GetDateBlock(), &birth.GetDateBlock(), sizeof(TGDate::dateT)), 0);

  TGEvenement moved = Event(10, 1, static_cast<TV5EventList>(4), 1950);
  ASSERT_NE(table.EcritData(&moved), 0);
  EXPECT_EQ(Events(table, 1), (std::vector<CodeID>{11, 10, 12}));
  EXPECT_EQ(table.GetIndex()->GetCount(), 3u);

  table.DeleteData(11);
  EXPECT_EQ(Events(table, 1), (std::vector<CodeID>{10, 12}));
  EXPECT_FALSE(table.FetchData(11, &read));

  // A rebuild from the records gives the very index upkeep gave.
  std::vector<unsigned char> before(static_cast<unsigned char*>(table.GetIndex()->GetItemsHandle()),
                                    static_cast<unsigned char*>(table.GetIndex()->GetItemsHandle()) + 32);
  table.ReIndex();
  EXPECT_EQ(std::memcmp(before.data(), table.GetIndex()->GetItemsHandle(), 32), 0);
}

TEST(EventRecords, SharedEventsComeAfterTheOwnOnesOnlyWhenShared) {
  TGTableEvenements table;
  TGTableLiens liens;
  table.SetTableLiens(&liens);
  TGEvenement own = Event(10, 2, static_cast<TV5EventList>(4), 1850);
  TGEvenement shared = Event(20, 1, static_cast<TV5EventList>(40), 1870);
  shared.SetPartage(true);
  TGEvenement notShared = Event(21, 1, static_cast<TV5EventList>(41), 1871);
  for (TGEvenement* e : {&own, &shared, &notShared}) ASSERT_NE(table.EcritData(e), 0);
  // Witness links: the event starts the link, the individual ends it.
  CodeID code = 100;
  for (CodeID event : {20u, 21u, 20u}) {
    TGLien lien;
    lien.SetCodeID(code++);
    lien.SetLienDe(event);
    lien.SetLienVers(2);
    lien.SetType(101);
    ASSERT_NE(liens.EcritData(&lien), 0);
  }
  EXPECT_EQ(Events(table, 2), (std::vector<CodeID>{10, 20}));
  EXPECT_EQ(Events(table, 1), (std::vector<CodeID>{20, 21}));
}

TEST(EventRecords, EventsOfAPlaceWithSubdivision) {
  TGTableEvenements table;
  TGEvenement a = Event(1, 9, static_cast<TV5EventList>(4), 1850, 500, "rue Haute");
  TGEvenement b = Event(2, 9, static_cast<TV5EventList>(4), 1851, 500, "");
  TGEvenement c = Event(3, 9, static_cast<TV5EventList>(4), 1852, 501, "rue Basse");
  TGEvenement d = Event(4, 9, static_cast<TV5EventList>(4), 1853, 500, "place");
  for (TGEvenement* e : {&a, &b, &c, &d}) ASSERT_NE(table.EcritData(e), 0);
  LArray out(4, nullptr, false);
  table.LesEvenementsDuLieuAvecSubdivision(500, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{1, 4}));
}

class Sources : public ::testing::Test {
 protected:
  CodeID Cite(CodeID link, CodeID event, CodeID document) {
    TGLienDocument lien;
    lien.SetCodeID(link);
    lien.SetXREFEvenement(event);
    lien.SetXREFDocument(document);
    lien.SetCitation("folio 3");
    EXPECT_NE(documents.GetLiens()->EcritData(&lien), 0);
    return link;
  }
  void Document(CodeID code, const char* title) {
    TGDocument d;
    d.SetCodeID(code);
    d.SetText(0, title);
    ASSERT_NE(documents.EcritData(&d), 0);
  }
  TGTableDocuments documents;
};

TEST_F(Sources, LinksAnswerBothWaysAndMoveWithTheirRecord) {
  Document(50, "acte de naissance");
  Document(51, "recensement");
  Cite(900, 10, 50);
  Cite(901, 11, 50);
  Cite(902, 10, 51);
  Cite(903, 10, 50);  // the event already cites 50: no second entry
  TGTableLienDocuments& liens = *documents.GetLiens();
  LArray out(4, nullptr, false);
  liens.DocumentDe(10, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{50, 51}));
  EXPECT_EQ(liens.IDDuLien(10, 50), 900u);
  out.Flush();
  EXPECT_EQ(liens.EvenementDe(50, &out), 2);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{10, 11}));

  TGTableEvenements events;
  out.Flush();
  EXPECT_EQ(events.LesEvenementsDeLaSource(51, &out, &liens), 1);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{10}));

  Cite(901, 12, 50);  // the link now cites for event 12
  liens.DocumentDe(11, &out);
  EXPECT_EQ(out.GetCount(), 0u);
  EXPECT_EQ(liens.IDDuLien(12, 50), 901u);

  EXPECT_FALSE(documents.OkToDelete(50));
  EXPECT_TRUE(liens.RemoveLink(10, 51));
  EXPECT_FALSE(liens.RemoveLink(10, 51));
  documents.DeleteData(50);
  EXPECT_EQ(liens.GetIndex()->GetCount(), 0u);
  EXPECT_EQ(liens.IDDuLien(12, 50), 0u);
  EXPECT_TRUE(documents.OkToDelete(51));
}

TEST_F(Sources, DocumentsAndTheirLinkIndexComeBackByteForByte) {
  Document(50, "acte");
  Document(51, "registre");
  for (CodeID i = 0; i < 40; ++i) Cite(1000 + i, 40 - i, 50 + (i % 2));
  TempDir dir;
  TGTableDocuments fresh;
  const auto [first, second] = RoundTrip(documents, fresh, dir);
  EXPECT_EQ(first, second);
  LArray out(4, nullptr, false);
  fresh.GetLiens()->DocumentDe(7, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{51}));
  // The rebuilt index is the one upkeep kept.
  const unsigned bytes = fresh.GetLiens()->GetIndex()->GetDataSize();
  std::vector<unsigned char> kept(static_cast<unsigned char*>(fresh.GetLiens()->GetIndex()->GetItemsHandle()),
                                  static_cast<unsigned char*>(fresh.GetLiens()->GetIndex()->GetItemsHandle()) + bytes);
  fresh.GetLiens()->ReIndex();
  EXPECT_EQ(std::memcmp(kept.data(), fresh.GetLiens()->GetIndex()->GetItemsHandle(), bytes), 0);
}

TEST(Media, LinksOfAnOwnerBeforeAndAfterAFileAndFrames) {
  TGTableMedias medias;
  for (CodeID code : {70u, 71u, 72u}) {
    TGMedia m;
    m.SetCodeID(code);
    m.SetOriginalFullPath("photo.jpg");
    ASSERT_NE(medias.EcritData(&m), 0);
  }
  auto link = [&](CodeID code, CodeID owner, CodeID media) {
    TGLienMedia l;
    l.SetCodeID(code);
    l.SetXREFCible(owner);
    l.SetXREFMedia(media);
    l.SetGenre(omIndividu);
    ASSERT_NE(medias.GetLiens()->EcritData(&l), 0);
  };
  link(800, 1, 71);
  link(801, 2, 70);
  link(802, 1, 72);
  link(803, 3, 72);
  LArray out(4, nullptr, false);
  EXPECT_TRUE(medias.GetLiens()->LesMediaDeCode(1, &out));
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{71, 72}));
  link(800, 4, 71);  // moved to another owner
  out.Flush();
  medias.GetLiens()->LesMediaDeCode(1, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{72}));
  EXPECT_FALSE(medias.GetLiens()->IDhaveAMedia(9));

  TempDir dir;
  TGTableMedias fresh;
  const auto [first, second] = RoundTrip(medias, fresh, dir);
  EXPECT_EQ(first, second);
  const std::string bytes(first.begin(), first.end());
  EXPECT_NE(bytes.find("TG5LinkMedia-IDList"), std::string::npos);
  EXPECT_NE(bytes.find("TBMedia-IdxOwner-ItemSize"), std::string::npos);
  out.Flush();
  EXPECT_TRUE(fresh.GetLiens()->LesMediaDeCode(4, &out));
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{71}));

  EXPECT_FALSE(fresh.OkToDelete(72));
  fresh.DeleteData(72);
  EXPECT_FALSE(fresh.GetLiens()->IDhaveAMedia(3));
  fresh.GetLiens()->SupprimeLesLiensDe(2);
  EXPECT_TRUE(fresh.OkToDelete(70));

  TGTableMediasCadres cadres;
  auto frame = [&](CodeID code, CodeID origin, CodeID derived, CodeID person) {
    TGMediaCadre c;
    c.SetCodeID(code);
    c.SetMediaOrigine(origin);
    c.SetMediaDerive(derived);
    c.SetIndividu(person);
    ASSERT_NE(cadres.EcritData(&c), 0);
  };
  frame(600, 70, 75, 1);
  frame(601, 70, 76, 2);
  frame(602, 71, 77, 2);
  cadres.GetListFromIDMediaOrigin(70, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{600, 601}));
  EXPECT_EQ(cadres.GetParentID(77), 71u);
  EXPECT_EQ(cadres.GetCadreWithEnfantID(76), 601u);
  cadres.RemoveCadresWithIndiID(2);
  EXPECT_EQ(cadres.GetCount(), 1u);
  cadres.RemoveCadresWithMediaID(75);
  EXPECT_EQ(cadres.GetCount(), 0u);
}

}  // namespace
}  // namespace genvora
