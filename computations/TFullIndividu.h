// TFullIndividu: an individual with its surname, events, children, unions,
// spouses, media and links, and the answers about its family circles
// (parents, grandparents, parents-in-law, brothers and sisters, uncles and
// aunts, nephews and nieces, cousins, grandchildren, children with their
// spouses), its Sosa number and whether it is to be treated as living.
//
// Invariants:
//  1. A load reads the individual and its surname record; either failing
//     leaves the full record empty and goes through SomethingGoesWrong.
//  2. The unions and spouses load at once, as UnionsON and ConjointsON ask
//     at the time of the load; the other lists on first access.
//  3. Each family circle empties its output list first, lists every
//     relative once and never the person; it gathers the relatives'
//     children and spouses from the indexes without loading their records,
//     so a damaged relative never fails the person's load.
//  4. The Sosa number is read once per load: the smallest number the
//     person holds in the database's Sosa table.
#pragma once

#include <memory>
#include <optional>

#include "computations/TFullRoot.h"
#include "platform/TV5Sosa.h"

namespace genvora {

class TGIndividu;
class TGNom;

class TFullIndividu : public TFullWithEventAndChild {
 public:
  TFullIndividu();
  TFullIndividu(TGDatabase* database, CodeID code);
  ~TFullIndividu() override;

  void SetFiler(TGDatabase* database) override;
  // Loads the individual `code` (0: stays empty).
  void SetCodeID(CodeID code) override;
  // First names and surname.
  AnsiString GetText() const override;
  // A surname as shown: its particle ("de la", "d'") before the name.
  static AnsiString NomAffiche(const TGNom& nom);
  // First names, then the surname as shown; `nom` null when the surname
  // cannot be read (the first names alone).
  static AnsiString TexteIndividu(const TGIndividu& individu, const TGNom* nom);

  const TGIndividu& Individu() const { return *individu_; }
  TGIndividu& Individu() { return *individu_; }
  const TGNom& Nom() const { return *nom_; }

  // Text options handed to the individual's and the dictionaries' texts.
  std::uint8_t Options = 0;
  std::uint8_t OptionsIndividu = 0;
  std::uint8_t OptionsDico = 0;
  // Load the spouses (and so the unions), or the unions, at each load.
  bool ConjointsON = false;
  bool UnionsON = false;

  LArray* GetTableConjoints() { return &conjoints_; }
  LArray* GetTableUnions() { return &unions_; }

  // --- events
  CodeID GetNaissance() { return GetCetEvenement(kFullNaissance); }
  CodeID GetBapteme() { return GetCetEvenement(kFullBapteme); }
  CodeID GetDeces() { return GetCetEvenement(kFullDeces); }
  CodeID GetInhumation() { return GetCetEvenement(kFullInhumation); }
  // Birth or christening: dated first, then placed, then present.
  CodeID GetArrivee();
  // Death or burial, by the same rule.
  CodeID GetDepart();
  // The individual's certificate flags, then its events' search states.
  bool RechercheActe() override;

  // --- family circles; each answers the count of its output list.
  int Parents(LArray* list);
  int GrandsParents(LArray* list);
  int BeauxParents(LArray* list);
  // With `withSpouses`, the relatives' spouses join the list and, when not
  // themselves relatives of the list, `spousesOut`.
  int FreresEtSoeurs(LArray* list, bool withSpouses = false, LArray* spousesOut = nullptr);
  int OnclesEtTantes(LArray* list, bool withSpouses = false, LArray* spousesOut = nullptr);
  int NeveuxEtNieces(LArray* list, bool withSpouses = false, LArray* spousesOut = nullptr);
  int CousinsEtCousines(LArray* list, bool withSpouses = false, LArray* spousesOut = nullptr);
  int PetitsEnfants(LArray* list, bool withSpouses = false, LArray* spousesOut = nullptr);
  int EnfantsConjoint(LArray* list, bool withSpouses = false, LArray* spousesOut = nullptr);
  // The ancestors of the person from the ancestry quick list, each once;
  // the person too when `avecLui`; `profondeur` generations (0: all).
  int Ancetre(LArray* list, bool avecLui, int profondeur);
  // Whether `code` is among the person's ancestors.
  bool SearchInA(CodeID code);
  // With UnionsON: the children that belong to none of the person's
  // unions; true when there is one.
  bool LesEnfantsMono(LArray* list);

  // The person's Sosa number; none when it holds no number.
  const std::optional<TV5Sosa>& GetSosa();
  // Alive: an arrival, no departure, and the arrival's year within the
  // maximum age at death of the preferences (woman's or man's) of the
  // current year. False without EvenementsON or Prefs.
  bool EstVivant();
  // The same against a given current year.
  bool EstVivantEn(int anneeCourante);

  // No child, no parent and no union (the union list as last loaded).
  bool IsSansLien();
  // Writes the individual back, stamped, and marks the database modified;
  // false without Filer.
  bool Sauve();

 protected:
  void ChargeEnfants() override;
  void ChargeLesTables() override;
  virtual void ChargeUnions();
  virtual void ChargeConjoints();
  void Vide() override;

 private:
  // The loaders of a person given by code: its unions, its spouses, its
  // children; with `trie`, in order of time and then in the user's order.
  void UnionsDe(CodeID person, LArray* out, bool trie);
  void ConjointsDe(CodeID person, const LArray& unions, LArray* out, bool trie);
  void EnfantsDe(CodeID person, LArray* out, bool trie);
  bool ParentsDe(CodeID person, CodeID& pere, CodeID& mere) const;
  // The common tail of the blood-relative circles over the working list.
  int Remplit(LArray& working, LArray* list, bool withSpouses, LArray* spousesOut);
  void AjouteConjoints(CodeID person, const LArray* relatives, LArray* list, LArray* spousesOut);

  std::unique_ptr<TGIndividu> individu_;
  std::unique_ptr<TGNom> nom_;
  LArray conjoints_;
  LArray unions_;
  std::optional<TV5Sosa> sosa_;
  bool sosaLoaded_ = false;
};

}  // namespace genvora
