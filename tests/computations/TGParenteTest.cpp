// TGParente: the user's order lists, the basket with its options and its
// confirmation, and the collector order of the descendancy walk, over a
// family answered from memory.
#include "computations/TGParente.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "containers/CodeList.h"
#include "platform/Host.h"
#include "platform/Resources.h"

namespace genvora {
namespace {

class MemorySource : public TGParenteSource {
 public:
  std::map<CodeID, std::pair<CodeID, CodeID>> parents;
  std::map<CodeID, std::pair<CodeID, CodeID>> unions;    // union -> {husband, wife}
  std::map<CodeID, std::vector<CodeID>> events;           // owner -> events
  std::map<CodeID, std::tuple<CodeID, CodeID, bool>> links;  // link -> {de, vers, to an event}

  bool Parents(CodeID person, CodeID& pere, CodeID& mere) const override {
    auto found = parents.find(person);
    if (found == parents.end()) return false;
    std::tie(pere, mere) = found->second;
    return true;
  }
  void LesEnfantsDe(CodeID p, CodeID q, std::vector<CodeID>& out) const override {
    for (const auto& [child, pm] : parents) {
      const bool ofP = pm.first == p || pm.second == p;
      const bool ofQ = q == 0 || pm.first == q || pm.second == q;
      if (p != 0 && ofP && ofQ) out.push_back(child);
    }
  }
  void LesUnionsDe(CodeID person, std::vector<CodeID>& out) const override {
    for (const auto& [u, hw] : unions)
      if (hw.first == person) out.push_back(u);
    for (const auto& [u, hw] : unions)
      if (hw.second == person) out.push_back(u);
  }
  bool Partenaires(CodeID u, CodeID& mari, CodeID& femme) const override {
    auto found = unions.find(u);
    if (found == unions.end()) return false;
    std::tie(mari, femme) = found->second;
    return true;
  }
  void LesEvenementsDe(CodeID owner, std::vector<CodeID>& out) const override {
    auto found = events.find(owner);
    if (found != events.end()) out.insert(out.end(), found->second.begin(), found->second.end());
  }
  void LesLiensDe(CodeID code, std::vector<CodeID>& out, TLiensParente kind) const override {
    for (const auto& [link, l] : links) {
      const auto& [de, vers, toEvent] = l;
      if (de != code && vers != code) continue;
      if ((kind == ldIISeuls && toEvent) || (kind == ldIESeuls && !toEvent)) continue;
      out.push_back(link);
    }
  }
  CodeID LienDe(CodeID link) const override { return std::get<0>(links.at(link)); }
  CodeID LienVers(CodeID link) const override { return std::get<1>(links.at(link)); }
  bool EstIndividu(CodeID code) const override { return code < 500; }
  bool EstFeminin(CodeID) const override { return false; }
};

void Fill(LArray& list, const std::vector<CodeID>& items) {
  list.Flush();
  for (CodeID c : items) list.AddItem(&c, sizeof c);
}

TEST(TGParenteTest, OrderListsRearrangeRankedCodesAmongTheirOwnPlaces) {
  MemorySource source;
  TGParente parente(&source);
  LArray enfants(4, nullptr, false), conjoints(4, nullptr, false);
  parente.SetListesOrdre(&enfants, &conjoints);
  enum : CodeID { a = 1, b = 2, c = 3, x = 4, y = 5 };
  Fill(enfants, {a, b, c});
  Fill(conjoints, {c, b});
  struct Case {
    std::vector<CodeID> in;
    bool children;
    std::vector<CodeID> out;
  };
  const Case cases[] = {
      {{c, x, a, b}, true, {a, x, b, c}},
      {{x, y}, true, {x, y}},          // no rank: left as it is
      {{b, x, c}, false, {c, x, b}},    // the spouses' order
      {{c, b, a}, true, {a, b, c}},
      {{}, true, {}},
  };
  for (const Case& k : cases) {
    LArray list(4, nullptr, false);
    Fill(list, k.in);
    parente.GetListeOrdonnee(&list, k.children);
    EXPECT_EQ(ItemsOf(list), k.out);
  }
  // Unions follow their spouses' order: 10 (with b) after 11 (with c).
  source.unions = {{10, {x, b}}, {11, {x, c}}, {12, {x, y}}};
  LArray unions(4, nullptr, false);
  Fill(unions, {12, 10, 11});
  parente.GetListeOrdonneeUnion(x, &unions);
  EXPECT_EQ(ItemsOf(unions), (std::vector<CodeID>{12, 11, 10}));
}

// P's unions: 20 with S1 (children C1, C2) and 21 with S2 (child C3); C0 has
// P for only known parent; C1 has G for a child of unknown mother. W is the
// witness of the marriage 30 (event of union 20) and R is linked to P.
enum : CodeID { P = 1, S1 = 2, S2 = 3, C0 = 4, C1 = 5, C2 = 6, C3 = 7, G = 8, W = 9, R = 10, PF = 11, PM = 12 };

MemorySource Family() {
  MemorySource s;
  s.parents = {{P, {PF, PM}}, {C0, {P, 0}}, {C1, {P, S1}}, {C2, {P, S1}}, {C3, {P, S2}}, {G, {C1, 0}}};
  s.unions = {{20, {P, S1}}, {21, {P, S2}}};
  s.events = {{20, {30}}};
  // A person-to-event link goes from the person (LienDe) to the event
  // (LienVers); 600 is not an individual.
  s.links = {{40, {W, 30, true}}, {41, {P, R, false}}, {42, {600, 30, true}}};
  return s;
}

TEST(TGParenteTest, BasketOptionsDecideWhoComesWithAPerson) {
  MemorySource source = Family();
  RecordingHost host;
  struct Case {
    bool conjoints, temoins, unset;
    std::vector<CodeID> basket;
  };
  const Case cases[] = {
      {false, false, true, {P}},
      {false, false, false, {P}},
      {true, false, false, {P, S1, S2}},
      // Witnesses of the couple's event come only with a spouse in the basket.
      {false, true, false, {P, R}},
      {true, true, false, {P, S1, S2, W, R}},
  };
  for (const Case& c : cases) {
    TGParente parente(&source);
    TPanierOptions options{c.conjoints, c.temoins};
    if (!c.unset) parente.SetPanierOptions(&options);
    EXPECT_TRUE(parente.AjouterAuPanier(P));
    std::vector<CodeID> expected = c.basket;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ItemsOf(parente.Panier()), expected);
    EXPECT_FALSE(parente.AjouterAuPanier(P));  // already there: nobody else added
    EXPECT_EQ(ItemsOf(parente.Panier()), expected);
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST(TGParenteTest, BasketOperationsConfirmThroughTheHost) {
  MemorySource source = Family();
  RecordingHost host;
  TGParente parente(&source);
  TPanierOptions options{true, false};
  parente.SetPanierOptions(&options);

  // A person with only a known mother: the person and the mother.
  source.parents[S2] = {0, 50};
  parente.AjouterParentsAuPanier(S2);
  ASSERT_EQ(host.messages.size(), 1U);
  EXPECT_EQ(host.messages[0].caption, LoadResString("G13str.ajoutPanier"));
  EXPECT_EQ(host.messages[0].buttons, MsgButtons::OkCancel);
  // S2's spouse P was added to the list before the count was shown.
  EXPECT_EQ(host.messages[0].text,
            LoadResString("G13str.selectionComprend") + "3" + LoadResString("G13str.indiAjouterPanier"));
  EXPECT_EQ(ItemsOf(parente.Panier()), (std::vector<CodeID>{P, S2, 50}));

  // One person whose options add nobody: the single-person text.
  host.Clear();
  parente.ViderLePanier();
  parente.AjouterParentsAuPanier(70);  // no parents, no union
  ASSERT_EQ(host.messages.size(), 1U);
  EXPECT_EQ(host.messages[0].text, LoadResString("G13str.selectionAjoutPanier"));

  // Cancel leaves the basket as it was.
  parente.ViderLePanier();
  host.QueueAnswer(MsgAnswer::Cancel);
  parente.AjouterDescendanceAuPanier(P);
  EXPECT_EQ(parente.Panier().GetCount(), 0U);

  parente.AjouterDescendanceAuPanier(P);
  EXPECT_EQ(ItemsOf(parente.Panier()), (std::vector<CodeID>{P, S1, S2, C0, C1, C2, C3, G}));
  parente.DetruireElementPanier(C2);
  EXPECT_EQ(ItemsOf(parente.Panier()), (std::vector<CodeID>{P, S1, S2, C0, C1, C3, G}));

  // Depth-first ancestors, father's line first, and generations counted.
  LArray list(4, nullptr, false);
  source.parents[PF] = {60, 61};
  parente.AjouterAscendance(G, &list, -1);
  EXPECT_EQ(ItemsOf(list), (std::vector<CodeID>{C1, P, PF, 60, 61, PM, S1}));
  list.Flush();
  parente.AjouterAscendance(G, &list, 2);
  EXPECT_EQ(ItemsOf(list), (std::vector<CodeID>{C1, P, S1}));
  list.Flush();
  parente.AjouterDescendance(P, &list, 1);
  EXPECT_EQ(ItemsOf(list), (std::vector<CodeID>{C0, C1, C2, C3, S1, S2}));
}

class Collector : public TDescendanceList {
 public:
  void Ajoute(CodeID code, LArray* list) override {
    calls.push_back(code);
    list->AddItem(&code, sizeof code);
  }
  std::vector<CodeID> calls;
};

TEST(TGParenteTest, DescendanceDeOffersLoneChildrenFirstThenEachSpouseWithTheirChildren) {
  MemorySource source = Family();
  TGParente parente(&source);
  Collector collector;
  LArray list(4, nullptr, false);
  EXPECT_EQ(parente.DescendanceDe(P, &list, &collector), 8U);
  EXPECT_EQ(collector.calls, (std::vector<CodeID>{P, C0, S1, C1, G, C2, S2, C3}));
  // Already in the list, or nothing to collect with: nothing done.
  EXPECT_EQ(parente.DescendanceDe(P, &list, &collector), 0U);
  EXPECT_EQ(parente.DescendanceDe(P, &list, nullptr), 0U);
  EXPECT_EQ(parente.DescendanceDe(P, nullptr, &collector), 0U);
  EXPECT_EQ(collector.calls.size(), 8U);
}

}  // namespace
}  // namespace genvora
