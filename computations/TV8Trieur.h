// TV8Trieur: finds individuals that may be the same person, inside one
// database (FilerA == FilerB) or between two (the persons of FilerA looked
// for in FilerB). Candidates share a surname group; they are then filtered
// by first names, by event dates, and optionally by parents and ancestry.
//
// Rules:
//  1. The surname group of a surname is its master variant (its Rattachement
//     when set and not its own code, else itself). Within one database the
//     candidates of X are the bearers of every surname of X's group, the
//     surnames in dictionary code order, the bearers of one surname in
//     alphabetical order. Between two databases the groups are matched by
//     the upper-cased text of the master form, codes meaning nothing across
//     files. An unattached surname forms a group of its own: a Rattachement
//     of 0 never groups every unattached surname together.
//  2. During a scan X is paired with its first candidate, in list order,
//     that passes the first-name method, the event method and
//     TestSiDoublons. A candidate refused by TestSiDoublons (an ancestor, a
//     different known sex) does not hide the next one.
//  3. First names are upper-cased and split on spaces and commas. Empty
//     first names or a "?" among either list never match (methods 2 to 4).
//  4. Candidates are pre-selected exactly: with methods 2 and 3 only those
//     sharing a first-name word with X, with method 4 those whose first
//     word is X's; with the event method only those with a date in the
//     tolerance of one of X's (boxes one tolerance wide, or the year, or
//     the day), and those without events when the no-events option lets
//     them match; taken in list order. Each person's first names, parents,
//     sex and event dates are read once per scan. The pairs and their order
//     are those of the plain walk of the list.
//  5. A pair is reported once: (b, a) after (a, b) is not reported again.
//  6. The ancestry exclusion compares persons of one database only; between
//     two databases it excludes nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/Types.h"

namespace genvora {

class TGDatabase;
class TGDate;

enum TEnumPrenomFnt : std::uint8_t { epfNoMatch = 0, epfAsSubset = 1, epfAtLeastOneMatch = 2, epfFirstMatching = 3 };
enum TEnumEventFnt : std::uint8_t { eefNothing = 0, eefMatching = 1 };

class TV8Trieur {
 public:
  TV8Trieur();
  ~TV8Trieur();
  TV8Trieur(const TV8Trieur&) = delete;
  TV8Trieur& operator=(const TV8Trieur&) = delete;

  TGDatabase* GetFilerA() const { return filerA_; }
  TGDatabase* GetFilerB() const { return filerB_; }
  void SetFiler1(TGDatabase* db);
  void SetFiler2(TGDatabase* db);
  void SetPrenomsFnt(TEnumPrenomFnt fnt) { prenomsFnt_ = fnt; }
  TEnumPrenomFnt GetPrenomsFnt() const { return prenomsFnt_; }
  // Persons read without their events are read again with them.
  void SetEventFnt(TEnumEventFnt fnt) {
    if (fnt != eventFnt_) Invalide();
    eventFnt_ = fnt;
  }
  TEnumEventFnt GetEventFnt() const { return eventFnt_; }

  // Years of tolerance between two dates.
  std::int32_t IntervaleFlou = 2;
  // Carried for the host; no effect here.
  bool FlouifierDate = false;
  bool Regroupement = false;

  bool ExclureAscendance = false;
  bool ComparerParents = false;
  bool DateIdentique = false;
  bool AnneeIdentique = false;
  bool SansEvenementAccepte = false;
  // Set by the host (from OnProgress) to end a scan before the next person.
  bool Stop = false;
  // Walks every candidate instead of the pre-selection (rule 4): the same
  // pairs, slower; what the tests compare the pre-selection with.
  bool SansPreselection = false;

  std::function<void()> OnStart;
  // Persons scanned, persons to scan.
  std::function<void(int, int)> OnProgress;

  // A candidate as the host's list shows it.
  struct Candidat {
    CodeID code;
    AnsiString texte;   // first names, a space, the surname
    bool rattachement;  // the surname text differs from X's
  };
  // The candidates of one individual of FilerA.
  std::vector<Candidat> GetDoublonsDsBox1(CodeID code);
  // Scans FilerA; the pairs land in Paires().
  void Doublons();

  bool Methode1(const AnsiString& a, const AnsiString& b) const;
  bool Methode2(const AnsiString& a, const AnsiString& b) const;
  bool Methode3(const AnsiString& a, const AnsiString& b) const;
  bool Methode4(const AnsiString& a, const AnsiString& b) const;
  // The selected first-name method.
  bool ComparePrenoms(const AnsiString& a, const AnsiString& b) const;
  // a in FilerA, b in FilerB.
  bool EventMethodeNone(CodeID a, CodeID b);
  bool EventMethodeAtLeast(CodeID a, CodeID b);
  bool CompareDate(const TGDate* d1, const TGDate* d2) const;
  bool TestSiDoublons(CodeID a, CodeID b);
  // Whether b is among a's ancestors in `db` (FilerA when null).
  bool CheckLienRecursif(CodeID a, CodeID b, TGDatabase* db = nullptr) const;
  // m1 in FilerA, m2 in FilerB.
  bool LesDeuxMereOntLeMemePatronyme(CodeID m1, CodeID m2);

  // Reports (a, b) when TestSiDoublons holds and neither it nor (b, a) was
  // reported; records the pair as tested.
  void TesterTousLesDoublons(CodeID a, CodeID b);
  // Appends (a, b) unless (a, b) or (b, a) is there; true when appended.
  bool AjoutDansDoublonsArray(CodeID a, CodeID b);
  // Adds the code to the duplicates list once.
  void AjoutDansListeDoublonMethode1(CodeID code);

  const std::vector<std::pair<CodeID, CodeID>>& Paires() const { return paires_; }
  const std::vector<CodeID>& ListeDoublons() const { return doublons_; }
  const std::vector<std::pair<CodeID, CodeID>>& PairesTestees() const { return testees_; }
  const std::vector<CodeID>& Scannes() const { return scannes_; }
  // The scan's summary line.
  const std::string& Resume() const { return resume_; }

  // A date reduced to what CompareDate reads.
  struct DateCle {
    bool vide = true;
    int jours = 0;
    int motCle = 0;
    int anneeGregorienne = 0;
  };
  static DateCle CleDe(const TGDate* date);
  bool CompareCles(const DateCle& a, const DateCle& b) const;

 private:
  // What the comparisons read of one person, once per scan.
  struct Fiche {
    bool lu = false;
    AnsiString prenoms;
    std::vector<std::string> mots;  // upper-cased first-name words
    bool inconnu = false;           // empty or with "?": never matches
    char sexe = '?';
    CodeID pere = 0, mere = 0;
    bool evenements = false;
    DateCle arrivee, depart;
    std::vector<DateCle> autres;
    AnsiString nomTexte;
  };
  const Fiche& FicheDe(TGDatabase* db, CodeID code);
  void Invalide();
  // The group key of X's surname, and the candidate list of that group.
  std::string CleGroupe(TGDatabase* db, CodeID nom);
  void ConstruitCandidats(CodeID x);
  bool AccepteCandidat(CodeID x, const Fiche& fx, CodeID c);
  bool EventsCompatibles(const Fiche& a, const Fiche& b) const;
  bool PrenomsCompatibles(const Fiche& a, const Fiche& b) const;
  static std::vector<std::string> Mots(const AnsiString& text);

  TGDatabase* filerA_ = nullptr;
  TGDatabase* filerB_ = nullptr;
  TEnumPrenomFnt prenomsFnt_ = epfAsSubset;
  TEnumEventFnt eventFnt_ = eefMatching;

  std::unordered_map<CodeID, Fiche> fichesA_, fichesB_;
  // FilerB's surnames by group key, in dictionary code order.
  std::map<std::string, std::vector<CodeID>> groupesB_;
  bool groupesLus_ = false;
  // The candidate list of the last group, with its pre-selection indexes.
  std::string dernierGroupe_;
  bool candidatsValides_ = false;
  std::vector<CodeID> candidats_;
  std::unordered_map<std::string, std::vector<int>> parMot_, parPremierMot_;
  // Date boxes of the candidates with events, for the date mode in force.
  int ModeDates() const;
  std::vector<std::int64_t> Cases(const DateCle& d, bool requete) const;
  void ConstruitCasesDates();
  struct Flux;
  Flux ParPrenoms(const Fiche& fx) const;
  Flux ParDates(const Fiche& fx);
  // Calls visite(position) in list order over the pre-selected candidates
  // until it answers true.
  template <class Visite>
  void Parcourt(const Fiche& fx, Visite visite);
  bool casesValides_ = false;
  int modeCases_ = 0;
  std::unordered_map<std::int64_t, std::vector<int>> parCase_;
  std::vector<int> avecEvenements_, sansEvenements_;

  std::vector<std::pair<CodeID, CodeID>> paires_;
  std::unordered_set<std::uint64_t> rapportees_;
  std::vector<CodeID> doublons_;
  std::unordered_set<CodeID> doublonsSet_;
  std::vector<std::pair<CodeID, CodeID>> testees_;
  std::vector<CodeID> scannes_;
  std::string resume_;
};

}  // namespace genvora
