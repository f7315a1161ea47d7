// TGParente: the kinship services of a database — ancestors, descendants,
// spouses and witnesses gathered into the basket, children and unions in the
// order the user gave them, and a descendancy walk with a caller's collector.
//
// The services ask their questions of a TGParenteSource (parents of a
// person, children of a couple, unions and partners, events, links), which
// the database answers from its tables and indexes; tests answer from a
// family built in memory.
//
// Invariants:
//  1. The basket is sorted, each CodeID at most once, and only individuals
//     enter it through the spouse-and-witness gathering.
//  2. Every walk stops at persons already in its list, so a person reached
//     by two ways (an implex, a cycle in a damaged file) is visited once;
//     the walks keep their own stacks, so no file can exhaust the call stack.
//  3. Unset basket options add no spouse and no witness.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "containers/LArray.h"
#include "platform/Types.h"

namespace genvora {

// Which links a kinship source's LesLiensDe returns: individual-to-
// individual only, individual-to-event only, or all. Not the links table's
// own LesLienDeT, which chooses the end of the link that must match.
enum TLiensParente { ldIISeuls = 0, ldIESeuls = 1, ldTous = 2 };

class TGParenteSource {
 public:
  virtual ~TGParenteSource() = default;
  // The ancestry entry of a person; false when it has none.
  virtual bool Parents(CodeID person, CodeID& pere, CodeID& mere) const = 0;
  // All children of p when q is 0, the common children of p and q otherwise.
  virtual void LesEnfantsDe(CodeID p, CodeID q, std::vector<CodeID>& out) const = 0;
  // The unions of a person, as husband then as wife.
  virtual void LesUnionsDe(CodeID person, std::vector<CodeID>& out) const = 0;
  virtual bool Partenaires(CodeID unionCode, CodeID& mari, CodeID& femme) const = 0;
  virtual void LesEvenementsDe(CodeID owner, std::vector<CodeID>& out) const = 0;
  // Link codes of `code` of the kind asked, and a link's two ends.
  virtual void LesLiensDe(CodeID code, std::vector<CodeID>& out, TLiensParente kind) const = 0;
  virtual CodeID LienDe(CodeID link) const = 0;
  virtual CodeID LienVers(CodeID link) const = 0;
  virtual bool EstIndividu(CodeID code) const = 0;
  // The person is recorded as a woman; false for a man, an unknown sex or a
  // code that names no individual.
  virtual bool EstFeminin(CodeID person) const = 0;
};

// The collector of DescendanceDe: called with each person the walk reaches
// that is not yet in the list; it normally adds the person to the list.
class TDescendanceList {
 public:
  virtual ~TDescendanceList() = default;
  virtual void Ajoute(CodeID code, LArray* list) = 0;
};

struct TPanierOptions {
  bool conjoints = false;
  bool temoins = false;
};

class TGParente {
 public:
  // `source` is not owned and outlives this object.
  explicit TGParente(const TGParenteSource* source);

  // The basket to fill (not owned, kept sorted): the database's; null:
  // an own basket.
  void SetPanier(LArray* panier) { panier_ = panier != nullptr ? panier : &ownPanier_; }
  // The basket options the host keeps (not owned); null adds nobody.
  void SetPanierOptions(const TPanierOptions* options) { options_ = options; }
  // The order lists of the database (not owned); null: empty own lists.
  void SetListesOrdre(LArray* enfants, LArray* conjoints);
  LArray& Panier() { return *panier_; }

  bool AjouterAuPanier(CodeID code);
  bool AjouterAuPanierUniquementIndi(CodeID code);
  void AjouterConjointsEtTemoinsAuPanier(CodeID code, LArray* target);
  // The person-to-event links of each event, by event.
  void GatherEventLinks(const std::vector<CodeID>& events,
                        std::vector<std::pair<CodeID, std::vector<CodeID>>>& out) const;
  void AjouterAscendance(CodeID code, LArray* list, int generations);
  void AjouterDescendance(CodeID code, LArray* list, int generations);
  void AjouterAscendanceAuPanier(CodeID code);
  void AjouterParentsAuPanier(CodeID code);
  void AjouterDescendanceAuPanier(CodeID code);
  void AjouterEnfantsAuPanier(CodeID code);
  void AjouterAscendanceEtDescendanceAuPanier(CodeID code);
  void AjouterNoyauAuPanier(CodeID code);
  // Confirms with the user (OK / Cancel), then inserts; answers the count of
  // items processed, 0 on Cancel.
  unsigned AjouterListeAuPanier(LArray* list);
  void ViderLePanier() { panier_->Flush(); }
  void DetruireElementPanier(CodeID code);

  void GetListeOrdonnee(LArray* list, bool enfants) const;
  void GetListeOrdonneeUnion(CodeID person, LArray* unions) const;
  void LesEnfantsDeORDONNES(CodeID pere, CodeID mere, LArray* list) const;
  // While frozen, the order lists are read once into ranks, so that each
  // ordering costs the size of the list ordered, not of the order lists;
  // whoever freezes them keeps the order lists unchanged until unfreezing.
  void FigerOrdre(bool fige);

  // Answers the count of collector calls; 0 when nothing was done.
  unsigned DescendanceDe(CodeID code, LArray* list, TDescendanceList* collector);
  bool Insertable(CodeID code, LArray* list, TDescendanceList* collector);

 private:
  void AjouterPersonneEtListe(CodeID code, int ascendance, int descendance);
  void Spouses(CodeID person, std::vector<CodeID>& out) const;
  // An order list's codes and the 1-based rank of each (its first place).
  struct Rangs {
    std::vector<CodeID> items;
    std::unordered_map<CodeID, int> rankOf;
  };
  static void LireRangs(const LArray& order, Rangs& out);

  const TGParenteSource* source_;
  const TPanierOptions* options_ = nullptr;
  LArray ownPanier_;
  LArray* panier_;
  LArray ownEnfants_;
  LArray ownConjoints_;
  LArray* ordreEnfants_;
  LArray* ordreConjoints_;
  std::unique_ptr<Rangs> figes_[2];  // children, spouses; set while frozen
};

}  // namespace genvora
