// Merging individual B into individual A. The manager builds the grid of
// lines from the two records (one line per field or sub-record, each with
// A's side and B's side), the host (or the tool) ticks the boxes, and
// Fusion applies the choices to A, moves or copies what B contributes,
// repairs parents and unions, and removes B through RemoveIndividu.
//
// Rules:
//  1. Line 0 is the whole individual. It is never selected by default:
//     ticking it drops the other person entirely and nothing is merged.
//  2. The default selection of every other line keeps A's side when it is
//     not empty and takes B's otherwise (SelectionParDefaut(false));
//     preferring B does the reverse.
//  3. Lines whose two sides are empty, or hold the same thing (LesMemes,
//     equal texts), are marked identical and skipped.
//  4. Both boxes ticked join the texts that can be joined (alias, title,
//     professions, user fields, notes, subdivision: "A - B"; first names:
//     B's names missing from A's appended). Other kinds keep A's value,
//     or take B's when A's side is empty.
//  5. In an individual-to-event link the person is the LienDe end and the
//     event the LienVers end, as in removal.
//  6. When the de cujus was the person removed, it is set again to the
//     surviving person, which renumbers its ancestors.
//  7. Nothing names B afterwards: a link that would join A to itself, a
//     parent field of A naming B or A, and a union of A with B itself are
//     dropped.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/Types.h"

namespace genvora {

class TGDatabase;
class TGEvenement;
class TGIndividu;
class TGUnion;

// The field kind of a grid line; on-the-wire values of the merge grid.
enum champsListeFusion : std::uint8_t {
  cfIndividu = 0,  // line 0, the whole individual
  cfNom = 1,
  cfPrenoms = 2,
  cfAlias = 3,
  cfProfessions = 4,
  cfSuffixe = 5,
  cfTitre = 6,
  cfNumero = 7,
  cfSignature = 8,
  cfFiliation = 9,
  cfUser0 = 10,  // user fields 0 to 12: 10 to 22
  cfUser12 = 22,
  cfAdresse = 23,
  cfNote = 24,
  cfMedia = 25,
  cfParents = 26,
  cfPere = 27,
  cfMere = 28,
  cfEnfant = 29,
  cfUnion = 30,
  cfLien = 31,
  cfEvenement = 32,
  cfDate = 33,
  cfLieu = 34,
  cfSubdivision = 35,
  cfSource = 36,
  cfTypeUnion = 37,
  cfAgeSurActe = 39,
  cfPrefixe = 40,
};

// The short English name of a kind, for listings ("first names").
const char* NomDuChamp(champsListeFusion kind);

// One line of the grid.
class V8FusionTypeElement {
 public:
  champsListeFusion GetChamp() const { return champ; }
  // The line of the event or union this line belongs to; 0 for a line of
  // the individual itself.
  int GetParent() const { return parent; }
  CodeID GetCode1() const { return code1; }
  CodeID GetCode2() const { return code2; }
  const AnsiString& GetChaineA() const { return chaineA; }
  const AnsiString& GetChaineB() const { return chaineB; }
  bool GetChamp1EstVide() const { return vide1; }
  bool GetChamp2EstVide() const { return vide2; }
  bool GetSelectionA() const { return selectionA; }
  bool GetSelectionB() const { return selectionB; }
  void SetSelectionA(bool on) { selectionA = on; }
  void SetSelectionB(bool on) { selectionB = on; }
  bool GetInfoIndivIdentique() const { return identique; }

  champsListeFusion champ = cfIndividu;
  int parent = 0;
  CodeID code1 = 0;
  CodeID code2 = 0;
  AnsiString chaineA;  // Windows-1252
  AnsiString chaineB;
  bool vide1 = true;
  bool vide2 = true;
  bool selectionA = false;
  bool selectionB = false;
  bool identique = false;
};

// What the merge did, for the host to show.
struct TFusionReport {
  std::vector<int> lignes;  // the lines applied, in grid order
  std::vector<CodeID> crees;  // records created for A (events, unions, links)
};

class V8FusionGestionnaire {
 public:
  V8FusionGestionnaire();
  ~V8FusionGestionnaire();
  V8FusionGestionnaire(const V8FusionGestionnaire&) = delete;
  V8FusionGestionnaire& operator=(const V8FusionGestionnaire&) = delete;

  void SetDatabase(TGDatabase* db) { db_ = db; }
  // Builds the grid from A and B; false (empty grid) when either is no
  // individual of the database or they are the same.
  bool SetCodes(CodeID a, CodeID b);
  // The host's panels: nothing to set up in this engine.
  void SetPanels() {}

  int GetCount() const { return static_cast<int>(lignes_.size()); }
  V8FusionTypeElement& GetElement(int line) { return lignes_.at(static_cast<std::size_t>(line)); }
  const std::vector<V8FusionTypeElement>& Lignes() const { return lignes_; }
  // Rule 2.
  void SelectionParDefaut(bool preferB);

  // Runs the merge; false when the grid is empty.
  bool Fusion(TFusionReport* report = nullptr);
  CodeID GetIndividuSupprimme() const { return supprime_; }
  bool GetDeCujusChange() const { return deCujusChange_; }

  // Whether two sub-records of the kind count as the same.
  bool LesMemes(champsListeFusion kind, CodeID a, CodeID b) const;

 private:
  struct Cible;
  void Construit();
  int Ajoute(champsListeFusion kind, int parent, CodeID codeA, CodeID codeB, const AnsiString& a, const AnsiString& b,
             bool identique);
  void AjouteChampsEvenement(int line, CodeID a, CodeID b);
  void AjouteEvenements(int parent, CodeID ownerA, CodeID ownerB);
  void AjouteSources(int parent, CodeID a, CodeID b);

  void DemarrerFusion(TFusionReport* report);
  void RecupererValeur(champsListeFusion kind, int line, Cible& cible);
  void Concatener(champsListeFusion kind, int line, Cible& cible);
  void RecopierB(champsListeFusion kind, int line, Cible& cible);
  void Effacer(champsListeFusion kind, int line, Cible& cible);
  void FusionneEvenement(CodeID codeA, CodeID codeB, int line, CodeID owner, TFusionReport* report);
  void FusionneUnion(CodeID codeA, CodeID codeB, int line, TFusionReport* report);
  void FusionneParents(int line);
  // The line after the sub-lines of `line` (an event or a union).
  int FinDuGroupe(int line) const;
  bool SousLigneChoisie(int line, bool sideB) const;
  void VerifSiParentsExistent();
  void VerifSiUnionParentsExiste(TFusionReport* report);
  void VerifCoherence();
  void FusionneTache();
  void SupprimeAdresse(CodeID person);

  TGDatabase* db_ = nullptr;
  CodeID a_ = 0;
  CodeID b_ = 0;
  CodeID supprime_ = 0;
  bool deCujusChange_ = false;
  std::vector<V8FusionTypeElement> lignes_;
  std::unique_ptr<TGIndividu> indiA_;
  std::unique_ptr<TGIndividu> indiB_;
  bool prenomsChanges_ = false;
  bool professionsChanges_ = false;
  // B's events and unions whose content went into one of A's.
  std::map<CodeID, CodeID> versA_;
};

}  // namespace genvora
