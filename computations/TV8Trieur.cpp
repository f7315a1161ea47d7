#include "computations/TV8Trieur.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "computations/TFullIndividu.h"
#include "containers/LArray.h"
#include "database/TGDatabase.h"
#include "dates/TGDate.h"
#include "platform/Exception.h"
#include "platform/Host.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

std::string CleCode(CodeID code) {
  char text[16];
  std::snprintf(text, sizeof text, "#%u", code);
  return text;
}

std::uint64_t PaireCle(CodeID a, CodeID b) { return (static_cast<std::uint64_t>(a) << 32) | b; }

bool LitNom(TGDatabase* db, CodeID code, TGNom& nom) {
  return db != nullptr && code != 0 && nom.LitDans(code, db->Tables().dicoNoms);
}

// The master variant of a surname: its Rattachement when set and not its
// own code, else itself.
CodeID Maitre(TGDatabase* db, CodeID code) {
  TGNom nom;
  if (!LitNom(db, code, nom)) return code;
  const CodeID r = nom.GetRattachement();
  return r != 0 && r != code ? r : code;
}

std::string TexteMaj(TGDatabase* db, CodeID code) {
  TGNom nom;
  return LitNom(db, code, nom) ? std::string(AnsiUpperCase(nom.GetNom())) : std::string();
}

}  // namespace

TV8Trieur::TV8Trieur() = default;
TV8Trieur::~TV8Trieur() = default;

void TV8Trieur::SetFiler1(TGDatabase* db) {
  filerA_ = db;
  Invalide();
}

void TV8Trieur::SetFiler2(TGDatabase* db) {
  filerB_ = db;
  Invalide();
}

void TV8Trieur::Invalide() {
  fichesA_.clear();
  fichesB_.clear();
  groupesB_.clear();
  groupesLus_ = false;
  candidatsValides_ = false;
  dernierGroupe_.clear();
}

// ------------------------------------------------------------- first names

std::vector<std::string> TV8Trieur::Mots(const AnsiString& text) {
  const std::string upper = AnsiUpperCase(text);
  std::vector<std::string> words;
  std::string word;
  for (char ch : upper) {
    if (ch == ' ' || ch == ',') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += ch;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

namespace {

bool Inconnu(const std::vector<std::string>& words) {
  return words.empty() || std::find(words.begin(), words.end(), "?") != words.end();
}

bool Contient(const std::vector<std::string>& list, const std::string& word) {
  return std::find(list.begin(), list.end(), word) != list.end();
}

// Every name of the shorter list in the longer; with equal lengths every
// name of the second in the first.
bool Sous(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  const auto& courte = a.size() < b.size() ? a : b;
  const auto& longue = a.size() < b.size() ? b : a;
  return std::all_of(courte.begin(), courte.end(), [&](const std::string& w) { return Contient(longue, w); });
}

bool AuMoinsUn(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  return std::any_of(a.begin(), a.end(), [&](const std::string& w) { return Contient(b, w); });
}

}  // namespace

bool TV8Trieur::Methode1(const AnsiString&, const AnsiString&) const { return true; }

bool TV8Trieur::Methode2(const AnsiString& a, const AnsiString& b) const {
  const auto wa = Mots(a), wb = Mots(b);
  return !Inconnu(wa) && !Inconnu(wb) && Sous(wa, wb);
}

bool TV8Trieur::Methode3(const AnsiString& a, const AnsiString& b) const {
  const auto wa = Mots(a), wb = Mots(b);
  return !Inconnu(wa) && !Inconnu(wb) && AuMoinsUn(wa, wb);
}

bool TV8Trieur::Methode4(const AnsiString& a, const AnsiString& b) const {
  const auto wa = Mots(a), wb = Mots(b);
  return !Inconnu(wa) && !Inconnu(wb) && wa.front() == wb.front();
}

bool TV8Trieur::ComparePrenoms(const AnsiString& a, const AnsiString& b) const {
  switch (prenomsFnt_) {
    case epfNoMatch:
      return Methode1(a, b);
    case epfAsSubset:
      return Methode2(a, b);
    case epfAtLeastOneMatch:
      return Methode3(a, b);
    case epfFirstMatching:
      return Methode4(a, b);
  }
  return false;
}

bool TV8Trieur::PrenomsCompatibles(const Fiche& a, const Fiche& b) const {
  if (prenomsFnt_ == epfNoMatch) return true;
  if (a.inconnu || b.inconnu) return false;
  switch (prenomsFnt_) {
    case epfAsSubset:
      return Sous(a.mots, b.mots);
    case epfAtLeastOneMatch:
      return AuMoinsUn(a.mots, b.mots);
    case epfFirstMatching:
      return a.mots.front() == b.mots.front();
    default:
      return true;
  }
}

// ------------------------------------------------------------------- dates

TV8Trieur::DateCle TV8Trieur::CleDe(const TGDate* date) {
  DateCle cle;
  if (date == nullptr || date->EstVide()) return cle;
  cle.vide = false;
  cle.jours = date->GetNombreDeJours(false);
  cle.motCle = date->GetKeywordIndex(false);
  TGDate greg;
  // The conversion reads the date and writes only its target.
  const_cast<TGDate*>(date)->EnGregorien(&greg);
  cle.anneeGregorienne = greg.GetYear(false);
  return cle;
}

bool TV8Trieur::CompareCles(const DateCle& a, const DateCle& b) const {
  if (a.vide || b.vide) return false;
  if (DateIdentique) return a.jours == b.jours && a.motCle == b.motCle;
  if (AnneeIdentique) return a.anneeGregorienne == b.anneeGregorienne;
  // IntervaleFlou years of 365.25 days, truncated to whole days.
  const std::int64_t tolerance = static_cast<std::int64_t>(IntervaleFlou) * 36525 / 100;
  const std::int64_t ecart = static_cast<std::int64_t>(a.jours) - b.jours;
  return (ecart < 0 ? -ecart : ecart) <= tolerance;
}

bool TV8Trieur::CompareDate(const TGDate* d1, const TGDate* d2) const { return CompareCles(CleDe(d1), CleDe(d2)); }

// ----------------------------------------------------------------- persons

const TV8Trieur::Fiche& TV8Trieur::FicheDe(TGDatabase* db, CodeID code) {
  auto& fiches = db == filerA_ ? fichesA_ : fichesB_;
  Fiche& f = fiches[code];
  if (f.lu) return f;
  f.lu = true;
  f.inconnu = true;
  TGIndividu individu;
  if (db == nullptr || !individu.LitDans(code, db->Tables().individus)) return f;
  f.prenoms = individu.GetChar(5);
  f.mots = Mots(f.prenoms);
  f.inconnu = Inconnu(f.mots);
  const AnsiString sexe = individu.GetChar(10);
  f.sexe = !sexe.empty() && (sexe[0] == 'm' || sexe[0] == 'f') ? sexe[0] : '?';
  f.pere = individu.GetCodePere();
  f.mere = individu.GetCodeMere();
  TGNom nom;
  if (LitNom(db, individu.GetCodeNom(), nom)) f.nomTexte = TFullIndividu::NomAffiche(nom);
  if (eventFnt_ != eefMatching) return f;
  // The events in the order a full record lists them (own events by date,
  // then the shared ones attended). Arrival and departure follow the full
  // record's rule: birth (death) before christening (burial), a dated one
  // first; an undated one only ever compares false, so only dated ones are
  // kept. Events that cannot be read are passed over.
  LArray events(4, nullptr, false);
  db->Tables().evenements->LesEvenementsDe(code, &events);
  f.evenements = events.GetCount() != 0;
  DateCle premier[4];  // first of types 4, 8, 12, 6, in that order
  bool vu[4] = {false, false, false, false};
  static constexpr std::uint32_t kTypes[4] = {kFullNaissance, kFullBapteme, kFullDeces, kFullInhumation};
  TGEvenement e;
  for (int i = 1; i <= static_cast<int>(events.GetCount()); ++i) {
    CodeID event = 0;
    if (!events.FetchItemAt(i, &event) || !e.LitDans(event, db->Tables().evenements)) continue;
    const std::uint32_t type = e.GetType();
    bool principal = false;
    for (int k = 0; k < 4; ++k) {
      if (type != kTypes[k]) continue;
      principal = true;
      if (!vu[k]) premier[k] = CleDe(e.GetDate()), vu[k] = true;
    }
    if (!principal) f.autres.push_back(CleDe(e.GetDate()));
  }
  f.arrivee = !premier[0].vide ? premier[0] : premier[1];
  f.depart = !premier[2].vide ? premier[2] : premier[3];
  return f;
}

bool TV8Trieur::EventsCompatibles(const Fiche& a, const Fiche& b) const {
  if (eventFnt_ == eefNothing) return true;
  if (a.evenements && b.evenements) {
    if (CompareCles(a.arrivee, b.arrivee)) return true;
    if (CompareCles(a.depart, b.depart)) return true;
    for (const DateCle& db : b.autres)
      for (const DateCle& da : a.autres)
        if (CompareCles(da, db)) return true;
    return false;
  }
  if (!a.evenements && !b.evenements) return false;
  return SansEvenementAccepte;
}

bool TV8Trieur::EventMethodeNone(CodeID, CodeID) { return true; }

bool TV8Trieur::EventMethodeAtLeast(CodeID a, CodeID b) {
  const TEnumEventFnt kept = eventFnt_;
  eventFnt_ = eefMatching;
  // Fiches read without events are read again.
  if (kept != eefMatching) {
    fichesA_.erase(a);
    fichesB_.erase(b);
  }
  const Fiche fa = FicheDe(filerA_, a);
  const Fiche fb = FicheDe(filerB_, b);
  const bool ok = EventsCompatibles(fa, fb);
  if (kept != eefMatching) {
    fichesA_.erase(a);
    fichesB_.erase(b);
  }
  eventFnt_ = kept;
  return ok;
}

bool TV8Trieur::CheckLienRecursif(CodeID a, CodeID b, TGDatabase* db) const {
  if (db == nullptr) db = filerA_;
  if (db == nullptr || a == 0 || b == 0 || a == b) return false;
  const TG5QuickList* quick = db->Tables().QuickList();
  std::vector<CodeID> pending{a};
  std::unordered_set<CodeID> seen{a};
  while (!pending.empty()) {
    const CodeID code = pending.back();
    pending.pop_back();
    CodeID pere = 0, mere = 0;
    if (!quick->GetParents(code, pere, mere)) continue;
    for (CodeID parent : {pere, mere}) {
      if (parent == 0) continue;
      if (parent == b) return true;
      // A loop in damaged parent fields ends here.
      if (seen.insert(parent).second) pending.push_back(parent);
    }
  }
  return false;
}

bool TV8Trieur::LesDeuxMereOntLeMemePatronyme(CodeID m1, CodeID m2) {
  TGIndividu i1, i2;
  if (filerA_ == nullptr || filerB_ == nullptr || !i1.LitDans(m1, filerA_->Tables().individus) ||
      !i2.LitDans(m2, filerB_->Tables().individus))
    return false;
  const bool meme = filerA_ == filerB_;
  auto formes = [&](TGDatabase* db, CodeID nom) {
    std::vector<std::string> out;
    if (nom == 0) return out;
    for (CodeID c : {nom, Maitre(db, nom)}) out.push_back(meme ? CleCode(c) : TexteMaj(db, c));
    return out;
  };
  const auto f1 = formes(filerA_, i1.GetCodeNom()), f2 = formes(filerB_, i2.GetCodeNom());
  for (const auto& a : f1)
    if (!a.empty() && Contient(f2, a)) return true;
  return false;
}

bool TV8Trieur::TestSiDoublons(CodeID a, CodeID b) {
  const Fiche fa = FicheDe(filerA_, a);
  const Fiche fb = FicheDe(filerB_, b);
  if (fa.sexe != '?' && fb.sexe != '?' && fa.sexe != fb.sexe) return false;
  if (ComparerParents) {
    if (fa.pere == 0 && fa.mere == 0 && fb.pere == 0 && fb.mere == 0) return false;
    bool ok = false;
    if (fa.pere != 0 && fb.pere != 0)
      ok = ComparePrenoms(FicheDe(filerA_, fa.pere).prenoms, FicheDe(filerB_, fb.pere).prenoms);
    if (!ok && fa.mere != 0 && fb.mere != 0 && LesDeuxMereOntLeMemePatronyme(fa.mere, fb.mere))
      ok = ComparePrenoms(FicheDe(filerA_, fa.mere).prenoms, FicheDe(filerB_, fb.mere).prenoms);
    if (!ok) return false;
  }
  if (ExclureAscendance && filerA_ == filerB_ && (CheckLienRecursif(a, b) || CheckLienRecursif(b, a))) return false;
  return true;
}

// ---------------------------------------------------------- bookkeeping

bool TV8Trieur::AjoutDansDoublonsArray(CodeID a, CodeID b) {
  if (rapportees_.count(PaireCle(a, b)) != 0) return false;
  if (filerA_ == filerB_ && rapportees_.count(PaireCle(b, a)) != 0) return false;
  rapportees_.insert(PaireCle(a, b));
  paires_.emplace_back(a, b);
  return true;
}

void TV8Trieur::AjoutDansListeDoublonMethode1(CodeID code) {
  if (doublonsSet_.insert(code).second) doublons_.push_back(code);
}

void TV8Trieur::TesterTousLesDoublons(CodeID a, CodeID b) {
  if (TestSiDoublons(a, b) && AjoutDansDoublonsArray(a, b)) {
    AjoutDansListeDoublonMethode1(a);
    AjoutDansListeDoublonMethode1(b);
  }
  testees_.emplace_back(a, b);
}

// -------------------------------------------------------------- candidates

std::string TV8Trieur::CleGroupe(TGDatabase* db, CodeID nom) {
  if (nom == 0) return {};
  const CodeID maitre = Maitre(db, nom);
  if (filerA_ == filerB_) return CleCode(maitre);
  return TexteMaj(db, maitre);
}

void TV8Trieur::ConstruitCandidats(CodeID x) {
  TGIndividu individu;
  CodeID nom = 0;
  if (individu.LitDans(x, filerA_->Tables().individus)) nom = individu.GetCodeNom();
  const std::string groupe = CleGroupe(filerA_, nom);
  if (candidatsValides_ && groupe == dernierGroupe_) return;
  if (!groupesLus_) {
    groupesLus_ = true;
    const LArray* list = filerB_->Tables().dicoNoms->GetCodeList();
    for (int i = 1; list != nullptr && i <= static_cast<int>(list->GetCount()); ++i) {
      std::uint32_t pair[2] = {0, 0};
      if (!list->FetchItemAt(i, pair) || pair[0] == 0) continue;
      const std::string cle = CleGroupe(filerB_, pair[0]);
      if (!cle.empty()) groupesB_[cle].push_back(pair[0]);
    }
  }
  dernierGroupe_ = groupe;
  candidatsValides_ = true;
  candidats_.clear();
  parMot_.clear();
  parPremierMot_.clear();
  casesValides_ = false;
  if (groupe.empty()) return;
  const auto found = groupesB_.find(groupe);
  if (found == groupesB_.end()) return;
  LArray porteurs(4, nullptr, false);
  for (CodeID s : found->second) filerB_->Tables().individus->PorteursDuNom(s, &porteurs, prTous, false);
  for (int i = 1; i <= static_cast<int>(porteurs.GetCount()); ++i) {
    CodeID code = 0;
    if (porteurs.FetchItemAt(i, &code)) candidats_.push_back(code);
  }
  for (int pos = 0; pos < static_cast<int>(candidats_.size()); ++pos) {
    const Fiche& f = FicheDe(filerB_, candidats_[pos]);
    if (f.inconnu) continue;
    parPremierMot_[f.mots.front()].push_back(pos);
    std::vector<std::string> distincts = f.mots;
    std::sort(distincts.begin(), distincts.end());
    distincts.erase(std::unique(distincts.begin(), distincts.end()), distincts.end());
    for (const std::string& w : distincts) parMot_[w].push_back(pos);
  }
}

bool TV8Trieur::AccepteCandidat(CodeID x, const Fiche& fx, CodeID c) {
  if (filerA_ == filerB_ && c == x) return false;
  const Fiche& fc = FicheDe(filerB_, c);
  return PrenomsCompatibles(fx, fc) && EventsCompatibles(fx, fc);
}

// Positions of candidates in increasing order, merged lazily from sorted
// lists (each without repeats), so that a walk that stops at its first
// accepted candidate pays only for what it reads; "all" gives 0..count-1.
struct TV8Trieur::Flux {
  bool tout = false;
  int count = 0;
  int suivant = 0;
  std::vector<std::pair<const std::vector<int>*, std::size_t>> tetes;

  void Ajoute(const std::vector<int>* list) {
    if (list != nullptr && !list->empty()) tetes.emplace_back(list, 0);
  }
  // The next position; -1 at the end.
  int Suivant() {
    if (tout) return suivant < count ? suivant++ : -1;
    int best = -1;
    for (const auto& [list, i] : tetes)
      if (i < list->size() && (best < 0 || (*list)[i] < best)) best = (*list)[i];
    if (best < 0) return -1;
    for (auto& [list, i] : tetes)
      if (i < list->size() && (*list)[i] == best) ++i;
    return best;
  }
};

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

TV8Trieur::Flux TV8Trieur::ParPrenoms(const Fiche& fx) const {
  Flux flux;
  if (prenomsFnt_ == epfNoMatch || SansPreselection) {
    flux.tout = true;
    flux.count = static_cast<int>(candidats_.size());
    return flux;
  }
  if (fx.inconnu) return flux;
  if (prenomsFnt_ == epfFirstMatching) {
    const auto found = parPremierMot_.find(fx.mots.front());
    if (found != parPremierMot_.end()) flux.Ajoute(&found->second);
    return flux;
  }
  for (const std::string& w : fx.mots) {
    const auto found = parMot_.find(w);
    if (found != parMot_.end()) flux.Ajoute(&found->second);
  }
  return flux;
}

int TV8Trieur::ModeDates() const { return DateIdentique ? -2 : AnneeIdentique ? -1 : IntervaleFlou; }

std::vector<std::int64_t> TV8Trieur::Cases(const DateCle& d, bool requete) const {
  std::vector<std::int64_t> out;
  if (d.vide) return out;
  if (DateIdentique) {
    out.push_back(d.jours);
  } else if (AnneeIdentique) {
    out.push_back(d.anneeGregorienne);
  } else {
    const std::int64_t tolerance = static_cast<std::int64_t>(IntervaleFlou) * 36525 / 100;
    if (tolerance < 0) return out;
    // Boxes one tolerance wide: a date within the tolerance of d lies in
    // d's box or a neighbour.
    const std::int64_t largeur = tolerance + 1;
    if (!requete) {
      out.push_back(FloorDiv(d.jours, largeur));
    } else {
      for (std::int64_t k = FloorDiv(d.jours - tolerance, largeur); k <= FloorDiv(d.jours + tolerance, largeur); ++k)
        out.push_back(k);
    }
  }
  return out;
}

void TV8Trieur::ConstruitCasesDates() {
  modeCases_ = ModeDates();
  casesValides_ = true;
  parCase_.clear();
  avecEvenements_.clear();
  sansEvenements_.clear();
  for (int pos = 0; pos < static_cast<int>(candidats_.size()); ++pos) {
    const Fiche& f = FicheDe(filerB_, candidats_[pos]);
    (f.evenements ? avecEvenements_ : sansEvenements_).push_back(pos);
    if (!f.evenements) continue;
    auto range = [&](const DateCle& d) {
      for (std::int64_t k : Cases(d, false)) {
        std::vector<int>& list = parCase_[k];
        if (list.empty() || list.back() != pos) list.push_back(pos);
      }
    };
    range(f.arrivee);
    range(f.depart);
    for (const DateCle& d : f.autres) range(d);
  }
}

TV8Trieur::Flux TV8Trieur::ParDates(const Fiche& fx) {
  Flux flux;
  if (eventFnt_ != eefMatching || SansPreselection) {
    flux.tout = true;
    flux.count = static_cast<int>(candidats_.size());
    return flux;
  }
  if (!casesValides_ || modeCases_ != ModeDates()) ConstruitCasesDates();
  if (!fx.evenements) {
    // Only a candidate with events, and only with the no-events option.
    if (SansEvenementAccepte) flux.Ajoute(&avecEvenements_);
    return flux;
  }
  auto ajoute = [&](const DateCle& d) {
    for (std::int64_t k : Cases(d, true)) {
      const auto found = parCase_.find(k);
      if (found != parCase_.end()) flux.Ajoute(&found->second);
    }
  };
  ajoute(fx.arrivee);
  ajoute(fx.depart);
  for (const DateCle& d : fx.autres) ajoute(d);
  if (SansEvenementAccepte) flux.Ajoute(&sansEvenements_);
  return flux;
}

template <class Visite>
void TV8Trieur::Parcourt(const Fiche& fx, Visite visite) {
  Flux noms = ParPrenoms(fx);
  Flux dates = ParDates(fx);
  int a = noms.Suivant(), b = dates.Suivant();
  while (a >= 0 && b >= 0) {
    if (a < b) {
      a = noms.Suivant();
    } else if (b < a) {
      b = dates.Suivant();
    } else {
      if (visite(a)) return;
      a = noms.Suivant();
      b = dates.Suivant();
    }
  }
}

std::vector<TV8Trieur::Candidat> TV8Trieur::GetDoublonsDsBox1(CodeID code) {
  std::vector<Candidat> out;
  if (filerA_ == nullptr || filerB_ == nullptr || !filerA_->EstIndividu(code)) return out;
  ConstruitCandidats(code);
  const Fiche fx = FicheDe(filerA_, code);
  Parcourt(fx, [&](int pos) {
    const CodeID c = candidats_[pos];
    if (!AccepteCandidat(code, fx, c)) return false;
    const Fiche& fc = FicheDe(filerB_, c);
    out.push_back({c, fc.prenoms + " " + fc.nomTexte, AnsiUpperCase(fc.nomTexte) != AnsiUpperCase(fx.nomTexte)});
    return false;
  });
  return out;
}

void TV8Trieur::Doublons() {
  Stop = false;
  if (OnStart) OnStart();
  paires_.clear();
  rapportees_.clear();
  doublons_.clear();
  doublonsSet_.clear();
  testees_.clear();
  scannes_.clear();
  resume_.clear();
  // The records may have changed since the last call.
  Invalide();
  if (filerA_ == nullptr || filerB_ == nullptr) return;
  const LArray* index = filerA_->Tables().individus->GetIndexAlpha();
  const int count = index == nullptr ? 0 : static_cast<int>(index->GetCount());
  for (int i = 1; i <= count && !Stop; ++i) {
    if (i % 10 == 0) V5ProcessMessage();
    CodeID x = 0;
    if (!index->FetchItemAt(i, &x) || !filerA_->EstIndividu(x)) continue;
    ConstruitCandidats(x);
    const Fiche fx = FicheDe(filerA_, x);
    Parcourt(fx, [&](int pos) {
      const CodeID c = candidats_[pos];
      if (!AccepteCandidat(x, fx, c) || !TestSiDoublons(x, c)) return false;
      scannes_.push_back(x);
      TesterTousLesDoublons(x, c);
      return true;
    });
    if (OnProgress) OnProgress(i, count);
  }
  resume_ = std::to_string(paires_.size()) + " possible duplicate pair(s)";
}

}  // namespace genvora
