// TGParente: walks over the kinship answers of a TGParenteSource.
//
// The working lists are unsorted LArrays of CodeIDs whose order is the
// result; each walk mirrors its list in a hash set so that "already there"
// costs nothing, and keeps its own stack of frames.
#include "computations/TGParente.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "containers/CodeList.h"
#include "platform/Host.h"
#include "platform/Resources.h"

namespace genvora {

namespace {

std::unordered_set<CodeID> MembersOf(const LArray& list) {
  std::unordered_set<CodeID> members;
  for (int i = 1; i <= static_cast<int>(list.GetCount()); ++i) {
    CodeID code = 0;
    list.FetchItemAt(i, &code);
    members.insert(code);
  }
  return members;
}

bool Contains(const LArray& list, CodeID code) { return list.FetchIndexOf(&code, sizeof code) != 0; }

// Generations left after one step; -1 (all) stays negative.
int Fewer(int generations) { return generations > 0 ? generations - 1 : -1; }

}  // namespace

TGParente::TGParente(const TGParenteSource* source)
    : source_(source),
      ownPanier_(4, nullptr, true),
      panier_(&ownPanier_),
      ownEnfants_(4, nullptr, false),
      ownConjoints_(4, nullptr, false),
      ordreEnfants_(&ownEnfants_),
      ordreConjoints_(&ownConjoints_) {}

void TGParente::SetListesOrdre(LArray* enfants, LArray* conjoints) {
  ordreEnfants_ = enfants != nullptr ? enfants : &ownEnfants_;
  ordreConjoints_ = conjoints != nullptr ? conjoints : &ownConjoints_;
  // Ranks read from the former lists would order by them.
  figes_[0].reset();
  figes_[1].reset();
}

void TGParente::Spouses(CodeID person, std::vector<CodeID>& out) const {
  std::vector<CodeID> unions;
  source_->LesUnionsDe(person, unions);
  for (CodeID u : unions) {
    CodeID mari = 0, femme = 0;
    if (!source_->Partenaires(u, mari, femme)) continue;
    if (mari == person && femme != 0)
      out.push_back(femme);
    else if (femme == person && mari != 0)
      out.push_back(mari);
  }
}

// ---------------------------------------------------------------- basket

bool TGParente::AjouterAuPanierUniquementIndi(CodeID code) {
  if (code == 0 || Contains(*panier_, code)) return false;
  return panier_->AddItem(&code, sizeof code) != 0;
}

bool TGParente::AjouterAuPanier(CodeID code) {
  if (!AjouterAuPanierUniquementIndi(code)) return false;
  AjouterConjointsEtTemoinsAuPanier(code, nullptr);
  return true;
}

void TGParente::DetruireElementPanier(CodeID code) {
  int index = panier_->FetchIndexOf(&code, sizeof code);
  if (index != 0) panier_->RemoveItemsAt(1, index);
}

void TGParente::GatherEventLinks(const std::vector<CodeID>& events,
                                 std::vector<std::pair<CodeID, std::vector<CodeID>>>& out) const {
  for (CodeID e : events) {
    out.emplace_back(e, std::vector<CodeID>{});
    source_->LesLiensDe(e, out.back().second, ldIESeuls);
  }
}

void TGParente::AjouterConjointsEtTemoinsAuPanier(CodeID code, LArray* target) {
  if (options_ == nullptr) return;
  std::vector<CodeID> unions;
  source_->LesUnionsDe(code, unions);
  std::set<CodeID> collected;
  if (options_->conjoints) {
    std::vector<CodeID> spouses;
    Spouses(code, spouses);
    collected.insert(spouses.begin(), spouses.end());
  }
  if (options_->temoins) {
    std::vector<CodeID> links;
    std::vector<std::pair<CodeID, std::vector<CodeID>>> eventLinks;
    std::vector<CodeID> events;
    for (CodeID u : unions) {
      CodeID mari = 0, femme = 0;
      if (!source_->Partenaires(u, mari, femme)) continue;
      const CodeID spouse = mari == code ? femme : mari;
      // The witnesses of a couple's events come only with a spouse who is
      // (or is about to be) in the basket.
      const bool spouseThere = spouse != 0 && (Contains(*panier_, spouse) || collected.count(spouse) != 0 ||
                                               (target != nullptr && Contains(*target, spouse)));
      if (!spouseThere) continue;
      events.clear();
      source_->LesEvenementsDe(u, events);
      GatherEventLinks(events, eventLinks);
    }
    source_->LesLiensDe(code, links, ldIISeuls);
    events.clear();
    source_->LesEvenementsDe(code, events);
    GatherEventLinks(events, eventLinks);
    for (CodeID link : links) collected.insert(source_->LienVers(link));
    // A witness of an event is the person end of the link: LienDe in stored
    // links, the end that is not the event whichever way a link was written.
    for (const auto& [event, eventLinksOf] : eventLinks) {
      for (CodeID link : eventLinksOf) {
        const CodeID de = source_->LienDe(link);
        collected.insert(de == event ? source_->LienVers(link) : de);
      }
    }
  }
  for (CodeID member : collected) {
    if (member == 0 || !source_->EstIndividu(member)) continue;
    if (target == nullptr)
      AjouterAuPanierUniquementIndi(member);
    else if (!Contains(*target, member))
      target->AddItem(&member, sizeof member);
  }
}

unsigned TGParente::AjouterListeAuPanier(LArray* list) {
  if (list == nullptr) return 0;
  const std::vector<CodeID> start = ItemsOf(*list);
  for (CodeID code : start) AjouterConjointsEtTemoinsAuPanier(code, list);
  const unsigned count = list->GetCount();
  AnsiString text;
  if (count == 1) {
    text = LoadResString("G13str.selectionAjoutPanier");
  } else {
    char number[16];
    std::snprintf(number, sizeof number, "%u", count);
    text = LoadResString("G13str.selectionComprend") + number + LoadResString("G13str.indiAjouterPanier");
  }
  if (ShowMessage(text, LoadResString("G13str.ajoutPanier"), MsgButtons::OkCancel, MsgKind::Confirmation) ==
      MsgAnswer::Cancel)
    return 0;
  for (CodeID code : ItemsOf(*list)) AjouterAuPanierUniquementIndi(code);
  return count;
}

// ---------------------------------------------------------------- walks

void TGParente::AjouterAscendance(CodeID code, LArray* list, int generations) {
  if (generations == 0 || list == nullptr) return;
  std::unordered_set<CodeID> members = MembersOf(*list);
  struct Frame {
    CodeID parents[2];
    int generations;
    int next;
  };
  std::vector<Frame> stack;
  auto push = [&](CodeID person, int gens) {
    Frame frame{{0, 0}, gens, 0};
    source_->Parents(person, frame.parents[0], frame.parents[1]);
    stack.push_back(frame);
  };
  push(code, generations);
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == 2) {
      stack.pop_back();
      continue;
    }
    const CodeID parent = frame.parents[frame.next++];
    if (parent == 0 || !members.insert(parent).second) continue;
    list->AddItem(&parent, sizeof parent);
    const int left = Fewer(frame.generations);
    if (left != 0) push(parent, left);  // invalidates `frame`
  }
}

void TGParente::AjouterDescendance(CodeID code, LArray* list, int generations) {
  if (generations == 0 || list == nullptr) return;
  std::unordered_set<CodeID> members = MembersOf(*list);
  struct Frame {
    CodeID person;
    int generations;
    std::vector<CodeID> children;
    std::size_t next;
  };
  std::vector<Frame> stack;
  auto push = [&](CodeID person, int gens) {
    Frame frame{person, gens, {}, 0};
    source_->LesEnfantsDe(person, 0, frame.children);
    stack.push_back(std::move(frame));
  };
  push(code, generations);
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.children.size()) {
      // After the children, the spouses of the person, not walked.
      std::vector<CodeID> spouses;
      Spouses(frame.person, spouses);
      for (CodeID spouse : spouses)
        if (members.insert(spouse).second) list->AddItem(&spouse, sizeof spouse);
      stack.pop_back();
      continue;
    }
    const CodeID child = frame.children[frame.next++];
    if (child == 0 || !members.insert(child).second) continue;
    list->AddItem(&child, sizeof child);
    const int left = Fewer(frame.generations);
    if (left != 0) push(child, left);  // invalidates `frame`
  }
}

void TGParente::AjouterPersonneEtListe(CodeID code, int ascendance, int descendance) {
  LArray list(4, nullptr, false);
  AjouterAscendance(code, &list, ascendance);
  AjouterDescendance(code, &list, descendance);
  if (!Contains(list, code)) list.AddItem(&code, sizeof code);
  AjouterListeAuPanier(&list);
}

void TGParente::AjouterAscendanceAuPanier(CodeID code) { AjouterPersonneEtListe(code, -1, 0); }
void TGParente::AjouterParentsAuPanier(CodeID code) { AjouterPersonneEtListe(code, 1, 0); }
void TGParente::AjouterDescendanceAuPanier(CodeID code) { AjouterPersonneEtListe(code, 0, -1); }
void TGParente::AjouterEnfantsAuPanier(CodeID code) { AjouterPersonneEtListe(code, 0, 1); }
void TGParente::AjouterAscendanceEtDescendanceAuPanier(CodeID code) { AjouterPersonneEtListe(code, -1, -1); }
void TGParente::AjouterNoyauAuPanier(CodeID code) { AjouterPersonneEtListe(code, 1, 1); }

// ---------------------------------------------------------------- order lists

void TGParente::LireRangs(const LArray& order, Rangs& out) {
  out.items = ItemsOf(order);
  out.rankOf.clear();
  for (std::size_t i = 0; i < out.items.size(); ++i) out.rankOf.try_emplace(out.items[i], static_cast<int>(i + 1));
}

void TGParente::FigerOrdre(bool fige) {
  for (int which = 0; which < 2; ++which) {
    figes_[which].reset();
    if (!fige) continue;
    figes_[which] = std::make_unique<Rangs>();
    LireRangs(which == 0 ? *ordreEnfants_ : *ordreConjoints_, *figes_[which]);
  }
}

void TGParente::GetListeOrdonnee(LArray* list, bool enfants) const {
  if (list == nullptr) return;
  // Rank = 1-based position in the order list; the first place of a code
  // that is listed twice.
  Rangs own;
  const Rangs* rangs = figes_[enfants ? 0 : 1].get();
  if (rangs == nullptr) {
    LireRangs(enfants ? *ordreEnfants_ : *ordreConjoints_, own);
    rangs = &own;
  }
  const std::unordered_map<CodeID, int>& rankOf = rangs->rankOf;
  const std::vector<CodeID>& orderItems = rangs->items;
  const std::vector<CodeID> copy = ItemsOf(*list);
  std::vector<int> ranks;
  for (CodeID code : copy) {
    auto found = rankOf.find(code);
    if (found != rankOf.end()) ranks.push_back(found->second);
  }
  if (ranks.empty()) return;
  std::sort(ranks.begin(), ranks.end());
  // The ranked codes take their own places again, in the user's order; the
  // others keep theirs.
  list->Flush();
  std::size_t nextRank = 0;
  for (CodeID code : copy) {
    CodeID placed = code;
    if (rankOf.count(code) != 0) placed = orderItems[static_cast<std::size_t>(ranks[nextRank++] - 1)];
    list->AddItem(&placed, sizeof placed);
  }
}

void TGParente::GetListeOrdonneeUnion(CodeID person, LArray* unions) const {
  if (unions == nullptr) return;
  LArray spouses(4, nullptr, false);
  std::multimap<CodeID, CodeID> unionOfSpouse;
  std::vector<CodeID> unspoused;
  for (CodeID u : ItemsOf(*unions)) {
    CodeID mari = 0, femme = 0;
    source_->Partenaires(u, mari, femme);
    const CodeID spouse = mari == person ? femme : mari;
    spouses.AddItem(&spouse, sizeof spouse);
    unionOfSpouse.emplace(spouse, u);
  }
  GetListeOrdonnee(&spouses, false);
  unions->Flush();
  for (CodeID spouse : ItemsOf(spouses)) {
    auto found = unionOfSpouse.find(spouse);
    if (found == unionOfSpouse.end()) continue;
    unions->AddItem(&found->second, sizeof found->second);
    unionOfSpouse.erase(found);
  }
}

void TGParente::LesEnfantsDeORDONNES(CodeID pere, CodeID mere, LArray* list) const {
  if (list == nullptr) return;
  std::vector<CodeID> children;
  source_->LesEnfantsDe(pere, mere, children);
  for (CodeID child : children) list->AddItem(&child, sizeof child);
  GetListeOrdonnee(list, true);
}

// ---------------------------------------------------------------- descendancy

bool TGParente::Insertable(CodeID code, LArray* list, TDescendanceList* collector) {
  if (list == nullptr || collector == nullptr || Contains(*list, code)) return false;
  collector->Ajoute(code, list);
  return true;
}

unsigned TGParente::DescendanceDe(CodeID code, LArray* list, TDescendanceList* collector) {
  if (list == nullptr || collector == nullptr || !Insertable(code, list, collector)) return 0;
  unsigned calls = 1;
  // Each level's steps are fixed when it is entered: a person offered to the
  // collector, and whether its own descendancy follows when it was new.
  struct Step {
    CodeID code;
    bool walk;
  };
  struct Frame {
    std::vector<Step> steps;
    std::size_t next = 0;
  };
  auto stepsOf = [&](CodeID person) {
    Frame frame;
    std::vector<CodeID> children;
    source_->LesEnfantsDe(person, 0, children);
    for (CodeID child : children) {
      CodeID pere = 0, mere = 0;
      if (!source_->Parents(child, pere, mere) || (pere != 0 && mere != 0)) continue;
      const bool alone = (pere == person && mere == 0) || (mere == person && pere == 0);
      frame.steps.push_back({child, alone});
    }
    std::vector<CodeID> spouses;
    Spouses(person, spouses);
    for (CodeID spouse : spouses) {
      frame.steps.push_back({spouse, false});
      std::vector<CodeID> common;
      source_->LesEnfantsDe(person, spouse, common);
      source_->LesEnfantsDe(spouse, person, common);
      std::unordered_set<CodeID> once;
      for (CodeID child : common)
        if (once.insert(child).second) frame.steps.push_back({child, true});
    }
    return frame;
  };
  std::vector<Frame> stack;
  stack.push_back(stepsOf(code));
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.steps.size()) {
      stack.pop_back();
      continue;
    }
    const Step step = frame.steps[frame.next++];
    if (!Insertable(step.code, list, collector)) continue;
    ++calls;
    if (step.walk) stack.push_back(stepsOf(step.code));  // invalidates `frame`
  }
  return calls;
}

}  // namespace genvora
