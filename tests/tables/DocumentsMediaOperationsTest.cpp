// Documents replaced, found and imported; media renumbered, found by path,
// removed with their owner and imported with their links and frames; the
// in-memory orders against the scans they replace; each changed table
// written to a real file and read back byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "TablesTestSupport.h"
#include "records/TGDocument.h"
#include "records/TGLienRoot.h"
#include "records/TGMedia.h"
#include "records/TGMediaCadre.h"
#include "tables/TGTableDocuments.h"
#include "tables/TGTableMedias.h"

namespace genvora {
namespace {

class Documents : public ::testing::Test {
 protected:
  void Cite(CodeID link, CodeID event, CodeID document, const char* citation = "") {
    TGLienDocument lien;
    lien.SetCodeID(link);
    lien.SetXREFEvenement(event);
    lien.SetXREFDocument(document);
    lien.SetCitation(citation);
    ASSERT_NE(documents.GetLiens()->EcritData(&lien), 0);
  }
  static TGDocument Make(const char* title, const char* cote = "") {
    TGDocument d;
    d.SetText(0, title);
    d.SetText(2, cote);
    return d;
  }
  void Store(CodeID code, const char* title) {
    TGDocument d = Make(title);
    d.SetCodeID(code);
    ASSERT_NE(documents.EcritData(&d), 0);
  }
  std::vector<CodeID> EventsOf(CodeID document) {
    LArray out(4, nullptr, false);
    documents.GetLiens()->EvenementDe(document, &out);
    return Codes(out);
  }
  TGTableDocuments documents;
  CounterCodes codes{5000};
};

TEST_F(Documents, ReplaceMovesLinksWithoutCitingTwice) {
  Store(50, "acte de naissance");
  Store(51, "registre paroissial");
  Cite(900, 10, 50, "folio 12");
  Cite(901, 11, 50, "folio 13");
  Cite(902, 11, 51, "page 4");  // event 11 already cites the target
  Cite(903, 12, 51);
  ASSERT_TRUE(documents.ReplaceDoc(50, 51));

  TGTableLienDocuments& liens = *documents.GetLiens();
  EXPECT_EQ(StoreItemOf(documents, 50), 0u) << "the replaced document is gone";
  EXPECT_EQ(EventsOf(51), (std::vector<CodeID>{10, 11, 12}));
  EXPECT_TRUE(EventsOf(50).empty());
  // Event 10's own link now names the target; event 11 keeps its link to
  // the target and loses the one that cited the old document.
  EXPECT_EQ(liens.IDDuLien(10, 51), 900u);
  EXPECT_EQ(liens.IDDuLien(11, 51), 902u);
  TGLienDocument read;
  ASSERT_TRUE(liens.FetchData(900, &read));
  EXPECT_EQ(read.GetXREFDocument(), 51u);
  EXPECT_EQ(read.GetCitation(), "folio 12");
  EXPECT_FALSE(liens.FetchData(901, &read));
  EXPECT_EQ(liens.GetCount(), 3u);
  EXPECT_EQ(liens.GetIndex()->GetCount(), 3u);

  // Refusals change nothing.
  EXPECT_FALSE(documents.ReplaceDoc(51, 51));
  EXPECT_FALSE(documents.ReplaceDoc(51, 77));
  EXPECT_FALSE(documents.ReplaceDoc(77, 51));
  EXPECT_EQ(EventsOf(51), (std::vector<CodeID>{10, 11, 12}));

  TempDir dir;
  TGTableDocuments fresh;
  const auto [a, b] = RoundTrip(documents, fresh, dir);
  EXPECT_EQ(a, b);
  LArray out(4, nullptr, false);
  EXPECT_EQ(fresh.GetLiens()->EvenementDe(51, &out), 3);
  EXPECT_FALSE(fresh.OkToDelete(51));
}

// An index read from a damaged file may be out of order: the events of a
// document then come from the scan, in the order the index holds them.
TEST_F(Documents, AnIndexOutOfOrderIsScanned) {
  Cite(900, 30, 50);
  Cite(901, 10, 50);
  LArray& index = *documents.GetLiens()->GetIndex();
  index.SetKeepSorted(false);
  const std::uint32_t late[3] = {5, 50, 902};
  const std::uint32_t huge[3] = {0x90000000u, 50, 903};
  index.AddItem(late, 12);
  index.AddItem(huge, 12);
  EXPECT_EQ(EventsOf(50), (std::vector<CodeID>{10, 30, 5, 0x90000000u}));
}

TEST_F(Documents, MetAJourFindsTheIdenticalDocumentAlsoAfterAFile) {
  TGDocument first = Make("recensement 1851", "6 M 12");
  const CodeID code = documents.MetAJour(first, &codes);
  ASSERT_EQ(code, 5000u);
  TGDocument same = Make("recensement 1851", "6 M 12");
  same.SetDateLT(0, 12345);  // days are not content
  EXPECT_EQ(documents.MetAJour(same, &codes), code);
  EXPECT_EQ(same.GetCodeID(), code);
  TGDocument other = Make("recensement 1851", "6 M 13");
  EXPECT_EQ(documents.MetAJour(other, &codes), 5001u);
  EXPECT_EQ(documents.GetCount(), 2u);

  // A rewrite changes what the document is identical to.
  first.SetText(2, "6 M 99");
  ASSERT_NE(documents.EcritData(&first), 0);
  TGDocument again = Make("recensement 1851", "6 M 12");
  EXPECT_EQ(documents.MetAJour(again, &codes), 5002u);

  TempDir dir;
  TGTableDocuments fresh;
  const auto [a, b] = RoundTrip(documents, fresh, dir);
  EXPECT_EQ(a, b);
  TGDocument probe = Make("recensement 1851", "6 M 99");
  EXPECT_EQ(fresh.MetAJour(probe, nullptr), 5000u) << "learnt from the file";
  TGDocument absent = Make("absent");
  EXPECT_EQ(fresh.MetAJour(absent, nullptr), 0u) << "no allocator: nothing created";
}

// The order by document answers what the scan of "TBDoc-IdxDoc" answered,
// whatever sequence of changes led there.
TEST_F(Documents, EventsOfADocumentFollowTheIndexThroughChanges) {
  for (CodeID d = 50; d < 55; ++d) Store(d, "doc");
  std::mt19937 random(7);
  TGTableLienDocuments& liens = *documents.GetLiens();
  CodeID nextLink = 1000;
  for (int step = 0; step < 400; ++step) {
    const CodeID event = 10 + random() % 30;
    const CodeID document = 50 + random() % 5;
    switch (random() % 5) {
      case 0:
      case 1: Cite(nextLink++, event, document); break;
      case 2: liens.RemoveLink(event, document); break;
      case 3: {
        const CodeID link = liens.IDDuLien(event, document);
        if (link != 0) liens.DeleteData(link);
        break;
      }
      case 4:
        if (step % 50 == 0) liens.ReplaceLienDoc(document, 50 + (document - 49) % 5);
        break;
    }
    if (step % 20 != 0) continue;
    for (CodeID d = 50; d < 55; ++d) {
      std::vector<CodeID> scanned;
      const LArray& index = *liens.GetIndex();
      for (int i = 1; i <= static_cast<int>(index.GetCount()); ++i)
        if (ItemWord(index.GetItemPtr(i), 1) == d) scanned.push_back(ItemWord(index.GetItemPtr(i), 0));
      ASSERT_EQ(EventsOf(d), scanned) << "step " << step << ", document " << d;
    }
  }
}

TEST_F(Documents, ImportCopiesDocumentsThenTheLinksOfImportedEvents) {
  Store(50, "acte");
  TGTableDocuments source;
  for (CodeID code : {60u, 61u}) {
    TGDocument d = Make(code == 60 ? "acte" : "registre");
    d.SetCodeID(code);
    d.SetDateLT(0, 40000);
    d.SetStampOnWrite(false);
    ASSERT_NE(source.EcritData(&d), 0);
  }
  TGLienDocument lien;
  // 703 cites what 700 cites: imported once.
  for (auto [link, event, document] :
       {std::array<CodeID, 3>{700, 20, 60}, {701, 21, 61}, {702, 99, 61}, {703, 20, 60}, {704, 20, 61}}) {
    lien.SetCodeID(link);
    lien.SetXREFEvenement(event);
    lien.SetXREFDocument(document);
    ASSERT_NE(source.GetLiens()->EcritData(&lien), 0);
  }
  CodeMap map;
  EXPECT_EQ(documents.Importer(source, &codes, map), 2);
  EXPECT_EQ(map, (CodeMap{{60, 5000}, {61, 5001}})) << "documents are copied, not unified";
  TGDocument read;
  ASSERT_TRUE(documents.FetchData(5000, &read));
  EXPECT_EQ(read.GetText(0), "acte");
  EXPECT_EQ(read.GetDateLT(0), 40000u);

  // The caller imported events 20 and 21, not 99; 3021 cites a document here.
  map[20] = 3020;
  map[21] = 3021;
  Cite(600, 3021, 50);
  Cite(601, 3050, 50);
  EXPECT_EQ(documents.GetLiens()->Importer(*source.GetLiens(), &codes, map), 3);
  EXPECT_EQ(EventsOf(5000), (std::vector<CodeID>{3020}));
  EXPECT_EQ(EventsOf(5001), (std::vector<CodeID>{3020, 3021}));
  EXPECT_EQ(map.at(700), 5002u);
  EXPECT_EQ(map.count(702), 0u);
  EXPECT_EQ(map.count(703), 0u);
  LArray cited(4, nullptr, false);
  documents.GetLiens()->DocumentDe(3021, &cited);
  EXPECT_EQ(Codes(cited), (std::vector<CodeID>{50, 5001})) << "after the event's own entries";
  // The merged index is the one a rebuild from the records gives.
  const LArray& index = *documents.GetLiens()->GetIndex();
  const std::string merged(static_cast<const char*>(index.GetItemsHandle()), index.GetDataSize());
  documents.GetLiens()->ReIndex();
  EXPECT_EQ(std::string(static_cast<const char*>(index.GetItemsHandle()), index.GetDataSize()), merged);
}

class Medias : public ::testing::Test {
 protected:
  Medias() { medias.SetCadres(&cadres); }
  void Media(CodeID code, const char* path) {
    TGMedia m;
    m.SetCodeID(code);
    m.SetOriginalFullPath(path);
    ASSERT_NE(medias.EcritData(&m), 0);
  }
  void Link(CodeID code, CodeID owner, CodeID media) {
    TGLienMedia l;
    l.SetCodeID(code);
    l.SetXREFCible(owner);
    l.SetXREFMedia(media);
    l.SetGenre(omIndividu);
    ASSERT_NE(medias.GetLiens()->EcritData(&l), 0);
  }
  void Frame(CodeID code, CodeID origin, CodeID derived, CodeID person) {
    TGMediaCadre c;
    c.SetCodeID(code);
    c.SetMediaOrigine(origin);
    c.SetMediaDerive(derived);
    c.SetIndividu(person);
    c.SetRect({1, 2, 30, 40});
    ASSERT_NE(cadres.EcritData(&c), 0);
  }
  std::vector<CodeID> MediaOf(CodeID owner) {
    LArray out(4, nullptr, false);
    medias.GetLiens()->LesMediaDeCode(owner, &out);
    return Codes(out);
  }
  std::vector<CodeID> OwnersOf(CodeID media) {
    LArray out(4, nullptr, false);
    medias.GetLiens()->LesCodesLiesAuMedia(media, &out);
    return Codes(out);
  }
  std::vector<CodeID> FramesFrom(CodeID media) {
    LArray out(4, nullptr, false);
    cadres.GetListFromIDMediaOrigin(media, &out);
    return Codes(out);
  }
  TGTableMedias medias;
  TGTableMediasCadres cadres;
  CounterCodes codes{5000};
};

TEST_F(Medias, RemplaceCodeIDTakesTheLinksAndFramesAlong) {
  Media(70, "portrait.jpg");
  Media(72, "groupe.jpg");
  Link(800, 1, 70);
  Link(801, 2, 70);
  Link(802, 2, 72);
  Frame(900, 70, 71, 1);  // cut from 70
  Frame(901, 72, 70, 2);  // 70 was made from a frame of 72
  Frame(902, 72, 0, 3);

  ASSERT_TRUE(medias.RemplaceCodeID(70, 4242));
  EXPECT_EQ(StoreItemOf(medias, 70), 0u);
  TGMedia read;
  ASSERT_TRUE(medias.FetchData(4242, &read));
  EXPECT_EQ(read.GetCodeID(), 4242u);
  EXPECT_EQ(read.GetOriginalFullPath(), "portrait.jpg");
  EXPECT_EQ(MediaOf(1), (std::vector<CodeID>{4242}));
  EXPECT_EQ(MediaOf(2), (std::vector<CodeID>{4242, 72}));
  EXPECT_EQ(OwnersOf(4242), (std::vector<CodeID>{1, 2}));
  EXPECT_TRUE(OwnersOf(70).empty());
  EXPECT_EQ(FramesFrom(4242), (std::vector<CodeID>{900}));
  EXPECT_EQ(cadres.GetParentID(4242), 72u);
  EXPECT_EQ(FramesFrom(72), (std::vector<CodeID>{901, 902}));
  EXPECT_EQ(medias.AjouteMediaIfNotExists("PORTRAIT.JPG", &codes), 4242u) << "the path follows the code";

  // Refusals: an absent medium, a taken code, code 0.
  EXPECT_FALSE(medias.RemplaceCodeID(70, 4243));
  EXPECT_FALSE(medias.RemplaceCodeID(4242, 72));
  EXPECT_FALSE(medias.RemplaceCodeID(4242, 0));

  TempDir dir;
  TGTableMedias fresh;
  const auto [a, b] = RoundTrip(medias, fresh, dir);
  EXPECT_EQ(a, b);
  TGTableMediasCadres freshFrames;
  const auto [c, d] = RoundTrip(cadres, freshFrames, dir);
  EXPECT_EQ(c, d);
  LArray out(4, nullptr, false);
  fresh.GetLiens()->LesCodesLiesAuMedia(4242, &out);
  EXPECT_EQ(Codes(out), (std::vector<CodeID>{1, 2})) << "learnt from the file";
  EXPECT_EQ(freshFrames.GetCadreWithEnfantID(4242), 901u);
}

TEST_F(Medias, RemovingAnOwnersMediaKeepsThoseOthersStillShow) {
  Media(70, "seul.jpg");
  Media(71, "partage.jpg");
  Media(72, "autre.jpg");
  Link(800, 1, 70);
  Link(801, 1, 71);
  Link(802, 2, 71);
  Link(803, 3, 72);
  Frame(900, 70, 0, 1);
  Frame(901, 71, 0, 2);
  Frame(902, 72, 70, 3);  // 70 was cut from 72

  EXPECT_EQ(medias.SupprimeLesMediasDe(1), 1);
  EXPECT_EQ(StoreItemOf(medias, 70), 0u);
  EXPECT_NE(StoreItemOf(medias, 71), 0u);
  EXPECT_FALSE(medias.GetLiens()->IDhaveAMedia(1));
  EXPECT_EQ(OwnersOf(71), (std::vector<CodeID>{2}));
  EXPECT_EQ(cadres.GetCount(), 1u) << "frames cut from or made into 70 went with it";
  EXPECT_EQ(FramesFrom(71), (std::vector<CodeID>{901}));
  EXPECT_EQ(medias.SupprimeLesMediasDe(1), 0);
  EXPECT_FALSE(medias.OkToDelete(71));
  EXPECT_TRUE(medias.OkToDelete(70));
  EXPECT_FALSE(medias.InternalCanDelete(71)) << "still shown by owner 2";
  EXPECT_FALSE(medias.InternalCanDelete(70)) << "already gone";

  TempDir dir;
  TGTableMedias fresh;
  const auto [a, b] = RoundTrip(medias, fresh, dir);
  EXPECT_EQ(a, b);
}

TEST_F(Medias, InsertOrFindByPath) {
  Media(70, "C:\\Photos\\Mariage.jpg");
  Media(71, "C:\\Photos\\mariage.JPG");  // the same file, stored later
  EXPECT_EQ(medias.AjouteMediaIfNotExists("c:\\photos\\MARIAGE.jpg", &codes), 70u) << "first in store order";
  EXPECT_EQ(medias.AjouteMediaIfNotExists("", &codes), 0u);
  const CodeID added = medias.AjouteMediaIfNotExists("C:\\Photos\\Bapteme.jpg", &codes);
  EXPECT_EQ(added, 5000u);
  TGMedia read;
  ASSERT_TRUE(medias.FetchData(added, &read));
  EXPECT_EQ(read.GetOriginalFullPath(), "C:\\Photos\\Bapteme.jpg");
  TGMedia m;
  m.SetOriginalFullPath("C:\\Photos\\Bapteme.jpg");
  EXPECT_EQ(medias.MetAJour(m, &codes), added);
  EXPECT_EQ(m.GetCodeID(), added);
  // A raw write (as an upgrade makes) is seen too.
  TGMedia raw;
  raw.SetCodeID(90);
  raw.SetOriginalFullPath("brut.png");
  const std::string bytes = raw.EncodeToString();
  ASSERT_NE(static_cast<LXArray&>(medias).EcritData(90, bytes.data(), static_cast<unsigned>(bytes.size())), 0);
  EXPECT_EQ(medias.AjouteMediaIfNotExists("BRUT.PNG", &codes), 90u);
  medias.DeleteData(90);
  EXPECT_EQ(medias.AjouteMediaIfNotExists("brut.png", &codes), 5001u);
}

TEST_F(Medias, ImportCopiesMediaThenLinksAndFramesOfKnownOwners) {
  TGTableMedias source;
  TGTableMediasCadres sourceFrames;
  source.SetCadres(&sourceFrames);
  for (CodeID code : {70u, 71u}) {
    TGMedia m;
    m.SetCodeID(code);
    m.SetOriginalFullPath(code == 70 ? "a.jpg" : "b.jpg");
    ASSERT_NE(source.EcritData(&m), 0);
  }
  TGLienMedia l;
  for (auto [link, owner, media] : {std::array<CodeID, 3>{800, 1, 70}, {801, 9, 71}}) {
    l.SetCodeID(link);
    l.SetXREFCible(owner);
    l.SetXREFMedia(media);
    ASSERT_NE(source.GetLiens()->EcritData(&l), 0);
  }
  TGMediaCadre c;
  c.SetCodeID(900);
  c.SetMediaOrigine(70);
  c.SetMediaDerive(71);
  c.SetIndividu(9);
  ASSERT_NE(sourceFrames.EcritData(&c), 0);

  Media(60, "a.jpg");  // media are copied, not unified
  CodeMap map{{1, 3001}};
  EXPECT_EQ(medias.Importer(source, &codes, map), 2);
  EXPECT_EQ(map.at(70), 5000u);
  EXPECT_EQ(map.at(71), 5001u);
  EXPECT_EQ(medias.GetLiens()->Importer(*source.GetLiens(), &codes, map), 1) << "owner 9 was not imported";
  EXPECT_EQ(MediaOf(3001), (std::vector<CodeID>{5000}));
  EXPECT_EQ(cadres.Importer(sourceFrames, &codes, map), 1);
  TGMediaCadre read;
  ASSERT_TRUE(cadres.FetchData(map.at(900), &read));
  EXPECT_EQ(read.GetMediaOrigine(), 5000u);
  EXPECT_EQ(read.GetMediaDerive(), 5001u);
  EXPECT_EQ(read.GetIndividu(), 0u) << "an individual the map does not know is dropped";
}

}  // namespace
}  // namespace genvora
