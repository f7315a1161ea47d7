// Removing individuals, unions and events: what goes with them, what is
// handed on, and that afterwards no record names a removed code and every
// index agrees with its store.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "computations/TGSuppression.h"
#include "containers/CodeList.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "tests/support/DatabaseProblems.h"
#include "tests/support/FamilyWriter.h"

namespace genvora {
namespace {

constexpr bool kMan = false;
constexpr bool kWoman = true;
constexpr CodeID kSurname = 1;

std::vector<CodeID> Codes(const LXArray* store) { return CodesOf(store); }


struct Fixture : testing::OneSurnameFamily {
  CodeID Event(CodeID owner, std::uint8_t type, bool shared = false) {
    return writer.Event(owner, type, 0, 0, 1850, [shared](TGEvenement& e) { e.SetPartage(shared); });
  }
  // A witness link: the person is LienDe, the event LienVers.
  CodeID Witness(CodeID person, CodeID event) {
    TGLien l;
    const CodeID code = db.GetNextID();
    l.SetCodeID(code);
    l.SetLienDe(person);
    l.SetLienVers(event);
    l.SetType(101);
    db.Tables().liens->EcritData(&l);
    return code;
  }
  void Note(CodeID code) { db.Tables().notes->ReplaceNote(code, "note", false); }

  TGIndividu Individu(CodeID code) {
    TGIndividu i;
    EXPECT_TRUE(i.LitDans(code, db.Tables().individus));
    return i;
  }
  CodeID Owner(CodeID event) {
    TGEvenement e;
    EXPECT_TRUE(e.LitDans(event, db.Tables().evenements));
    return e.GetProprietaire();
  }

  std::vector<std::string> Problems(const std::set<CodeID>& removed) { return testing::DatabaseProblems(db, removed); }

};

TEST(RemoveRecordsTest, RemovedOwnerHandsSharedEventToFirstWitness) {
  Fixture f;
  const CodeID owner = f.Person(0, 0, kMan);
  const CodeID first = f.Person(0, 0, kWoman), second = f.Person(0, 0, kMan);
  const CodeID event = f.Event(owner, 20, true);
  const CodeID ownLink = f.Witness(owner, event);
  const CodeID firstLink = f.Witness(first, event);
  const CodeID secondLink = f.Witness(second, event);
  const CodeID birth = f.Event(owner, 4);
  f.Note(owner);
  f.Note(birth);

  TRemoveReport report;
  RemoveIndividu(owner, &f.db, &report);

  EXPECT_TRUE(f.db.EstEvenement(event));
  EXPECT_EQ(f.Owner(event), first);
  ASSERT_EQ(report.transferts.size(), 1u);
  EXPECT_EQ(report.transferts[0].evenement, event);
  EXPECT_EQ(report.transferts[0].nouveauProprietaire, first);
  std::vector<CodeID> links;
  f.db.Tables().liens->LesLiensDe(event, links, llTous);
  std::sort(links.begin(), links.end());
  EXPECT_EQ(links, (std::vector<CodeID>{firstLink, secondLink}));
  EXPECT_FALSE(f.db.EstEvenement(birth));
  EXPECT_EQ(report.evenements, std::vector<CodeID>{birth});
  EXPECT_TRUE(f.db.FichierModifie);
  EXPECT_EQ(f.Problems({owner, birth, ownLink}), std::vector<std::string>{});
}

TEST(RemoveRecordsTest, LinkWrittenFromTheEventStillHandsTheEventToThePerson) {
  // A witness link stored the other way round (event to person): the person
  // is still the end that is not the event, never the event itself.
  Fixture f;
  const CodeID owner = f.Person(0, 0, kMan), witness = f.Person(0, 0, kWoman);
  const CodeID event = f.Event(owner, 20, true);
  TGLien l;
  const CodeID link = f.db.GetNextID();
  l.SetCodeID(link);
  l.SetLienDe(event);
  l.SetLienVers(witness);
  l.SetType(101);
  f.db.Tables().liens->EcritData(&l);

  RemoveIndividu(owner, &f.db);
  EXPECT_EQ(f.Owner(event), witness);
  EXPECT_EQ(f.Problems({owner}), std::vector<std::string>{});
}

TEST(RemoveRecordsTest, SharedEventWithoutOtherWitnessGoesWithItsOwner) {
  Fixture f;
  const CodeID owner = f.Person(0, 0, kMan);
  const CodeID event = f.Event(owner, 20, true);
  const CodeID link = f.Witness(owner, event);
  RemoveIndividu(owner, &f.db);
  EXPECT_FALSE(f.db.EstEvenement(event));
  EXPECT_EQ(f.Problems({owner, event, link}), std::vector<std::string>{});
}

// Mother M and father F with a union U (children A and B) and an event;
// F has a second union V with W (child C).
struct Couples : Fixture {
  Couples() {
    fa = Person(0, 0, kMan), mo = Person(0, 0, kWoman), w = Person(0, 0, kWoman);
    u = Couple(fa, mo), v = Couple(fa, w);
    a = Person(fa, mo, kMan), b = Person(fa, mo, kWoman), c = Person(fa, w, kMan);
    marriage = Event(u, 61), second = Event(v, 61);
    Note(u);
  }
  CodeID fa, mo, w, u, v, a, b, c, marriage, second;
};

TEST(RemoveRecordsTest, RemovalsLeaveNoReferenceAndIndexesInStep) {
  struct Case {
    const char* what;
    bool individu;  // remove an individual, else a union alone
    bool father;    // which: the father F, else the mother M (individual) / union U, else V (union)
  };
  for (const Case& c : {Case{"father", true, true}, Case{"mother", true, false}, Case{"union U", false, true},
                        Case{"union V", false, false}}) {
    SCOPED_TRACE(c.what);
    Couples f;
    std::set<CodeID> removed;
    TRemoveReport report;
    if (c.individu) {
      const CodeID person = c.father ? f.fa : f.mo;
      const CodeID next = RemoveIndividu(person, &f.db, &report);
      EXPECT_FALSE(f.db.EstIndividu(person));
      // The spouse stays, without the union.
      const CodeID spouse = c.father ? f.mo : f.fa;
      EXPECT_TRUE(f.db.EstIndividu(spouse));
      EXPECT_FALSE(f.db.EstUnion(f.u));
      EXPECT_FALSE(f.db.EstEvenement(f.marriage));
      EXPECT_FALSE(f.db.Tables().notes->HasNote(f.u));
      EXPECT_EQ(f.db.EstUnion(f.v), !c.father);
      // The children lose the parent removed and keep the other.
      for (CodeID child : {f.a, f.b}) {
        const TGIndividu i = f.Individu(child);
        EXPECT_EQ(i.GetCodePere(), c.father ? 0u : f.fa);
        EXPECT_EQ(i.GetCodeMere(), c.father ? f.mo : 0u);
      }
      EXPECT_EQ(f.Individu(f.c).GetCodePere(), c.father ? 0u : f.fa);
      // Without parents, the first child is shown next.
      EXPECT_EQ(next, f.a);
      removed = {person, f.u, f.marriage};
      if (c.father) removed.insert({f.v, f.second});
      EXPECT_EQ(report.individus, std::vector<CodeID>{person});
    } else {
      const CodeID uni = c.father ? f.u : f.v;
      RemoveUnion(uni, &f.db, 0, &report);
      EXPECT_FALSE(f.db.EstUnion(uni));
      EXPECT_FALSE(f.db.EstEvenement(c.father ? f.marriage : f.second));
      // The parents stay, and so do the children's parent fields.
      EXPECT_EQ(f.Individu(f.a).GetCodePere(), f.fa);
      EXPECT_EQ(f.Individu(f.a).GetCodeMere(), f.mo);
      EXPECT_EQ(f.Individu(f.c).GetCodeMere(), f.w);
      EXPECT_TRUE(report.enfants.empty());
      removed = {uni, c.father ? f.marriage : f.second};
    }
    EXPECT_EQ(f.Problems(removed), std::vector<std::string>{});
  }
}

// The lists that name persons let a removed one go; a removed de cujus
// takes its numbering with it, another person only its own numbers.
TEST(RemoveRecordsTest, ListsAndTheDeCujusLetARemovedPersonGo) {
  Couples f;
  f.db.SetDeCujus(f.a);
  ASSERT_GT(f.db.Tables().sosa->GetCount(), 1u);
  for (LArray* list : {f.db.Tables().ordreEnfants, f.db.Tables().ordreConjoints, &f.db.Basket()}) {
    for (CodeID code : {f.b, f.mo, f.c}) list->AddItem(&code, sizeof code);
  }
  auto sosaNames = [&f](CodeID code) {
    const LArray& sosa = *f.db.Tables().sosa;
    for (int i = 1; i <= static_cast<int>(sosa.GetCount()); ++i) {
      CodeID owner = 0;
      std::memcpy(&owner, sosa.GetItemPtr(i), sizeof owner);
      if (owner == code) return true;
    }
    return false;
  };
  ASSERT_TRUE(sosaNames(f.mo));
  RemoveIndividu(f.mo, &f.db);
  EXPECT_FALSE(sosaNames(f.mo));
  EXPECT_TRUE(sosaNames(f.fa));
  for (LArray* list : {f.db.Tables().ordreEnfants, f.db.Tables().ordreConjoints, &f.db.Basket()})
    EXPECT_EQ(ItemsOf(*list), (std::vector<CodeID>{f.b, f.c}));

  RemoveIndividu(f.a, &f.db);
  EXPECT_EQ(f.db.Header.GetDeCujus(), 0u);
  EXPECT_EQ(f.db.Tables().sosa->GetCount(), 0u);
}

TEST(RemoveRecordsTest, CodesOfTheWrongKindChangeNothing) {
  Couples f;
  const std::size_t individus = Codes(f.db.Tables().individus).size();
  EXPECT_EQ(RemoveIndividu(f.u, &f.db), 0u);
  RemoveUnion(f.a, &f.db, 0);
  RemoveEvenement(f.a, &f.db);
  RemoveIndividu(999999, &f.db);
  EXPECT_TRUE(f.db.EstUnion(f.u));
  EXPECT_TRUE(f.db.EstIndividu(f.a));
  EXPECT_EQ(Codes(f.db.Tables().individus).size(), individus);
}

TEST(RemoveRecordsTest, RemovedEventTakesItsLinksAndNote) {
  Fixture f;
  const CodeID owner = f.Person(0, 0, kMan), witness = f.Person(0, 0, kWoman);
  const CodeID event = f.Event(owner, 20, true);
  const CodeID link = f.Witness(witness, event);
  f.Note(event);
  RemoveEvenement(event, &f.db);
  EXPECT_FALSE(f.db.EstEvenement(event));
  EXPECT_TRUE(f.db.EstIndividu(witness));
  EXPECT_EQ(f.Problems({event, link}), std::vector<std::string>{});
}

}  // namespace
}  // namespace genvora
