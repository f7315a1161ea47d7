// The consistency control of one individual: whether its dates agree with
// those of its events, unions, children and parents (range checking), and
// whether its records are complete enough (completeness).
//
// Invariants:
//  1. Each rule compares two dates through a signed age (AgeControle): the
//     date model's age when the second date is not earlier, the negated age
//     of the reversed pair otherwise, 0 for two dates that agree on all the
//     parts both have. A date that is empty, an event that cannot be loaded
//     or a pair of qualifiers that gives no age fires no rule.
//  2. Every rule that fires appends one line (resource texts, in the
//     language in force) and one ConstatControle carrying the same facts as
//     values: the rule, the persons and events concerned, the age and its
//     number of days (or the gap in days). Callers never parse the lines.
//  3. The thresholds and completeness criteria come from the preferences
//     given; nothing here reads the shared preferences or writes the store.
//  4. Range checking writes to the database only when the host's coherence
//     dialog answers that the user changed the accepted box.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace genvora {

class TFullEvenement;
class TFullIndividu;
class TFullUnion;
class TGDatabase;
class TPreferenceGenvora5;

// The completeness of one side of a life (birth, union, death).
enum evenementCompletionValuesT : std::uint8_t {
  ecIncomplet = 0,
  ecPartiellementComplet = 1,
  ecComplet = 2,
  ecNonAttendu = 3,  // too young, or died too young, for it to exist
};

// The rules of range checking. NomRegle gives each a stable identifier.
enum class RegleControle : std::uint8_t {
  DecesAvantNaissance,           // death before the birth
  AgeAuDeces,                    // above the maximum age at death
  EvenementAvantNaissance,       // an event of the person before its birth
  InhumationAvantDeces,          // a burial before the death
  EvenementAvantDeces,           // a cremation or post-mortem event before the death
  EvenementApresDeces,           // an event a year or more after the death
  EcartAgeConjoints,             // spouses' age difference
  UnionAvantNaissance,           // a union event before the person's birth
  UnionTropJeune,                // a union event below the minimum union age
  UnionApresDeces,               // a union event after the person's death
  UnionApresDecesConjoint,       // a union event after the spouse's death
  NeApresUnion,                  // the person born after the union began
  AgeAUnion,                     // the person's age at the union out of range
  ConjointNeApresUnion,          // the spouse born after the union began
  AgeConjointAUnion,             // the spouse's age at the union out of range
  EnfantAvantNaissance,          // a child born before the person
  AgeNaissanceEnfant,            // the person's age at a child's birth out of range
  EnfantApresDeces,              // a child born after the person's death
  EcartNaissances,               // two of a woman's children too close yet not twins
  MereDecedeeAvantNaissance,     // the mother dead before the birth
  AgeMere,                       // the mother's age at the birth out of range
  EcartFrereSoeur,               // a sibling born too close yet not a twin
  PereDecedeAvantNaissance,      // the father dead more than a year before the birth
  AgePere,                       // the father's age at the birth out of range
};
const char* NomRegle(RegleControle regle);

// A signed age: whole years, then months and days past them; all parts
// negative when the second date is earlier. `nombreJours` is the signed
// count of days between the two dates.
struct AgeControle {
  int annees = 0;
  int mois = 0;
  int jours = 0;
  int nombreJours = 0;
  bool Negatif() const { return nombreJours < 0; }
  // The years begun: the whole years of a positive age; for a negative one
  // the years it reaches into, counted from -1 (one day before is -1, one
  // year and a day before is -2), the count the date model gives.
  int AnneesEntamees() const;
};

struct ConstatControle {
  RegleControle regle;
  // The person checked first, then the other persons, then the events.
  std::vector<CodeID> codes;
  AgeControle age;  // the age compared; for the gap rules only nombreJours
  AnsiString ligne;
};

// Lines and findings of one check.
struct TControleMessages {
  std::vector<AnsiString> lignes;
  std::vector<ConstatControle> constats;
  void Ajoute(RegleControle regle, std::vector<CodeID> codes, const AgeControle& age, AnsiString ligne);
};

// The loaders, made for `database` with `prefs`, in time order.
std::unique_ptr<TFullIndividu> _NewFullIndividu(TGDatabase* database, TPreferenceGenvora5* prefs);
std::unique_ptr<TFullUnion> _NewFullUnion(TGDatabase* database, TPreferenceGenvora5* prefs);
std::unique_ptr<TFullEvenement> _NewFullEvenement(TGDatabase* database, TPreferenceGenvora5* prefs);

// The age at `vers` counted from `depuis` (Invariant 1); false when either
// event cannot be loaded, its date is empty or the dates give no age.
bool _CalculAge(TGDatabase* database, CodeID depuis, CodeID vers, AgeControle& age);

// The age as text: only the largest non-zero part; `absolu` makes negative
// parts positive.
AnsiString GetNombreAnneesTXT(int annees, int mois, int jours, bool absolu);

// True when coherent, or when the person is accepted. With `rapport`, the
// lines are handed to the host's coherence dialog when something failed or
// `toujours` is set (an accepted person is shown only with `toujours`), and
// returned joined in `texte`. The last flag is carried for the host and not
// read. `constats`, when given, receives the findings.
bool ValidControlRangeCheckingV2(CodeID code, TGDatabase* database, TPreferenceGenvora5* prefs, AnsiString& texte,
                                 bool rapport, bool toujours, bool inutilise,
                                 std::vector<ConstatControle>* constats = nullptr);

// The four groups over a loaded individual (its Prefs and Filer set, its
// unions loaded); `arrivee` and `depart` are null when absent or undated.
// Each answers true when it found nothing.
bool ControleLesEvenementIndividuels(TFullIndividu* individu, TControleMessages& messages, TFullEvenement* arrivee,
                                     TFullEvenement* depart, const AnsiString& nom, const AnsiString& pronom);
bool ControleLesUnions(TFullIndividu* individu, TControleMessages& messages, TFullEvenement* arrivee,
                       TFullEvenement* depart, const AnsiString& nom, const AnsiString& pronom);
bool ControleLesEnfants(TFullIndividu* individu, TControleMessages& messages, TFullEvenement* arrivee,
                        TFullEvenement* depart, const AnsiString& nom, const AnsiString& pronom);
bool ControleLesParents(TFullIndividu* individu, TControleMessages& messages, TFullEvenement* arrivee,
                        TFullEvenement* depart, const AnsiString& nom, const AnsiString& pronom);

// Completeness of one event: CheckEvenement stops at the first criterion
// missed and answers whether none was; CheckEvenementTroisEtats writes every
// criterion missed and answers 2 (none), 1 (at least one met; a date counts
// as met even when approximate) or 0. `lignes` may be null.
bool CheckEvenement(TFullEvenement* evenement, TPreferenceGenvora5* prefs, std::vector<AnsiString>* lignes);
int CheckEvenementTroisEtats(TFullEvenement* evenement, TPreferenceGenvora5* prefs, std::vector<AnsiString>* lignes);
// 0 = no event, 1 = incomplete, 2 = complete.
int ValidEvenement(CodeID code, TGDatabase* database, TPreferenceGenvora5* prefs, std::vector<AnsiString>* lignes);

// `anneeCourante` 0 = the current year of the clock.
bool ValidIndividuComplet(CodeID code, TGDatabase* database, TPreferenceGenvora5* prefs, int anneeCourante = 0);
bool IndividuEstIlComplet(CodeID code, TGDatabase* database, TPreferenceGenvora5* prefs,
                          evenementCompletionValuesT& naissance, evenementCompletionValuesT& alliance,
                          evenementCompletionValuesT& deces, int anneeCourante = 0);

// The person has an arrival event with a date.
bool _OkPourLesTests(TGDatabase* database, TFullIndividu* individu, TPreferenceGenvora5* prefs);

}  // namespace genvora
