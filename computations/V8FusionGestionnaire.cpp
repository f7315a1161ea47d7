#include "computations/V8FusionGestionnaire.h"

#include <algorithm>

#include "computations/TFullIndividu.h"
#include "computations/TGSuppression.h"
#include "containers/CodeList.h"
#include "containers/LArray.h"
#include "database/TGDatabase.h"
#include "records/TGAdresse.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGLieu.h"
#include "records/TGMedia.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TVGProfession.h"
#include "tables/TGTableLiens.h"
#include "tables/TGTablePrenoms.h"

namespace genvora {

namespace {

constexpr const char* kJoint = " - ";
// The role of a person in its own shared event.
constexpr liensListT kRoleProprietaire = 101;
// Sexes of the first-name dictionary.
constexpr int kSexeMasculin = 0, kSexeFeminin = 1, kSexeAutre = 2;

bool EstSelecteurTexte(champsListeFusion kind) {
  return kind == cfPrenoms || kind == cfAlias || kind == cfProfessions || kind == cfSuffixe || kind == cfTitre ||
         kind == cfNumero || (kind >= cfUser0 && kind <= cfUser12);
}

// The record selector of a text field of the individual.
int Selecteur(champsListeFusion kind) {
  switch (kind) {
    case cfPrenoms: return 5;
    case cfProfessions: return 6;
    case cfSuffixe: return 7;
    case cfAlias: return 8;
    case cfTitre: return 9;
    case cfNumero: return 12;
    default: return 13 + (kind - cfUser0);
  }
}

AnsiString Nombre(const char* what, CodeID code) { return AnsiString(what) + " " + std::to_string(code); }

AnsiString Joint(const AnsiString& a, const AnsiString& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + kJoint + b;
}

// First names of `b` that `a` lacks as a whole word, appended after a space.
AnsiString ConcatenerPrenoms(const AnsiString& a, const AnsiString& b) {
  AnsiString out = a;
  std::size_t at = 0;
  while (at < b.size()) {
    const std::size_t end = std::min(b.find(' ', at), b.size());
    const AnsiString word = b.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    bool present = false;
    for (std::size_t p = out.find(word); p != AnsiString::npos && !present; p = out.find(word, p + 1))
      present = (p == 0 || out[p - 1] == ' ') && (p + word.size() == out.size() || out[p + word.size()] == ' ');
    if (!present) out = out.empty() ? word : out + " " + word;
  }
  return out;
}

}  // namespace

const char* NomDuChamp(champsListeFusion kind) {
  if (kind >= cfUser0 && kind <= cfUser12) return "user field";
  switch (kind) {
    case cfIndividu: return "individual";
    case cfNom: return "surname";
    case cfPrenoms: return "first names";
    case cfAlias: return "alias";
    case cfProfessions: return "professions";
    case cfSuffixe: return "suffix";
    case cfTitre: return "title";
    case cfNumero: return "number";
    case cfSignature: return "signature";
    case cfFiliation: return "filiation";
    case cfAdresse: return "address";
    case cfNote: return "note";
    case cfMedia: return "medium";
    case cfParents: return "parents";
    case cfPere: return "father";
    case cfMere: return "mother";
    case cfEnfant: return "child";
    case cfUnion: return "union";
    case cfLien: return "link";
    case cfEvenement: return "event";
    case cfDate: return "date";
    case cfLieu: return "place";
    case cfSubdivision: return "subdivision";
    case cfSource: return "source";
    case cfTypeUnion: return "union type";
    case cfAgeSurActe: return "age on certificate";
    case cfPrefixe: return "prefix";
    default: return "field";
  }
}

// What RecupererValeur works on: the individual A (with B), or one of A's
// events or unions (with B's matching one, either possibly absent).
struct V8FusionGestionnaire::Cible {
  CodeID codeA = 0;  // the record whose notes, media and sources are meant
  CodeID codeB = 0;
  TGEvenement* evA = nullptr;
  TGEvenement* evB = nullptr;
  TGUnion* unA = nullptr;
  TGUnion* unB = nullptr;
};

V8FusionGestionnaire::V8FusionGestionnaire()
    : indiA_(std::make_unique<TGIndividu>()), indiB_(std::make_unique<TGIndividu>()) {}
V8FusionGestionnaire::~V8FusionGestionnaire() = default;

bool V8FusionGestionnaire::LesMemes(champsListeFusion kind, CodeID a, CodeID b) const {
  if (db_ == nullptr || a == 0 || b == 0) return false;
  TGDatabaseTables& t = db_->Tables();
  switch (kind) {
    case cfUnion: {
      TGUnion ua, ub;
      if (!ua.LitDans(a, t.unions) || !ub.LitDans(b, t.unions)) return false;
      const CodeID spouseA = ua.GetEpoux() == a_ ? ua.GetEpouse() : ua.GetEpoux();
      const CodeID spouseB = ub.GetEpoux() == b_ ? ub.GetEpouse() : ub.GetEpoux();
      return spouseA == spouseB;
    }
    case cfLien: {
      TGLien la, lb;
      if (!la.LitDans(a, t.liens) || !lb.LitDans(b, t.liens)) return false;
      return la.GetLienVers() == lb.GetLienVers() && la.GetTitre() == lb.GetTitre();
    }
    case cfEvenement: {
      TGEvenement ea, eb;
      if (!ea.LitDans(a, t.evenements) || !eb.LitDans(b, t.evenements)) return false;
      // Only the events a life holds once pair up.
      static constexpr std::uint32_t kUniques[] = {kFullNaissance, kFullBapteme, kFullDeces, kFullInhumation,
                                                   kFullMariage};
      if (std::find(std::begin(kUniques), std::end(kUniques), ea.GetType()) == std::end(kUniques)) return false;
      return ea.GetType() == eb.GetType() && ea.GetTitre() == eb.GetTitre();
    }
    default:
      return a == b;
  }
}

int V8FusionGestionnaire::Ajoute(champsListeFusion kind, int parent, CodeID codeA, CodeID codeB, const AnsiString& a,
                                 const AnsiString& b, bool identique) {
  V8FusionTypeElement line;
  line.champ = kind;
  line.parent = parent;
  line.code1 = codeA;
  line.code2 = codeB;
  line.chaineA = a;
  line.chaineB = b;
  line.vide1 = a.empty() && codeA == 0;
  line.vide2 = b.empty() && codeB == 0;
  line.identique = identique;
  lignes_.push_back(line);
  return static_cast<int>(lignes_.size()) - 1;
}

bool V8FusionGestionnaire::SetCodes(CodeID a, CodeID b) {
  lignes_.clear();
  versA_.clear();
  a_ = a, b_ = b;
  supprime_ = 0;
  deCujusChange_ = false;
  if (db_ == nullptr || a == b || !db_->EstIndividu(a) || !db_->EstIndividu(b)) return false;
  if (!indiA_->LitDans(a, db_->Tables().individus) || !indiB_->LitDans(b, db_->Tables().individus)) return false;
  Construit();
  return true;
}

namespace {

struct Textes {
  TGDatabase& db;

  AnsiString Personne(CodeID code) const {
    TGIndividu i;
    if (code == 0 || !i.LitDans(code, db.Tables().individus)) return code == 0 ? AnsiString() : Nombre("individual", code);
    TGNom nom;
    const bool named = i.GetCodeNom() != 0 && db.Tables().dicoNoms->FetchData(i.GetCodeNom(), &nom);
    return TFullIndividu::TexteIndividu(i, named ? &nom : nullptr) + " (" + std::to_string(code) + ")";
  }
  AnsiString Nom(CodeID code) const {
    TGNom nom;
    if (code == 0 || !db.Tables().dicoNoms->FetchData(code, &nom)) return {};
    return TFullIndividu::NomAffiche(nom);
  }
  AnsiString Lieu(CodeID code) const {
    TGLieu lieu;
    if (code == 0 || !db.Tables().dicoLieux->FetchData(code, &lieu)) return {};
    AnsiString out;
    for (const AnsiString& part : {lieu.GetVille(), lieu.GetDepartement(), lieu.GetRegion(), lieu.GetPays()})
      if (!part.empty()) out += (out.empty() ? "" : ", ") + part;
    return out.empty() ? Nombre("place", code) : out;
  }
  AnsiString Date(TGEvenement& e) const {
    if (e.GetDate()->EstVide()) return {};
    e.GetDate()->SetFormat("%GED");
    return e.GetDate()->GetText();
  }
  AnsiString Note(CodeID code) const {
    return code != 0 && db.Tables().notes->HasNote(code) ? db.Tables().notes->GetNoteText(code) : AnsiString();
  }
  AnsiString Adresse(CodeID code) const {
    TGAdresse adresse;
    if (code == 0 || !adresse.LitDans(code, db.Tables().dicoAdresses)) return {};
    const AnsiString text = Joint(adresse.GetTexte(TGAdresse::kAdresse1), adresse.GetTexte(TGAdresse::kVille));
    return text.empty() ? Nombre("address", code) : text;
  }
  AnsiString Media(CodeID code) const {
    TGMedia media;
    if (!db.Tables().medias->FetchData(code, &media) || media.GetOriginalFullPath().empty()) return Nombre("medium", code);
    return media.GetOriginalFullPath();
  }
  AnsiString Lien(CodeID code, CodeID self) const {
    TGLien lien;
    if (!lien.LitDans(code, db.Tables().liens)) return Nombre("link", code);
    const CodeID other = lien.GetLienDe() == self ? lien.GetLienVers() : lien.GetLienDe();
    AnsiString what = lien.GetTitre();
    if (db.EstEvenement(other)) {
      TGEvenement e;
      if (e.LitDans(other, db.Tables().evenements)) return Joint(what, e.GetTitre() + " (" + std::to_string(other) + ")");
    }
    return Joint(what, Personne(other));
  }
};

// A's or B's text of an individual field.
AnsiString TexteChamp(const Textes& x, champsListeFusion kind, const TGIndividu& i) {
  if (EstSelecteurTexte(kind)) return i.GetChar(Selecteur(kind));
  switch (kind) {
    case cfNom: return x.Nom(i.GetCodeNom());
    case cfPrefixe: return i.GetPrefixe();
    case cfSignature: return i.GetSignature() == 0 ? AnsiString() : std::to_string(i.GetSignature());
    case cfFiliation: return i.GetFiliation() == 0 ? AnsiString() : std::to_string(i.GetFiliation());
    case cfNote: return x.Note(i.GetCodeID());
    default: return {};
  }
}

}  // namespace

void V8FusionGestionnaire::AjouteSources(int parent, CodeID a, CodeID b) {
  TGTableLienDocuments& docs = *db_->Tables().DocumentLiens();
  auto documents = [&](CodeID event) {
    LArray list(4, nullptr, false);
    if (event != 0) docs.DocumentDe(event, &list);
    return ItemsOf(list);
  };
  const std::vector<CodeID> da = documents(a), db = documents(b);
  for (CodeID d : da) {
    const bool both = std::find(db.begin(), db.end(), d) != db.end();
    Ajoute(cfSource, parent, d, both ? d : 0, Nombre("document", d), both ? Nombre("document", d) : "", both);
  }
  for (CodeID d : db)
    if (std::find(da.begin(), da.end(), d) == da.end()) Ajoute(cfSource, parent, 0, d, "", Nombre("document", d), false);
}

void V8FusionGestionnaire::AjouteChampsEvenement(int line, CodeID a, CodeID b) {
  Textes x{*db_};
  TGEvenement ea, eb;
  const bool hasA = a != 0 && ea.LitDans(a, db_->Tables().evenements);
  const bool hasB = b != 0 && eb.LitDans(b, db_->Tables().evenements);
  auto add = [&](champsListeFusion kind, const AnsiString& ta, const AnsiString& tb) {
    if (ta.empty() && tb.empty()) return;
    Ajoute(kind, line, 0, 0, ta, tb, ta == tb);
  };
  add(cfDate, hasA ? x.Date(ea) : "", hasB ? x.Date(eb) : "");
  {
    const CodeID la = hasA ? ea.GetDicoLieu() : 0, lb = hasB ? eb.GetDicoLieu() : 0;
    if (la != 0 || lb != 0) Ajoute(cfLieu, line, la, lb, x.Lieu(la), x.Lieu(lb), la == lb);
  }
  add(cfSubdivision, hasA ? ea.GetSubdivision() : "", hasB ? eb.GetSubdivision() : "");
  add(cfAgeSurActe, hasA ? ea.GetAgeSurActe() : "", hasB ? eb.GetAgeSurActe() : "");
  add(cfNote, x.Note(a), x.Note(b));
  AjouteSources(line, a, b);
}

void V8FusionGestionnaire::AjouteEvenements(int parent, CodeID ownerA, CodeID ownerB) {
  std::vector<CodeID> ea, eb;
  if (ownerA != 0) db_->Tables().evenements->LesEvenementsDe(ownerA, ea);
  if (ownerB != 0) db_->Tables().evenements->LesEvenementsDe(ownerB, eb);
  std::vector<bool> pairedB(eb.size(), false);
  auto titre = [&](CodeID code) {
    TGEvenement e;
    return code != 0 && e.LitDans(code, db_->Tables().evenements) ? e.GetTitre() : AnsiString();
  };
  auto add = [&](CodeID a, CodeID b) {
    const int line = Ajoute(cfEvenement, parent, a, b, titre(a), titre(b), false);
    AjouteChampsEvenement(line, a, b);
  };
  for (CodeID a : ea) {
    CodeID match = 0;
    for (std::size_t k = 0; k < eb.size() && match == 0; ++k)
      if (!pairedB[k] && LesMemes(cfEvenement, a, eb[k])) match = eb[k], pairedB[k] = true;
    add(a, match);
  }
  for (std::size_t k = 0; k < eb.size(); ++k)
    if (!pairedB[k]) add(0, eb[k]);
}

void V8FusionGestionnaire::Construit() {
  Textes x{*db_};
  TGDatabaseTables& t = db_->Tables();
  const TGIndividu& a = *indiA_;
  const TGIndividu& b = *indiB_;
  Ajoute(cfIndividu, 0, a_, b_, x.Personne(a_), x.Personne(b_), false);

  auto field = [&](champsListeFusion kind) {
    const AnsiString ta = TexteChamp(x, kind, a), tb = TexteChamp(x, kind, b);
    if (ta.empty() && tb.empty()) return;
    Ajoute(kind, 0, 0, 0, ta, tb, ta == tb);
  };
  {
    const CodeID na = a.GetCodeNom(), nb = b.GetCodeNom();
    if (na != 0 || nb != 0) Ajoute(cfNom, 0, na, nb, x.Nom(na), x.Nom(nb), na == nb);
  }
  for (champsListeFusion kind : {cfPrenoms, cfAlias, cfPrefixe, cfSuffixe, cfTitre, cfNumero, cfProfessions,
                                 cfSignature, cfFiliation})
    field(kind);
  for (int k = cfUser0; k <= cfUser12; ++k) field(static_cast<champsListeFusion>(k));
  {
    const CodeID da = t.dicoAdresses->GetAdresseIndi(a_), dbb = t.dicoAdresses->GetAdresseIndi(b_);
    if (da != 0 || dbb != 0) Ajoute(cfAdresse, 0, da, dbb, x.Adresse(da), x.Adresse(dbb), da == dbb);
  }
  field(cfNote);

  // Media, by medium.
  {
    auto medias = [&](CodeID owner) {
      std::vector<CodeID> out;
      for (CodeID link : t.MediaLiens()->LiensDe(owner)) {
        TGLienMedia l;
        if (t.MediaLiens()->FetchData(link, &l)) out.push_back(l.GetXREFMedia());
      }
      return out;
    };
    const std::vector<CodeID> ma = medias(a_), mb = medias(b_);
    for (CodeID m : ma) {
      const bool both = std::find(mb.begin(), mb.end(), m) != mb.end();
      Ajoute(cfMedia, 0, m, both ? m : 0, x.Media(m), both ? x.Media(m) : "", both);
    }
    for (CodeID m : mb)
      if (std::find(ma.begin(), ma.end(), m) == ma.end()) Ajoute(cfMedia, 0, 0, m, "", x.Media(m), false);
  }

  // Parents.
  if (a.GetCodePere() != 0 || a.GetCodeMere() != 0 || b.GetCodePere() != 0 || b.GetCodeMere() != 0) {
    const bool same = a.GetCodePere() == b.GetCodePere() && a.GetCodeMere() == b.GetCodeMere();
    Ajoute(cfParents, 0, 0, 0, "parents", "parents", same);
    Ajoute(cfPere, 0, a.GetCodePere(), b.GetCodePere(), x.Personne(a.GetCodePere()), x.Personne(b.GetCodePere()),
           a.GetCodePere() == b.GetCodePere());
    Ajoute(cfMere, 0, a.GetCodeMere(), b.GetCodeMere(), x.Personne(a.GetCodeMere()), x.Personne(b.GetCodeMere()),
           a.GetCodeMere() == b.GetCodeMere());
  }

  // Children, by code; A itself is no child of the merged person.
  {
    auto children = [&](CodeID parent) {
      LArray list(4, nullptr, false);
      t.individus->LesEnfantsDe(parent, 0, &list);
      std::vector<CodeID> out = ItemsOf(list);
      out.erase(std::remove(out.begin(), out.end(), a_), out.end());
      return out;
    };
    const std::vector<CodeID> ca = children(a_), cb = children(b_);
    for (CodeID c : ca) {
      const bool both = std::find(cb.begin(), cb.end(), c) != cb.end();
      Ajoute(cfEnfant, 0, c, both ? c : 0, x.Personne(c), both ? x.Personne(c) : "", both);
    }
    for (CodeID c : cb)
      if (std::find(ca.begin(), ca.end(), c) == ca.end()) Ajoute(cfEnfant, 0, 0, c, "", x.Personne(c), false);
  }

  // Unions, by spouse; a union of A with B has no place once B is gone.
  {
    auto unions = [&](CodeID person, CodeID other) {
      std::vector<CodeID> out, asWife;
      t.unions->LesUnionsDe(person, 0, out);
      t.unions->LesUnionsDe(0, person, asWife);
      for (CodeID u : asWife)
        if (std::find(out.begin(), out.end(), u) == out.end()) out.push_back(u);
      std::vector<CodeID> kept;
      for (CodeID u : out) {
        TGUnion r;
        if (r.LitDans(u, t.unions) && r.GetEpoux() != other && r.GetEpouse() != other) kept.push_back(u);
      }
      return kept;
    };
    auto spouse = [&](CodeID u, CodeID person) {
      TGUnion r;
      if (!r.LitDans(u, t.unions)) return AnsiString();
      return x.Personne(r.GetEpoux() == person ? r.GetEpouse() : r.GetEpoux());
    };
    const std::vector<CodeID> ua = unions(a_, b_), ub = unions(b_, a_);
    std::vector<bool> pairedB(ub.size(), false);
    auto add = [&](CodeID u, CodeID v) {
      const int line = Ajoute(cfUnion, 0, u, v, u ? spouse(u, a_) : "", v ? spouse(v, b_) : "", false);
      TGUnion ra, rb;
      const bool hasA = u != 0 && ra.LitDans(u, t.unions), hasB = v != 0 && rb.LitDans(v, t.unions);
      const AnsiString ta = hasA && ra.GetTypeUnion() != 0 ? ra.GetTypeUnionTexte() : "";
      const AnsiString tb = hasB && rb.GetTypeUnion() != 0 ? rb.GetTypeUnionTexte() : "";
      if (!ta.empty() || !tb.empty()) Ajoute(cfTypeUnion, line, 0, 0, ta, tb, ta == tb);
      const AnsiString na = x.Note(u), nb = x.Note(v);
      if (!na.empty() || !nb.empty()) Ajoute(cfNote, line, 0, 0, na, nb, na == nb);
      AjouteEvenements(line, u, v);
    };
    for (CodeID u : ua) {
      CodeID match = 0;
      for (std::size_t k = 0; k < ub.size() && match == 0; ++k)
        if (!pairedB[k] && LesMemes(cfUnion, u, ub[k])) match = ub[k], pairedB[k] = true;
      add(u, match);
    }
    for (std::size_t k = 0; k < ub.size(); ++k)
      if (!pairedB[k]) add(0, ub[k]);
  }

  // Links of the person to persons and events (both ends).
  {
    auto links = [&](CodeID person) {
      std::vector<CodeID> out;
      t.liens->LesLiensDe(person, out, llTous);
      std::sort(out.begin(), out.end());
      out.erase(std::unique(out.begin(), out.end()), out.end());
      return out;
    };
    const std::vector<CodeID> la = links(a_), lb = links(b_);
    std::vector<bool> pairedB(lb.size(), false);
    for (CodeID l : la) {
      CodeID match = 0;
      for (std::size_t k = 0; k < lb.size() && match == 0; ++k)
        if (!pairedB[k] && LesMemes(cfLien, l, lb[k])) match = lb[k], pairedB[k] = true;
      Ajoute(cfLien, 0, l, match, x.Lien(l, a_), match ? x.Lien(match, b_) : "", match != 0);
    }
    for (std::size_t k = 0; k < lb.size(); ++k)
      if (!pairedB[k]) Ajoute(cfLien, 0, 0, lb[k], "", x.Lien(lb[k], b_), false);
  }

  AjouteEvenements(0, a_, b_);
}

void V8FusionGestionnaire::SelectionParDefaut(bool preferB) {
  for (std::size_t i = 0; i < lignes_.size(); ++i) {
    V8FusionTypeElement& l = lignes_[i];
    l.selectionA = l.selectionB = false;
    if (i == 0 || l.identique) continue;
    // A pair of events or unions is merged line by line below it.
    if ((l.champ == cfEvenement || l.champ == cfUnion) && !l.vide1 && !l.vide2) {
      l.selectionA = l.selectionB = true;
      continue;
    }
    const bool first = preferB ? !l.vide2 : !l.vide1;
    (preferB ? l.selectionB : l.selectionA) = first;
    if (!first) (preferB ? l.selectionA : l.selectionB) = !(preferB ? l.vide1 : l.vide2);
  }
}

int V8FusionGestionnaire::FinDuGroupe(int line) const {
  int end = line + 1;
  auto inside = [&](int k) {
    for (int p = lignes_[static_cast<std::size_t>(k)].parent; p != 0; p = lignes_[static_cast<std::size_t>(p)].parent)
      if (p == line) return true;
    return false;
  };
  while (end < GetCount() && inside(end)) ++end;
  return end;
}

bool V8FusionGestionnaire::SousLigneChoisie(int line, bool sideB) const {
  for (int k = line + 1, end = FinDuGroupe(line); k < end; ++k) {
    const V8FusionTypeElement& l = lignes_[static_cast<std::size_t>(k)];
    if (sideB ? (l.selectionB && !l.vide2) : l.selectionA) return true;
  }
  return false;
}

bool V8FusionGestionnaire::Fusion(TFusionReport* report) {
  if (db_ == nullptr || lignes_.empty()) return false;
  const CodeID deCujus = db_->Header.GetDeCujus();
  DemarrerFusion(report);
  const CodeID survivant = supprime_ == a_ ? b_ : a_;
  if (deCujus != 0 && deCujus == supprime_) {
    db_->SetDeCujus(survivant);
    deCujusChange_ = true;
  }
  return true;
}

void V8FusionGestionnaire::DemarrerFusion(TFusionReport* report) {
  TGDatabaseTables& t = db_->Tables();
  const V8FusionTypeElement& whole = lignes_[0];
  if (whole.selectionA || whole.selectionB) {
    supprime_ = whole.selectionA ? b_ : a_;
    RemoveIndividu(supprime_, db_);
    return;
  }
  supprime_ = b_;
  // An unknown sex never overwrites a known one.
  const AnsiString sexeA = indiA_->GetChar(10), sexeB = indiB_->GetChar(10);
  if ((sexeA.empty() || sexeA == "?") && (sexeB == "m" || sexeB == "f")) indiA_->SetChar(10, sexeB);

  Cible individu;
  individu.codeA = a_, individu.codeB = b_;
  for (int line = 1; line < GetCount(); ++line) {
    const V8FusionTypeElement& l = lignes_[static_cast<std::size_t>(line)];
    if (l.parent != 0 || l.identique) continue;
    if (l.vide1 && l.vide2) continue;
    if (report != nullptr) report->lignes.push_back(line);
    switch (l.champ) {
      case cfUnion: FusionneUnion(l.code1, l.code2, line, report); break;
      case cfParents: FusionneParents(line); break;
      case cfEvenement: FusionneEvenement(l.code1, l.code2, line, a_, report); break;
      case cfPere:
      case cfMere: break;  // with the parents line
      default:
        if ((l.champ >= cfNom && l.champ <= cfMedia) || l.champ == cfEnfant || l.champ == cfLien || l.champ == cfPrefixe)
          RecupererValeur(l.champ, line, individu);
    }
  }

  VerifSiParentsExistent();
  VerifCoherence();
  indiA_->SetModifyNow();
  t.individus->EcritData(indiA_.get());
  // The dictionaries read A's stored texts.
  TGDatabaseCodes codes(*db_);
  if (prenomsChanges_) {
    t.liensPrenoms->SupprLiensUnCode(a_);
    t.liensPrenoms->SupprLiensUnCode(b_);
    const AnsiString sexe = indiA_->GetChar(10);
    const int code = sexe == "m" ? kSexeMasculin : sexe == "f" ? kSexeFeminin : kSexeAutre;
    t.prenoms->AjouterMettreAJourPrenom(indiA_->GetChar(5), a_, static_cast<sexePrenomT>(code), &codes);
  }
  if (professionsChanges_) {
    // A's links are rebuilt from the professions A and B were linked to.
    std::vector<AnsiString> known;
    for (CodeID person : {a_, b_}) {
      LArray list(4, nullptr, false);
      t.liensProfessions->GetProfessions(person, &list);
      for (CodeID p : ItemsOf(list)) {
        TVGProfession profession;
        if (t.professions->FetchData(p, &profession)) known.push_back(profession.GetProfession());
      }
    }
    t.professions->MettreAJourProfessionForIndividu(a_, known, nullptr, &codes);
  }
  VerifSiUnionParentsExiste(report);
  FusionneTache();
  SupprimeAdresse(b_);
  RemoveIndividu(b_, db_);
  db_->FichierModifie = true;
}

void V8FusionGestionnaire::RecupererValeur(champsListeFusion kind, int line, Cible& cible) {
  const V8FusionTypeElement& l = lignes_[static_cast<std::size_t>(line)];
  if (l.identique || (l.vide1 && l.vide2)) return;
  if (l.selectionB && !l.vide2) {
    if (l.selectionA && !l.vide1)
      Concatener(kind, line, cible);
    else
      RecopierB(kind, line, cible);
  } else if (!l.selectionA && !l.vide1) {
    Effacer(kind, line, cible);
  }
}

void V8FusionGestionnaire::Concatener(champsListeFusion kind, int line, Cible& cible) {
  const V8FusionTypeElement& l = lignes_[static_cast<std::size_t>(line)];
  TGIndividu& a = *indiA_;
  switch (kind) {
    case cfPrenoms:
      a.SetChar(5, ConcatenerPrenoms(a.GetChar(5), indiB_->GetChar(5)));
      prenomsChanges_ = true;
      break;
    case cfProfessions:
      a.SetChar(6, Joint(l.chaineA, l.chaineB));
      professionsChanges_ = true;
      break;
    case cfAlias:
    case cfTitre:
      a.SetChar(Selecteur(kind), Joint(l.chaineA, l.chaineB));
      break;
    case cfNote: {
      TGTableNote& notes = *db_->Tables().notes;
      notes.ReplaceNote(cible.codeA, Joint(notes.GetNoteText(cible.codeA), notes.GetNoteText(cible.codeB)));
      break;
    }
    case cfSubdivision:
      if (cible.evA != nullptr) cible.evA->SetText(TGEvenement::kSubdivision, Joint(l.chaineA, l.chaineB));
      break;
    default:
      if (kind >= cfUser0 && kind <= cfUser12) a.SetChar(Selecteur(kind), Joint(l.chaineA, l.chaineB));
      // The other kinds keep A's value.
      break;
  }
}

void V8FusionGestionnaire::RecopierB(champsListeFusion kind, int line, Cible& cible) {
  const V8FusionTypeElement& l = lignes_[static_cast<std::size_t>(line)];
  TGDatabaseTables& t = db_->Tables();
  TGIndividu& a = *indiA_;
  const TGIndividu& b = *indiB_;
  if (EstSelecteurTexte(kind)) {
    a.SetChar(Selecteur(kind), b.GetChar(Selecteur(kind)));
    prenomsChanges_ |= kind == cfPrenoms;
    professionsChanges_ |= kind == cfProfessions;
    return;
  }
  switch (kind) {
    case cfNom: a.SetCodeNom(b.GetCodeNom()); break;
    case cfPrefixe: a.SetPrefixe(b.GetPrefixe()); break;
    case cfSignature: a.SetSignature(b.GetSignature()); break;
    case cfFiliation: a.SetFiliation(b.GetFiliation()); break;
    case cfNote: {
      AnsiString text;
      bool prive = false;
      if (t.notes->GetNote(cible.codeB, text, prive)) t.notes->ReplaceNote(cible.codeA, text, prive);
      break;
    }
    case cfAdresse:
      SupprimeAdresse(a_);
      t.dicoAdresses->AjouterLien(l.code2, a_);
      a.SetCodeAdresse(l.code2);
      break;
    case cfMedia: {
      TGLienMedia link;
      link.SetCodeID(db_->GetNextID());
      link.SetXREFMedia(l.code2);
      link.SetXREFCible(cible.codeA);
      link.SetGenre(cible.evA != nullptr ? omEvenement : omIndividu);
      t.MediaLiens()->EcritData(&link);
      break;
    }
    case cfSource: {
      if (cible.evA == nullptr) break;
      TGLienDocument link;
      link.SetCodeID(db_->GetNextID());
      link.SetXREFDocument(l.code2);
      link.SetXREFEvenement(cible.codeA);
      t.DocumentLiens()->EcritData(&link);
      break;
    }
    case cfEnfant: {
      TGIndividu child;
      if (l.code2 == a_ || !child.LitDans(l.code2, t.individus)) break;
      if (child.GetCodePere() == b_)
        child.SetCodePere(a_);
      else if (child.GetCodeMere() == b_)
        child.SetCodeMere(a_);
      else
        break;
      t.individus->EcritData(&child);
      break;
    }
    case cfLien: {
      TGLien link;
      if (!link.LitDans(l.code2, t.liens)) break;
      auto translate = [&](CodeID end) {
        if (end == b_) return a_;
        auto it = versA_.find(end);
        return it != versA_.end() ? it->second : end;
      };
      const CodeID from = translate(link.GetLienDe()), to = translate(link.GetLienVers());
      // A link of A to itself, or to one of A's own events, is dropped.
      auto ofA = [&](CodeID end) {
        if (end == a_) return true;
        TGEvenement e;
        if (!db_->EstEvenement(end) || !e.LitDans(end, t.evenements)) return false;
        if (e.GetProprietaire() == a_) return true;
        TGUnion u;
        return u.LitDans(e.GetProprietaire(), t.unions) && (u.GetEpoux() == a_ || u.GetEpouse() == a_);
      };
      const bool fromChanged = from != link.GetLienDe();
      if (ofA(fromChanged ? to : from) && ofA(fromChanged ? from : to)) break;
      link.SetLienDe(from);
      link.SetLienVers(to);
      t.liens->EcritData(&link);
      break;
    }
    case cfDate:
      if (cible.evA != nullptr && cible.evB != nullptr) cible.evA->SetDateBlock(cible.evB->GetDateBlock());
      break;
    case cfLieu:
      if (cible.evA != nullptr && cible.evB != nullptr) cible.evA->SetDicoLieu(cible.evB->GetDicoLieu());
      break;
    case cfSubdivision:
      if (cible.evA != nullptr && cible.evB != nullptr) cible.evA->SetText(TGEvenement::kSubdivision, l.chaineB);
      break;
    case cfAgeSurActe:
      if (cible.evA != nullptr && cible.evB != nullptr) cible.evA->SetText(TGEvenement::kAgeSurActe, l.chaineB);
      break;
    case cfTypeUnion:
      if (cible.unA != nullptr && cible.unB != nullptr) cible.unA->SetTypeUnion(cible.unB->GetTypeUnion());
      break;
    default:
      if (kind >= cfUser0 && kind <= cfUser12) a.SetChar(Selecteur(kind), b.GetChar(Selecteur(kind)));
      break;
  }
}

void V8FusionGestionnaire::Effacer(champsListeFusion kind, int line, Cible& cible) {
  const V8FusionTypeElement& l = lignes_[static_cast<std::size_t>(line)];
  TGDatabaseTables& t = db_->Tables();
  TGIndividu& a = *indiA_;
  if (EstSelecteurTexte(kind) || (kind >= cfUser0 && kind <= cfUser12)) {
    a.SetChar(Selecteur(kind), {});
    prenomsChanges_ |= kind == cfPrenoms;
    professionsChanges_ |= kind == cfProfessions;
    return;
  }
  switch (kind) {
    case cfNom: a.SetCodeNom(0); break;
    case cfPrefixe: a.SetPrefixe({}); break;
    case cfSignature: a.SetSignature(0); break;
    case cfFiliation: a.SetFiliation(0); break;
    case cfNote:
      if (t.notes->HasNote(cible.codeA)) t.notes->DeleteNote(cible.codeA);
      break;
    case cfAdresse:
      SupprimeAdresse(a_);
      a.SetCodeAdresse(0);
      break;
    case cfMedia:
      for (CodeID link : t.MediaLiens()->LiensDe(cible.codeA)) {
        TGLienMedia m;
        if (t.MediaLiens()->FetchData(link, &m) && m.GetXREFMedia() == l.code1) t.MediaLiens()->DeleteData(link);
      }
      break;
    case cfSource:
      for (CodeID link = t.DocumentLiens()->IDDuLien(cible.codeA, l.code1), last = 0; link != 0 && link != last;
           last = link, link = t.DocumentLiens()->IDDuLien(cible.codeA, l.code1))
        t.DocumentLiens()->DeleteData(link);
      break;
    case cfEnfant: {
      TGIndividu child;
      if (!child.LitDans(l.code1, t.individus)) break;
      if (child.GetCodePere() == a_)
        child.SetCodePere(0);
      else if (child.GetCodeMere() == a_)
        child.SetCodeMere(0);
      else
        break;
      t.individus->EcritData(&child);
      break;
    }
    case cfLien: t.liens->DeleteData(l.code1); break;
    case cfPere: a.SetCodePere(0); break;
    case cfMere: a.SetCodeMere(0); break;
    case cfDate:
      if (cible.evA != nullptr) cible.evA->SetDateBlock(TGDate::dateT{});
      break;
    case cfLieu:
      if (cible.evA != nullptr) cible.evA->SetDicoLieu(0);
      break;
    case cfSubdivision:
      if (cible.evA != nullptr) cible.evA->SetText(TGEvenement::kSubdivision, {});
      break;
    case cfAgeSurActe:
      if (cible.evA != nullptr) cible.evA->SetText(TGEvenement::kAgeSurActe, {});
      break;
    case cfTypeUnion:
      if (cible.unA != nullptr) cible.unA->SetTypeUnion(0);
      break;
    default: break;
  }
}

void V8FusionGestionnaire::FusionneParents(int line) {
  for (int k = line + 1; k <= line + 3 && k < GetCount(); ++k) {
    const V8FusionTypeElement& l = lignes_[static_cast<std::size_t>(k)];
    if (l.champ != cfPere && l.champ != cfMere) continue;
    if (l.identique || (l.vide1 && l.vide2)) continue;
    if (l.selectionB && !l.vide2 && (!l.selectionA || l.vide1)) {
      // A parent that would be A itself is none.
      const CodeID parent = l.code2 == a_ ? 0 : l.code2;
      (l.champ == cfPere) ? indiA_->SetCodePere(parent) : indiA_->SetCodeMere(parent);
    } else if (!l.selectionA && !l.selectionB && !l.vide1) {
      (l.champ == cfPere) ? indiA_->SetCodePere(0) : indiA_->SetCodeMere(0);
    }
  }
}

void V8FusionGestionnaire::FusionneEvenement(CodeID codeA, CodeID codeB, int line, CodeID owner,
                                             TFusionReport* report) {
  TGDatabaseTables& t = db_->Tables();
  const V8FusionTypeElement& l = lignes_[static_cast<std::size_t>(line)];
  if (l.selectionA && !l.selectionB) return;
  if (l.selectionB && !l.selectionA && codeB != 0) {
    if (codeA != 0) RemoveEvenement(codeA, db_);
    TGEvenement e;
    if (!e.LitDans(codeB, t.evenements)) return;
    e.SetProprietaire(owner);
    // A shared event is reached through its owner's link too (the person
    // is the LienDe end).
    if (e.GetPartage() && t.liens->LeLienIndiEvt(owner, codeB) == 0) {
      TGLien link;
      link.SetCodeID(db_->GetNextID());
      link.SetLienDe(owner);
      link.SetLienVers(codeB);
      link.SetType(kRoleProprietaire);
      t.liens->EcritData(&link);
      if (report != nullptr) report->crees.push_back(link.GetCodeID());
    }
    t.evenements->EcritData(&e);
    return;
  }
  if (!l.selectionA && !l.selectionB && !SousLigneChoisie(line, false) && !SousLigneChoisie(line, true)) {
    if (codeA != 0) RemoveEvenement(codeA, db_);
    return;
  }
  TGEvenement ea, eb;
  const bool hasB = codeB != 0 && eb.LitDans(codeB, t.evenements);
  bool hasA = codeA != 0 && ea.LitDans(codeA, t.evenements);
  if (!hasA) {
    if (!hasB || !SousLigneChoisie(line, true)) return;
    ea.SetCodeID(db_->GetNextID());
    ea.SetProprietaire(owner);
    ea.SetType(eb.GetType());
    ea.SetText(TGEvenement::kTitre, eb.GetText(TGEvenement::kTitre));
    ea.SetCreatedNow();
    hasA = true;
    if (report != nullptr) report->crees.push_back(ea.GetCodeID());
  }
  if (hasB) versA_[codeB] = ea.GetCodeID();
  Cible cible;
  cible.codeA = ea.GetCodeID(), cible.codeB = codeB;
  cible.evA = &ea, cible.evB = hasB ? &eb : nullptr;
  // The event exists before its sources and notes name it.
  t.evenements->EcritData(&ea);
  for (int k = line + 1, end = FinDuGroupe(line); k < end; ++k)
    RecupererValeur(lignes_[static_cast<std::size_t>(k)].champ, k, cible);
  ea.SetModifyNow();
  t.evenements->EcritData(&ea);
  if (hasB) t.evenements->EcritData(&eb);
}

void V8FusionGestionnaire::FusionneUnion(CodeID codeA, CodeID codeB, int line, TFusionReport* report) {
  TGDatabaseTables& t = db_->Tables();
  const V8FusionTypeElement& l = lignes_[static_cast<std::size_t>(line)];
  if (l.selectionA && !l.selectionB) return;
  const bool anyB = (l.selectionB && codeB != 0) || SousLigneChoisie(line, true);
  if (!l.selectionA && !anyB && !SousLigneChoisie(line, false)) {
    if (codeA != 0) RemoveUnion(codeA, db_, a_);
    return;
  }
  TGUnion ua, ub;
  const bool hasB = codeB != 0 && ub.LitDans(codeB, t.unions);
  bool hasA = codeA != 0 && ua.LitDans(codeA, t.unions);
  if (!hasA) {
    // A union B chose, without events of its own, still comes over.
    if (!hasB || !anyB) return;
    const bool husband = ub.GetEpoux() == b_;
    const CodeID spouse = husband ? ub.GetEpouse() : ub.GetEpoux();
    if (spouse == a_) return;
    ua.SetCodeID(db_->GetNextID());
    ua.SetEpoux(husband ? a_ : spouse);
    ua.SetEpouse(husband ? spouse : a_);
    ua.SetTypeUnion(0);
    ua.SetCreatedNow();
    t.unions->EcritData(&ua);
    hasA = true;
    if (report != nullptr) report->crees.push_back(ua.GetCodeID());
  }
  if (hasB) versA_[codeB] = ua.GetCodeID();
  Cible cible;
  cible.codeA = ua.GetCodeID(), cible.codeB = codeB;
  cible.unA = &ua, cible.unB = hasB ? &ub : nullptr;
  for (int k = line + 1, end = FinDuGroupe(line); k < end; ++k) {
    const V8FusionTypeElement& sub = lignes_[static_cast<std::size_t>(k)];
    if (sub.parent != line) continue;  // an event's own lines go with it
    if (sub.champ == cfEvenement)
      FusionneEvenement(sub.code1, sub.code2, k, ua.GetCodeID(), report);
    else
      RecupererValeur(sub.champ, k, cible);
  }
  if (hasB && ub.GetRechercheActe() != 0) ua.SetRechercheActe(1);
  ua.SetModifyNow();
  t.unions->EcritData(&ua);
  db_->FichierModifie = true;
}

void V8FusionGestionnaire::VerifSiParentsExistent() {
  TGIndividu& a = *indiA_;
  if (a.GetCodePere() == b_ || a.GetCodePere() == a_) a.SetCodePere(0);
  if (a.GetCodeMere() == b_ || a.GetCodeMere() == a_) a.SetCodeMere(0);
}

void V8FusionGestionnaire::VerifSiUnionParentsExiste(TFusionReport* report) {
  const CodeID pere = indiA_->GetCodePere(), mere = indiA_->GetCodeMere();
  if (pere == 0 || mere == 0) return;
  std::vector<CodeID> existing;
  db_->Tables().unions->LesUnionsDe(pere, mere, existing);
  if (!existing.empty()) return;
  TGUnion u;
  u.SetCodeID(db_->GetNextID());
  u.SetEpoux(pere);
  u.SetEpouse(mere);
  u.SetTypeUnion(0);
  u.SetCreatedNow();
  db_->Tables().unions->EcritData(&u);
  if (report != nullptr) report->crees.push_back(u.GetCodeID());
}

void V8FusionGestionnaire::VerifCoherence() {
  TGIndividu& a = *indiA_;
  const TGIndividu& b = *indiB_;
  constexpr int kDescendance = 29, kMarque = 32, kConfidentiel = 33;
  for (int flag : {kMarque, kConfidentiel, kDescendance})
    if (b.GetBool(flag) && !a.GetBool(flag)) a.SetBool(flag, true);
  if (b.GetSecondaire() != 0 && a.GetSecondaire() == 0) a.SetSecondaire(b.GetSecondaire());
  if (b.GetSansAlliance() != 0 && a.GetSansAlliance() == 0) a.SetSansAlliance(b.GetSansAlliance());
  // What the merged person now has overrides what either record claimed.
  TGDatabaseTables& t = db_->Tables();
  std::vector<CodeID> unions;
  t.unions->LesUnionsDe(a_, 0, unions);
  t.unions->LesUnionsDe(0, a_, unions);
  for (CodeID u : unions) {
    TGUnion r;
    if (r.LitDans(u, t.unions) && r.GetEpoux() != b_ && r.GetEpouse() != b_) {
      a.SetSansAlliance(0);
      break;
    }
  }
  LArray children(4, nullptr, false);
  t.individus->LesEnfantsDe(a_, 0, &children);
  if (children.GetCount() != 0) a.SetBool(kDescendance, false);
}

void V8FusionGestionnaire::FusionneTache() {
  TGDatabaseTables& t = db_->Tables();
  if (t.taches == nullptr || t.tacheIndividus == nullptr) return;
  LArray tasks(4, nullptr, false);
  t.tacheIndividus->LesLiensDe(b_, &tasks);
  for (CodeID task : ItemsOf(tasks))
    if (!t.tacheIndividus->EstLie(task, a_)) t.taches->AjouterLienIndividu(task, a_);
  t.taches->SupprimeLiensDeCode(b_);
}

void V8FusionGestionnaire::SupprimeAdresse(CodeID person) {
  TGDatabaseTables& t = db_->Tables();
  const CodeID adresse = t.dicoAdresses->GetAdresseIndi(person);
  if (adresse == 0) return;
  t.dicoAdresses->SupprimeLiensDeCode(person);
  LArray left(4, nullptr, false);
  t.dicoAdresses->LesLiensDe(adresse, &left);
  if (left.GetCount() != 0) return;
  if (t.taches != nullptr) t.taches->SupprimeLiensDeCode(adresse);
  t.dicoAdresses->DeleteData(adresse);
}

}  // namespace genvora
