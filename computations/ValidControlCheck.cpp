// The consistency control: the four groups of range checking, the age that
// every rule compares and the completeness of events and persons.
//
// Rules that speak of a time "before" follow the years begun of the age
// (AgeControle::AnneesEntamees): a mother dead any time before the birth,
// a father dead more than a whole year before it (a posthumous child is no
// incoherence), the same bound for a man's child born after his death.
#include "computations/ValidControlCheck.h"

#include <cstdlib>
#include <ctime>
#include <exception>
#include <string>
#include <utility>

#include "computations/TFullIndividu.h"
#include "computations/TFullUnion.h"
#include "containers/CodeList.h"
#include "database/TGDatabase.h"
#include "dates/TGDate.h"
#include "platform/Host.h"
#include "platform/Preferences.h"
#include "platform/Resources.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGUnion.h"
#include "tables/TGTableEvenements.h"

namespace genvora {

namespace {

using P = TPreferenceGenvora5;

AnsiString Loc(const char* id) { return LoadResString(std::string("Locconvert.") + id); }

AnsiString Joins(std::initializer_list<AnsiString> parts) {
  AnsiString out;
  for (const AnsiString& p : parts) {
    if (p.empty()) continue;
    // A fragment that opens with its own punctuation or space follows
    // without another space.
    if (!out.empty() && p[0] != ',' && p[0] != ':' && p[0] != ' ') out += ' ';
    out += p;
  }
  return out;
}

AnsiString Nombre(long long n) { return AnsiString(std::to_string(n)); }

// The resource's %d then %s, replaced once each; the resource is never
// handed to a formatting function.
AnsiString Formate(const char* key, int nombre, const AnsiString& texte) {
  AnsiString out = LoadResString(key);
  if (auto at = out.find("%d"); at != AnsiString::npos) out.replace(at, 2, Nombre(nombre));
  if (auto at = out.find("%s"); at != AnsiString::npos) out.replace(at, 2, texte);
  return out;
}

int CurrentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

// An event as the rules see it.
struct Moment {
  CodeID code = 0;
  std::uint32_t type = 0;
  TGDate::dateT date{};
  AnsiString typeTexte;
};

bool DateVide(const TGDate::dateT& block) {
  TGDate d;
  d.Block() = block;
  return d.EstVide();
}

bool LitMoment(TGDatabase* db, CodeID code, Moment& out) {
  if (db == nullptr || code == 0) return false;
  TGEvenement ev;
  if (!ev.LitDans(code, db->Tables().evenements)) return false;
  out.code = code;
  out.type = static_cast<std::uint32_t>(ev.GetType());
  out.date = ev.GetDateBlock();
  out.typeTexte = ev.GetTypeStr();
  return true;
}

Moment DeFull(const TFullEvenement* e) {
  Moment m;
  if (e == nullptr || e->GetCodeID() == 0) return m;
  m.code = e->GetCodeID();
  m.type = static_cast<std::uint32_t>(e->Evenement().GetType());
  m.date = e->Evenement().GetDateBlock();
  m.typeTexte = e->Evenement().GetTypeStr();
  return m;
}

bool AgeEntre(const TGDate::dateT& depuis, const TGDate::dateT& vers, AgeControle& age) {
  age = {};
  TGDate a, b;
  a.Block() = depuis;
  b.Block() = vers;
  if (a.EstVide() || b.EstVide()) return false;
  // Two dates that agree on every part both have are the same moment: a
  // christening in "1850" is not before a birth on 3 April 1850.
  if (a.GetCalendarIndex(false) == b.GetCalendarIndex(false) && a.GetYear(false) == b.GetYear(false)) {
    const int ma = a.GetMonth(false), mb = b.GetMonth(false), da = a.GetDay(false), db = b.GetDay(false);
    if (ma == 0 || mb == 0 || (ma == mb && (da == 0 || db == 0 || da == db))) return true;
  }
  const int joursA = a.GetNombreDeJours(false), joursB = b.GetNombreDeJours(false);
  TGDate r;
  const bool inverse = joursB < joursA;
  if (!(inverse ? b.AgeA(&a, &r) : a.AgeA(&b, &r))) return false;
  const int signe = inverse ? -1 : 1;
  age.annees = signe * r.GetYear(false);
  age.mois = signe * (r.GetMonth(false) - 1);
  age.jours = signe * (r.GetDay(false) - 1);
  age.nombreJours = joursB - joursA;
  return true;
}

bool AgeEntre(const Moment& depuis, const Moment& vers, AgeControle& age) {
  if (depuis.code == 0 || vers.code == 0) return false;
  return AgeEntre(depuis.date, vers.date, age);
}

// Two events whose dates fall on one day, whatever their calendars.
bool MemeJour(const Moment& a, const Moment& b) {
  TGDate x, y;
  x.Block() = a.date;
  y.Block() = b.date;
  if (x.EstVide() || y.EstVide()) return false;
  return x.GetNombreDeJours(false) == y.GetNombreDeJours(false);
}

bool PaireDuJour(const Moment& a, const Moment& b, std::uint32_t t1, std::uint32_t t2) {
  const bool paire = (a.type == t1 && b.type == t2) || (a.type == t2 && b.type == t1);
  return paire && MemeJour(a, b);
}

AnsiString TexteAge(const AgeControle& age) { return GetNombreAnneesTXT(age.annees, age.mois, age.jours, true); }

// A relative: its full record, its dated arrival and departure.
struct Proche {
  std::unique_ptr<TFullIndividu> full;
  Moment arrivee, depart;
  bool Charge() const { return full != nullptr; }
  bool Femme() const { return full->Individu().GetFeminin(); }
  AnsiString Nom() const { return full->GetText(); }
};

Moment MomentDate(TGDatabase* db, CodeID code) {
  Moment m;
  if (!LitMoment(db, code, m) || DateVide(m.date)) return Moment{};
  return m;
}

// A relative that cannot be loaded is left out: its dates cannot be
// compared.
Proche ChargeProche(TGDatabase* db, TPreferenceGenvora5* prefs, CodeID code) {
  Proche p;
  if (code == 0) return p;
  auto full = _NewFullIndividu(db, prefs);
  try {
    full->SetCodeID(code);
  } catch (const std::exception&) {
    return p;
  }
  if (full->GetCodeID() != code) return p;
  p.arrivee = MomentDate(db, full->GetArrivee());
  p.depart = MomentDate(db, full->GetDepart());
  p.full = std::move(full);
  return p;
}

int AnneeDe(const TGDate::dateT& block) {
  TGDate d;
  d.Block() = block;
  if (d.EstVide()) return 0;
  // A republican or Hebrew year counts in its own era.
  const int calendar = d.GetCalendarIndex(false);
  return calendar == 1 || calendar == 3 ? d.GetAbsoluteYear() : d.GetYear(false);
}

}  // namespace

// ---------------------------------------------------------------- values

int AgeControle::AnneesEntamees() const {
  if (!Negatif()) return annees;
  return -(std::abs(annees) + ((mois != 0 || jours != 0 || annees == 0) ? 1 : 0));
}

const char* NomRegle(RegleControle regle) {
  switch (regle) {
    case RegleControle::DecesAvantNaissance: return "death-before-birth";
    case RegleControle::AgeAuDeces: return "age-at-death";
    case RegleControle::EvenementAvantNaissance: return "event-before-birth";
    case RegleControle::InhumationAvantDeces: return "burial-before-death";
    case RegleControle::EvenementAvantDeces: return "event-before-death";
    case RegleControle::EvenementApresDeces: return "event-after-death";
    case RegleControle::EcartAgeConjoints: return "spouses-age-difference";
    case RegleControle::UnionAvantNaissance: return "union-event-before-birth";
    case RegleControle::UnionTropJeune: return "union-event-too-young";
    case RegleControle::UnionApresDeces: return "union-event-after-death";
    case RegleControle::UnionApresDecesConjoint: return "union-event-after-spouse-death";
    case RegleControle::NeApresUnion: return "born-after-union";
    case RegleControle::AgeAUnion: return "age-at-union";
    case RegleControle::ConjointNeApresUnion: return "spouse-born-after-union";
    case RegleControle::AgeConjointAUnion: return "spouse-age-at-union";
    case RegleControle::EnfantAvantNaissance: return "child-before-birth";
    case RegleControle::AgeNaissanceEnfant: return "age-at-child-birth";
    case RegleControle::EnfantApresDeces: return "child-after-death";
    case RegleControle::EcartNaissances: return "births-gap";
    case RegleControle::MereDecedeeAvantNaissance: return "mother-dead-before-birth";
    case RegleControle::AgeMere: return "mother-age-at-birth";
    case RegleControle::EcartFrereSoeur: return "sibling-births-gap";
    case RegleControle::PereDecedeAvantNaissance: return "father-dead-before-birth";
    case RegleControle::AgePere: return "father-age-at-birth";
  }
  return "unknown";
}

void TControleMessages::Ajoute(RegleControle regle, std::vector<CodeID> codes, const AgeControle& age,
                               AnsiString ligne) {
  // A line may open with a fragment written for the middle of a sentence.
  if (!ligne.empty() && ligne[0] >= 'a' && ligne[0] <= 'z') ligne[0] = static_cast<char>(ligne[0] - 'a' + 'A');
  lignes.push_back(ligne);
  constats.push_back({regle, std::move(codes), age, std::move(ligne)});
}

std::unique_ptr<TFullIndividu> _NewFullIndividu(TGDatabase* database, TPreferenceGenvora5* prefs) {
  auto full = std::make_unique<TFullIndividu>();
  full->Prefs = prefs;
  full->SortedList = true;
  full->EvenementsON = true;
  full->UnionsON = true;
  full->SetFiler(database);
  return full;
}

std::unique_ptr<TFullUnion> _NewFullUnion(TGDatabase* database, TPreferenceGenvora5* prefs) {
  auto full = std::make_unique<TFullUnion>();
  full->Prefs = prefs;
  full->SortedList = true;
  full->EvenementsON = true;
  full->SetFiler(database);
  return full;
}

std::unique_ptr<TFullEvenement> _NewFullEvenement(TGDatabase* database, TPreferenceGenvora5* prefs) {
  auto full = std::make_unique<TFullEvenement>();
  full->Prefs = prefs;
  full->SetFiler(database);
  return full;
}

bool _CalculAge(TGDatabase* database, CodeID depuis, CodeID vers, AgeControle& age) {
  age = {};
  Moment a, b;
  if (!LitMoment(database, depuis, a) || !LitMoment(database, vers, b)) return false;
  return AgeEntre(a, b, age);
}

AnsiString GetNombreAnneesTXT(int annees, int mois, int jours, bool absolu) {
  if (absolu) {
    annees = std::abs(annees);
    mois = std::abs(mois);
    jours = std::abs(jours);
  }
  if (annees == 0 && mois == 0 && jours == 0) return Joins({"0", Loc("_ans")});
  if (annees == 0 && mois == 0) return jours == 1 ? Loc("_unJour") : Joins({Nombre(jours), Loc("_jours")});
  if (annees == 0) return Joins({Nombre(mois), Loc("_mois")});
  if (annees == 1) return Loc("_unAn");
  return Joins({Nombre(annees), Loc("_ans")});
}

// ---------------------------------------------------------------- groups

bool ControleLesEvenementIndividuels(TFullIndividu* individu, TControleMessages& messages, TFullEvenement* arrivee,
                                     TFullEvenement* depart, const AnsiString&, const AnsiString&) {
  if (individu == nullptr || individu->Prefs == nullptr || individu->GetCodeID() == 0) return true;
  TGDatabase* db = individu->GetFiler();
  const P& prefs = *individu->Prefs;
  const CodeID qui = individu->GetCodeID();
  const bool homme = individu->Individu().GetMasculin();
  const Moment a = DeFull(arrivee), d = DeFull(depart);
  const std::size_t avant = messages.constats.size();
  AgeControle age;

  if (a.code != 0 && d.code != 0 && AgeEntre(a, d, age)) {
    const AnsiString deces = Loc(homme ? "_ageDecesHomme" : "_ageDeces");
    if (age.Negatif()) {
      messages.Ajoute(RegleControle::DecesAvantNaissance, {qui, a.code, d.code}, age,
                      Joins({Loc("_avtNaiss"), TexteAge(age), deces}));
    } else if (age.annees > prefs.Seuil(homme ? P::scAgeMaxDecesHomme : P::scAgeMaxDecesFemme)) {
      messages.Ajoute(RegleControle::AgeAuDeces, {qui, a.code, d.code}, age, Joins({TexteAge(age), deces}));
    }
  }

  const std::vector<CodeID> evenements = ItemsOf(*individu->GetTableEvenements());
  if (evenements.size() > 1) {
    for (CodeID code : evenements) {
      if (code == a.code || code == d.code) continue;
      Moment e;
      if (!LitMoment(db, code, e)) continue;
      if (a.code != 0 && AgeEntre(a, e, age) && age.Negatif() && !PaireDuJour(a, e, kFullNaissance, kFullBapteme)) {
        messages.Ajoute(RegleControle::EvenementAvantNaissance, {qui, a.code, e.code}, age,
                        Joins({Loc("_avtNaiss"), TexteAge(age), Loc("_aUnEvt"), e.typeTexte}));
      }
      if (d.code == 0 || !AgeEntre(d, e, age) || PaireDuJour(d, e, kFullDeces, kFullInhumation)) continue;
      if (e.type == kFullInhumation && age.Negatif()) {
        messages.Ajoute(RegleControle::InhumationAvantDeces, {qui, d.code, e.code}, age,
                        Joins({Loc("_inhumeAvtDeces"), TexteAge(age)}));
      } else if ((e.type == 38 || e.type == 35) && age.Negatif()) {
        messages.Ajoute(RegleControle::EvenementAvantDeces, {qui, d.code, e.code}, age,
                        Joins({Loc("_EvtAvantAvtDeces"), e.typeTexte, TexteAge(age)}));
      } else if (age.annees > 0) {
        messages.Ajoute(RegleControle::EvenementApresDeces, {qui, d.code, e.code}, age,
                        Joins({Loc("_apresDeces"), TexteAge(age), Loc("_aUnEvt"), e.typeTexte}));
      }
    }
  }
  return messages.constats.size() == avant;
}

bool ControleLesUnions(TFullIndividu* individu, TControleMessages& messages, TFullEvenement* arrivee,
                       TFullEvenement* depart, const AnsiString&, const AnsiString&) {
  if (individu == nullptr || individu->Prefs == nullptr || individu->GetCodeID() == 0) return true;
  const std::vector<CodeID> unions = ItemsOf(*individu->GetTableUnions());
  if (unions.empty()) return true;
  TGDatabase* db = individu->GetFiler();
  const P& prefs = *individu->Prefs;
  const CodeID qui = individu->GetCodeID();
  const bool homme = individu->Individu().GetMasculin();
  const int minPropre = prefs.Seuil(homme ? P::scAgeMinUnionHomme : P::scAgeMinUnionFemme);
  const int maxPropre = prefs.Seuil(homme ? P::scAgeMaxUnionHomme : P::scAgeMaxUnionFemme);
  const int minConjoint = prefs.Seuil(homme ? P::scAgeMinUnionFemme : P::scAgeMinUnionHomme);
  const int maxConjoint = prefs.Seuil(homme ? P::scAgeMaxUnionFemme : P::scAgeMaxUnionHomme);
  const Moment a = DeFull(arrivee), d = DeFull(depart);
  const std::size_t avant = messages.constats.size();
  AgeControle age;

  for (CodeID unionCode : unions) {
    auto full = _NewFullUnion(db, individu->Prefs);
    try {
      full->SetCodeID(unionCode);
    } catch (const std::exception&) {
      continue;
    }
    if (full->GetCodeID() != unionCode) continue;
    const CodeID conjointCode = full->LeConjoint(qui);
    Proche conjoint = ChargeProche(db, individu->Prefs, conjointCode);
    const AnsiString nomConjoint = conjoint.Charge() ? conjoint.Nom() : AnsiString();

    if (a.code != 0 && AgeEntre(a, conjoint.arrivee, age) &&
        std::abs(age.annees) > prefs.Seuil(P::scEcartAgeConjoints)) {
      messages.Ajoute(RegleControle::EcartAgeConjoints, {qui, conjointCode, a.code, conjoint.arrivee.code}, age,
                      Formate("Cvalidcontrolcheck.__ECART_AGE_AU_MARIAGE", std::abs(age.annees), nomConjoint));
      continue;
    }

    for (CodeID code : ItemsOf(*full->GetTableEvenements())) {
      Moment e;
      if (!LitMoment(db, code, e)) continue;
      if (AgeEntre(a, e, age) && age.annees < minPropre) {
        if (age.Negatif()) {
          messages.Ajoute(RegleControle::UnionAvantNaissance, {qui, conjointCode, a.code, e.code}, age,
                          Joins({Loc("_avtNaiss"), TexteAge(age), Loc("_avec"), nomConjoint, Loc("_aUnEvt"),
                                 e.typeTexte}));
        } else {
          messages.Ajoute(RegleControle::UnionTropJeune, {qui, conjointCode, a.code, e.code}, age,
                          Joins({Loc("_avec"), nomConjoint, Loc("_mmtEvt"), e.typeTexte, TexteAge(age),
                                 Loc("_verbeA")}));
        }
      }
      if (AgeEntre(d, e, age) && age.annees > 0) {
        messages.Ajoute(RegleControle::UnionApresDeces, {qui, conjointCode, d.code, e.code}, age,
                        Joins({Loc("_apresDeces"), TexteAge(age), Loc("_avec"), nomConjoint, Loc("_aUnEvt"),
                               e.typeTexte}));
      }
      if (AgeEntre(conjoint.depart, e, age) && age.annees > 0) {
        messages.Ajoute(RegleControle::UnionApresDecesConjoint, {qui, conjointCode, conjoint.depart.code, e.code},
                        age,
                        Joins({Loc("_apresDeces"), TexteAge(age), Loc("_avec"), nomConjoint, Loc("_aUnEvt"),
                               e.typeTexte}));
      }
    }

    const Moment debut = MomentDate(db, full->GetDebut());
    if (AgeEntre(a, debut, age) && (age.annees < minPropre || age.annees > maxPropre)) {
      if (age.Negatif()) {
        messages.Ajoute(RegleControle::NeApresUnion, {qui, conjointCode, a.code, debut.code}, age,
                        Joins({Loc("_apresUnion"), TexteAge(age), Loc(homme ? "_ilEstNe" : "_elleEstNee")}));
      } else {
        messages.Ajoute(RegleControle::AgeAUnion, {qui, conjointCode, a.code, debut.code}, age,
                        Joins({Loc("_auMmtUnion"), TexteAge(age), Loc(homme ? "_ilA" : "_ellA")}));
      }
    }
    if (AgeEntre(conjoint.arrivee, debut, age) && (age.annees < minConjoint || age.annees > maxConjoint)) {
      if (age.Negatif()) {
        messages.Ajoute(RegleControle::ConjointNeApresUnion, {qui, conjointCode, conjoint.arrivee.code, debut.code},
                        age,
                        Joins({Loc("_apresLeurUnion"), TexteAge(age), Loc("_estNe"), Loc("_sonConjoint"),
                               nomConjoint}));
      } else {
        messages.Ajoute(RegleControle::AgeConjointAUnion, {qui, conjointCode, conjoint.arrivee.code, debut.code}, age,
                        Joins({Loc("_auMmtLeurUnion"), TexteAge(age), Loc("_verbeA"), Loc("_sonConjoint"),
                               nomConjoint}));
      }
    }
  }
  return messages.constats.size() == avant;
}

bool ControleLesEnfants(TFullIndividu* individu, TControleMessages& messages, TFullEvenement* arrivee,
                        TFullEvenement* depart, const AnsiString&, const AnsiString&) {
  if (individu == nullptr || individu->Prefs == nullptr || individu->GetCodeID() == 0) return true;
  const std::vector<CodeID> enfants = ItemsOf(*individu->GetTableEnfants());
  if (enfants.empty()) return true;
  TGDatabase* db = individu->GetFiler();
  const P& prefs = *individu->Prefs;
  const CodeID qui = individu->GetCodeID();
  const bool homme = individu->Individu().GetMasculin();
  const bool femme = individu->Individu().GetFeminin();
  const int minimum = prefs.Seuil(homme ? P::scAgeMinPere : P::scAgeMinMere);
  const int maximum = prefs.Seuil(homme ? P::scAgeMaxPere : P::scAgeMaxMere);
  // A father may die before his child is born; the parents' own rule
  // allows him a whole year, and so does this one.
  const int avantDeces = homme ? -2 : -1;
  const Moment a = DeFull(arrivee), d = DeFull(depart);
  const std::size_t avant = messages.constats.size();
  std::vector<std::pair<CodeID, Moment>> nes;
  AgeControle age;

  for (CodeID code : enfants) {
    Proche enfant = ChargeProche(db, individu->Prefs, code);
    if (!enfant.Charge() || enfant.arrivee.code == 0) continue;
    const Moment& n = enfant.arrivee;
    if (AgeEntre(a, n, age)) {
      if (age.Negatif()) {
        messages.Ajoute(RegleControle::EnfantAvantNaissance, {qui, code, a.code, n.code}, age,
                        Joins({Loc("_avtNaissEnfant"), TexteAge(age), Loc(enfant.Femme() ? "_estKoF" : "_estKo"),
                               enfant.Nom()}));
      } else if (age.annees < minimum || age.annees > maximum) {
        messages.Ajoute(RegleControle::AgeNaissanceEnfant, {qui, code, a.code, n.code}, age,
                        Formate("Cvalidcontrolcheck.__AGE_NAISSANCE_OVERFLOW", age.annees, enfant.Nom()));
      }
    }
    if (AgeEntre(n, d, age) && age.AnneesEntamees() <= avantDeces) {
      messages.Ajoute(RegleControle::EnfantApresDeces, {qui, code, d.code, n.code}, age,
                      Joins({Loc("_apresDecesEnfant"), Loc(enfant.Femme() ? "_nee" : "_ne"), Loc("_est"),
                             enfant.Nom()}));
    }
    if (femme) nes.emplace_back(code, n);
  }
  for (std::size_t i = 0; i < nes.size(); ++i) {
    for (std::size_t j = i + 1; j < nes.size(); ++j) {
      if (!AgeEntre(nes[i].second, nes[j].second, age)) continue;
      const int ecart = std::abs(age.nombreJours);
      if (ecart > prefs.Seuil(P::scEcartNaissancesMin) && ecart < prefs.Seuil(P::scEcartNaissancesMax)) {
        AgeControle gap;
        gap.nombreJours = ecart;
        messages.Ajoute(RegleControle::EcartNaissances,
                        {qui, nes[i].first, nes[j].first, nes[i].second.code, nes[j].second.code}, gap,
                        Joins({Loc("_ecartAgeIncoherent"), Nombre(ecart), Loc("_jours")}));
      }
    }
  }
  return messages.constats.size() == avant;
}

bool ControleLesParents(TFullIndividu* individu, TControleMessages& messages, TFullEvenement* arrivee,
                        TFullEvenement*, const AnsiString&, const AnsiString&) {
  if (individu == nullptr || individu->Prefs == nullptr || individu->GetCodeID() == 0) return true;
  const Moment a = DeFull(arrivee);
  if (a.code == 0) return true;
  TGDatabase* db = individu->GetFiler();
  const P& prefs = *individu->Prefs;
  const CodeID qui = individu->GetCodeID();
  const std::size_t avant = messages.constats.size();
  AgeControle age;

  if (const CodeID code = individu->Individu().GetCodeMere(); code != 0) {
    Proche mere = ChargeProche(db, individu->Prefs, code);
    if (mere.Charge()) {
      if (AgeEntre(a, mere.depart, age) && age.AnneesEntamees() <= -1) {
        messages.Ajoute(RegleControle::MereDecedeeAvantNaissance, {qui, code, a.code, mere.depart.code}, age,
                        Joins({Loc("_avtNaiss"), TexteAge(age), Loc("_mereKo")}));
      } else if (AgeEntre(mere.arrivee, a, age) &&
                 (age.annees < prefs.Seuil(P::scAgeMinMere) || age.annees > prefs.Seuil(P::scAgeMaxMere))) {
        messages.Ajoute(RegleControle::AgeMere, {qui, code, mere.arrivee.code, a.code}, age,
                        Joins({Loc("_mmtNaiss"), TexteAge(age), Loc("_mereAvait")}));
      }
      const std::vector<CodeID> fratrie = ItemsOf(*mere.full->GetTableEnfants());
      if (fratrie.size() > 1) {
        for (CodeID autre : fratrie) {
          if (autre == qui) continue;
          Proche frere = ChargeProche(db, individu->Prefs, autre);
          if (!frere.Charge() || !AgeEntre(a, frere.arrivee, age)) continue;
          const int ecart = std::abs(age.nombreJours);
          if (ecart > prefs.Seuil(P::scEcartNaissancesMin) && ecart < prefs.Seuil(P::scEcartNaissancesMax)) {
            AgeControle gap;
            gap.nombreJours = ecart;
            messages.Ajoute(RegleControle::EcartFrereSoeur, {qui, autre, a.code, frere.arrivee.code}, gap,
                            Joins({frere.Nom() + ",", Loc(frere.Femme() ? "_soeur" : "_frere"), Nombre(ecart),
                                   Loc("_joursDecart")}));
          }
        }
      }
    }
  }
  if (const CodeID code = individu->Individu().GetCodePere(); code != 0) {
    Proche pere = ChargeProche(db, individu->Prefs, code);
    if (pere.Charge()) {
      if (AgeEntre(a, pere.depart, age) && age.AnneesEntamees() <= -2) {
        messages.Ajoute(RegleControle::PereDecedeAvantNaissance, {qui, code, a.code, pere.depart.code}, age,
                        Joins({Loc("_avtNaiss"), TexteAge(age), Loc("_pereKo")}));
      } else if (AgeEntre(pere.arrivee, a, age) &&
                 (age.annees < prefs.Seuil(P::scAgeMinPere) || age.annees > prefs.Seuil(P::scAgeMaxPere))) {
        messages.Ajoute(RegleControle::AgePere, {qui, code, pere.arrivee.code, a.code}, age,
                        Joins({Loc("_mmtNaiss"), TexteAge(age), Loc("_pereAvait")}));
      }
    }
  }
  return messages.constats.size() == avant;
}

// ---------------------------------------------------------------- range checking

bool ValidControlRangeCheckingV2(CodeID code, TGDatabase* database, TPreferenceGenvora5* prefs, AnsiString& texte,
                                 bool rapport, bool toujours, bool, std::vector<ConstatControle>* constats) {
  texte.clear();
  if (constats != nullptr) constats->clear();
  if (code == 0 || database == nullptr || prefs == nullptr) return true;
  auto individu = _NewFullIndividu(database, prefs);
  individu->SetCodeID(code);
  // Nothing of a person that cannot be read can be compared.
  if (individu->GetCodeID() != code) return true;
  const AnsiString nom = individu->GetText();
  const bool femme = individu->Individu().GetFeminin();
  const AnsiString pronom = Loc(femme ? "_elle" : "_il");
  const bool accepte = individu->Individu().GetHorsControle();

  TControleMessages messages;
  bool coherent = true;
  if (rapport || !accepte) {
    auto charge = [&](CodeID event) -> std::unique_ptr<TFullEvenement> {
      if (event == 0) return nullptr;
      auto full = _NewFullEvenement(database, prefs);
      full->SetCodeID(event);
      if (full->GetCodeID() != event || full->Evenement().GetDate()->EstVide()) return nullptr;
      return full;
    };
    auto arrivee = charge(individu->GetArrivee());
    auto depart = charge(individu->GetDepart());
    const bool evenements =
        ControleLesEvenementIndividuels(individu.get(), messages, arrivee.get(), depart.get(), nom, pronom);
    if (!evenements) messages.lignes.emplace_back();
    const bool unions = ControleLesUnions(individu.get(), messages, arrivee.get(), depart.get(), nom, pronom);
    if (!unions) messages.lignes.emplace_back();
    const bool enfants = ControleLesEnfants(individu.get(), messages, arrivee.get(), depart.get(), nom, pronom);
    if (!enfants) messages.lignes.emplace_back();
    const bool parents = ControleLesParents(individu.get(), messages, arrivee.get(), depart.get(), nom, pronom);
    coherent = evenements && unions && enfants && parents;
  }

  if (rapport) {
    if (!coherent || toujours) {
      if (coherent && toujours) messages.lignes.push_back(Loc("_ctrlCoherenceOk"));
      if (toujours || !accepte) {
        bool nouveau = accepte;
        if (Host().CoherenceDialog(nom, messages.lignes, nouveau)) {
          individu->Individu().SetHorsControle(nouveau);
          individu->Sauve();
        }
      }
    }
    for (std::size_t i = 0; i < messages.lignes.size(); ++i) {
      if (i != 0) texte += "\r\n";
      texte += messages.lignes[i];
    }
  }
  if (constats != nullptr) *constats = std::move(messages.constats);
  return coherent || individu->Individu().GetHorsControle();
}

// ---------------------------------------------------------------- completeness

namespace {

// The criteria an event misses, in order; `atteint` tells whether at least
// one was met.
std::vector<const char*> Manques(TFullEvenement* e, const TPreferenceGenvora5* prefs, bool& atteint) {
  std::vector<const char*> manques;
  atteint = false;
  const TGDate& date = *e->Evenement().GetDate();
  if (date.EstVide()) {
    manques.push_back("_manqueDate");
  } else {
    atteint = true;
    if (prefs != nullptr && prefs->CompletDateApproximative && (date.EstApproximative() || date.GetDay(false) == 0))
      manques.push_back("_dateApprox");
  }
  if (prefs == nullptr) return manques;
  if (prefs->CompletLieu) {
    if (e->Evenement().GetDicoLieu() == 0) manques.push_back("_manqueLieu");
    else atteint = true;
  }
  if (prefs->CompletSource) {
    if (e->GetTableDocuments()->GetCount() == 0) manques.push_back("_pasDeSource");
    else atteint = true;
  }
  if (prefs->CompletRecherche) {
    if (e->Evenement().GetRechercheActe() == 1) manques.push_back("_pasDeRecherche");
    else atteint = true;
  }
  return manques;
}

std::unique_ptr<TFullEvenement> ChargeEvenement(TGDatabase* db, TPreferenceGenvora5* prefs, CodeID code) {
  if (code == 0) return nullptr;
  auto full = _NewFullEvenement(db, prefs);
  try {
    full->SetCodeID(code);
  } catch (const std::exception&) {
    return nullptr;
  }
  if (full->GetCodeID() != code) return nullptr;
  return full;
}

evenementCompletionValuesT Etat(TGDatabase* db, TPreferenceGenvora5* prefs, CodeID code) {
  auto e = ChargeEvenement(db, prefs, code);
  return static_cast<evenementCompletionValuesT>(e ? CheckEvenementTroisEtats(e.get(), prefs, nullptr) : 0);
}

bool Complet(TGDatabase* db, TPreferenceGenvora5* prefs, CodeID code) {
  auto e = ChargeEvenement(db, prefs, code);
  return e != nullptr && CheckEvenement(e.get(), prefs, nullptr);
}

std::unique_ptr<TFullIndividu> ChargeIndividu(TGDatabase* db, TPreferenceGenvora5* prefs, CodeID code) {
  auto full = _NewFullIndividu(db, prefs);
  try {
    full->SetCodeID(code);
  } catch (const std::exception&) {
    return nullptr;
  }
  if (full->GetCodeID() != code) return nullptr;
  return full;
}

}  // namespace

bool CheckEvenement(TFullEvenement* evenement, TPreferenceGenvora5* prefs, std::vector<AnsiString>* lignes) {
  if (evenement == nullptr || evenement->GetCodeID() == 0) return false;
  bool atteint = false;
  const auto manques = Manques(evenement, prefs, atteint);
  if (manques.empty()) return true;
  if (lignes != nullptr) lignes->push_back(Loc(manques.front()));
  return false;
}

int CheckEvenementTroisEtats(TFullEvenement* evenement, TPreferenceGenvora5* prefs, std::vector<AnsiString>* lignes) {
  if (evenement == nullptr || evenement->GetCodeID() == 0) return ecIncomplet;
  bool atteint = false;
  const auto manques = Manques(evenement, prefs, atteint);
  if (lignes != nullptr)
    for (const char* m : manques) lignes->push_back(Loc(m));
  if (manques.empty()) return ecComplet;
  return atteint ? ecPartiellementComplet : ecIncomplet;
}

int ValidEvenement(CodeID code, TGDatabase* database, TPreferenceGenvora5* prefs, std::vector<AnsiString>* lignes) {
  if (code == 0) {
    if (lignes != nullptr) lignes->push_back(Loc("_aucuneInfo"));
    return 0;
  }
  auto e = ChargeEvenement(database, prefs, code);
  return e != nullptr && CheckEvenement(e.get(), prefs, lignes) ? 2 : 1;
}

bool ValidIndividuComplet(CodeID code, TGDatabase* database, TPreferenceGenvora5* prefs, int anneeCourante) {
  if (code == 0 || database == nullptr || prefs == nullptr) return true;
  auto individu = ChargeIndividu(database, prefs, code);
  if (individu == nullptr) return false;
  if (individu->Individu().GetComplet()) return true;
  if (anneeCourante == 0) anneeCourante = CurrentYear();
  const CodeID arrivee = individu->GetArrivee();
  if (arrivee == 0 || !Complet(database, prefs, arrivee)) return false;
  const CodeID depart = individu->GetDepart();
  if (depart == 0) {
    Moment n;
    LitMoment(database, arrivee, n);
    const int maximum = individu->Individu().GetFeminin() ? prefs->AgeMaxFemme() : prefs->AgeMaxHomme();
    if (AnneeDe(n.date) < anneeCourante - maximum) return false;
  } else if (!Complet(database, prefs, depart)) {
    return false;
  }
  for (CodeID unionCode : ItemsOf(*individu->GetTableUnions())) {
    auto u = _NewFullUnion(database, prefs);
    try {
      u->SetCodeID(unionCode);
    } catch (const std::exception&) {
      return false;
    }
    if (u->GetCodeID() != unionCode || !Complet(database, prefs, u->GetDebut())) return false;
  }
  return true;
}

bool IndividuEstIlComplet(CodeID code, TGDatabase* database, TPreferenceGenvora5* prefs,
                          evenementCompletionValuesT& naissance, evenementCompletionValuesT& alliance,
                          evenementCompletionValuesT& deces, int anneeCourante) {
  naissance = alliance = deces = ecIncomplet;
  if (code == 0 || database == nullptr || prefs == nullptr) return false;
  auto individu = ChargeIndividu(database, prefs, code);
  if (individu == nullptr) return false;
  if (anneeCourante == 0) anneeCourante = CurrentYear();
  const TGIndividu& record = individu->Individu();
  const bool femme = record.GetFeminin();

  const CodeID arrivee = individu->GetArrivee();
  naissance = arrivee != 0 ? Etat(database, prefs, arrivee) : ecIncomplet;
  const Moment n = MomentDate(database, arrivee);
  const int anneeNaissance = n.code != 0 ? AnneeDe(n.date) : 0;

  const CodeID depart = individu->GetDepart();
  const Moment d = MomentDate(database, depart);
  if (depart != 0) {
    deces = Etat(database, prefs, depart);
  } else if (anneeNaissance != 0 &&
             anneeCourante - (femme ? prefs->AgeMaxFemme() : prefs->AgeMaxHomme()) <= anneeNaissance) {
    deces = ecNonAttendu;
  }

  const std::vector<CodeID> unions = ItemsOf(*individu->GetTableUnions());
  if (record.GetSansAlliance() != 0) {
    alliance = ecNonAttendu;
  } else if (!unions.empty()) {
    int cote = -1;
    for (CodeID unionCode : unions) {
      if (cote == ecPartiellementComplet) break;
      auto u = _NewFullUnion(database, prefs);
      try {
        u->SetCodeID(unionCode);
      } catch (const std::exception&) {
      }
      const CodeID debut = u->GetCodeID() == unionCode ? u->GetDebut() : 0;
      if (debut == 0) {
        // A union without a start event cannot be complete.
        if (cote == -1 || cote == ecComplet) cote = ecIncomplet;
        continue;
      }
      const int etat = Etat(database, prefs, debut);
      if (cote == -1) cote = etat;
      else if (etat != cote) cote = ecPartiellementComplet;
    }
    alliance = static_cast<evenementCompletionValuesT>(cote < 0 ? ecIncomplet : cote);
  } else if (anneeNaissance != 0) {
    const int minimum = prefs->Seuil(femme ? P::scAgeMinUnionFemme : P::scAgeMinUnionHomme);
    const int anneeDeces = d.code != 0 ? AnneeDe(d.date) : 0;
    if (anneeCourante - minimum <= anneeNaissance || (anneeDeces != 0 && anneeDeces - minimum <= anneeNaissance))
      alliance = ecNonAttendu;
  }

  if (record.GetComplet()) return true;
  auto fait = [](evenementCompletionValuesT v) { return v == ecComplet || v == ecNonAttendu; };
  return fait(naissance) && fait(alliance) && fait(deces);
}

bool _OkPourLesTests(TGDatabase* database, TFullIndividu* individu, TPreferenceGenvora5*) {
  if (database == nullptr || individu == nullptr || individu->GetCodeID() == 0) return false;
  return MomentDate(database, individu->GetArrivee()).code != 0;
}

}  // namespace genvora
