#include "computations/TFullIndividu.h"

#include <ctime>
#include <string>
#include <unordered_set>

#include "computations/TGDatabaseParenteSource.h"
#include "containers/CodeList.h"
#include "database/TGDatabase.h"
#include "platform/Preferences.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "tables/TG5QuickList.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableUnion.h"

namespace genvora {

namespace {

// Individual text selectors and flags.
constexpr int kPrenoms = 5;
constexpr int kChercheNaissance = 26;
constexpr int kChercheDeces = 27;

bool Contains(const LArray& list, CodeID code) { return list.FetchIndexOf(&code, sizeof code) != 0; }

void Append(LArray* list, CodeID code) { list->AddItem(&code, sizeof code); }

// Adds `code` unless the list holds it.
void Insert(LArray* list, CodeID code) {
  if (!Contains(*list, code)) Append(list, code);
}

// Removes every occurrence of `code`.
void RemoveAll(LArray* list, CodeID code) {
  for (int at = list->FetchIndexOf(&code, sizeof code); at != 0; at = list->FetchIndexOf(&code, sizeof code))
    list->RemoveItemsAt(1, at);
}

// Keeps the first occurrence of each code, in order.
void Dedoublonne(LArray* list) {
  std::unordered_set<CodeID> seen;
  std::vector<CodeID> kept;
  for (CodeID code : ItemsOf(*list)) {
    if (seen.insert(code).second) kept.push_back(code);
  }
  if (kept.size() == list->GetCount()) return;
  list->Flush();
  for (CodeID code : kept) Append(list, code);
}

int CurrentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

}  // namespace

TFullIndividu::TFullIndividu()
    : individu_(std::make_unique<TGIndividu>()),
      nom_(std::make_unique<TGNom>()),
      conjoints_(4, nullptr, false),
      unions_(4, nullptr, false) {
  conjoints_.SetMinSize(16);
  unions_.SetMinSize(16);
}

TFullIndividu::TFullIndividu(TGDatabase* database, CodeID code) : TFullIndividu() {
  SetFiler(database);
  SetCodeID(code);
}

TFullIndividu::~TFullIndividu() = default;

void TFullIndividu::SetFiler(TGDatabase* database) {
  TFullWithEventAndChild::SetFiler(database);
  TV5SplitterParticule* splitter = nullptr;
  if (database != nullptr && database->Tables().dicoNoms != nullptr)
    splitter = database->Tables().dicoNoms->GetSplitter();
  nom_->SetInterprete(splitter);
}

void TFullIndividu::Vide() {
  TFullWithEventAndChild::Vide();
  individu_->zeroMemory();
  nom_->zeroMemory();
  conjoints_.Flush();
  unions_.Flush();
  sosa_.reset();
  sosaLoaded_ = false;
}

void TFullIndividu::SetCodeID(CodeID code) {
  Vide();
  codeID_ = 0;
  if (code == 0) return;
  const AnsiString what = "individual " + std::to_string(code);
  if (filer_ == nullptr) {
    SomethingGoesWrong(what + ": no database");
    return;
  }
  // While a failure is being reported, loads stay empty and silent.
  if (filer_->Tag != 0) return;
  if (!filer_->FichierOuvert) {
    SomethingGoesWrong(what + ": the file is not open");
    return;
  }
  if (!filer_->EstIndividu(code)) {
    SomethingGoesWrong(what + ": no such individual");
    return;
  }
  if (!individu_->LitDans(code, filer_->Tables().individus)) {
    const AnsiString reason = individu_->LastDamage();
    individu_->zeroMemory();
    SomethingGoesWrong(what + ": " + reason);
    return;
  }
  const CodeID surname = individu_->GetCodeNom();
  if (!nom_->LitDans(surname, filer_->Tables().dicoNoms)) {
    const AnsiString reason =
        nom_->LastDamage().empty() ? AnsiString("no such surname") : AnsiString(nom_->LastDamage());
    individu_->zeroMemory();
    nom_->zeroMemory();
    SomethingGoesWrong(what + ": its surname " + std::to_string(surname) + ": " + reason);
    return;
  }
  codeID_ = code;
  ChargeLesTables();
}

AnsiString TFullIndividu::GetText() const { return codeID_ == 0 ? AnsiString() : TexteIndividu(*individu_, nom_.get()); }

AnsiString TFullIndividu::TexteIndividu(const TGIndividu& individu, const TGNom* nom) {
  AnsiString text = individu.GetChar(kPrenoms);
  const AnsiString surname = nom != nullptr ? NomAffiche(*nom) : AnsiString();
  if (!text.empty() && !surname.empty()) text += ' ';
  return text + surname;
}

AnsiString TFullIndividu::NomAffiche(const TGNom& nom) {
  AnsiString particule = nom.GetParticule();
  const AnsiString reste = nom.GetNom();
  if (particule.empty()) return reste;
  if (!reste.empty() && particule.back() != '\'' && particule.back() != ' ') particule += ' ';
  return particule + reste;
}

void TFullIndividu::ChargeLesTables() {
  TFullWithEventAndChild::ChargeLesTables();
  if (codeID_ == 0) return;
  if (UnionsON || ConjointsON) ChargeUnions();
  if (ConjointsON) ChargeConjoints();
}

// ------------------------------------------------------------------- loaders

void TFullIndividu::UnionsDe(CodeID person, LArray* out, bool trie) {
  out->Flush();
  if (filer_ == nullptr || person == 0) return;
  const TGTableUnion& unions = *filer_->Tables().unions;
  unions.LesUnionsDe(person, 0, out);
  unions.LesUnionsDe(0, person, out);
  if (!trie) return;
  OrdonneTable(out);
  Parente()->GetListeOrdonneeUnion(person, out);
}

void TFullIndividu::ConjointsDe(CodeID person, const LArray& unions, LArray* out, bool trie) {
  out->Flush();
  if (filer_ == nullptr || unions.GetCount() == 0) return;
  filer_->Tables().unions->LesConjointsDe(person, &unions, out);
  if (trie) Parente()->GetListeOrdonnee(out, false);
}

void TFullIndividu::EnfantsDe(CodeID person, LArray* out, bool trie) {
  out->Flush();
  if (filer_ == nullptr || person == 0) return;
  filer_->Tables().individus->LesEnfantsDe(person, 0, out);
  if (!trie) return;
  OrdonneTable(out);
  Parente()->GetListeOrdonnee(out, true);
}

bool TFullIndividu::ParentsDe(CodeID person, CodeID& pere, CodeID& mere) const {
  pere = mere = 0;
  if (filer_ == nullptr || person == 0) return false;
  if (person == codeID_) {
    pere = individu_->GetCodePere();
    mere = individu_->GetCodeMere();
    return true;
  }
  return filer_->Tables().QuickList()->GetParents(person, pere, mere);
}

void TFullIndividu::ChargeUnions() { UnionsDe(codeID_, &unions_, SortedList); }

void TFullIndividu::ChargeConjoints() { ConjointsDe(codeID_, unions_, &conjoints_, SortedList); }

void TFullIndividu::ChargeEnfants() { EnfantsDe(codeID_, &enfants_, SortedList); }

// -------------------------------------------------------------------- events

CodeID TFullIndividu::GetArrivee() { return PremierParmi(*GetTableEvenements(), {kFullNaissance, kFullBapteme}); }

CodeID TFullIndividu::GetDepart() { return PremierParmi(*GetTableEvenements(), {kFullDeces, kFullInhumation}); }

bool TFullIndividu::RechercheActe() {
  if (codeID_ != 0 && (individu_->GetBool(kChercheNaissance) || individu_->GetBool(kChercheDeces))) return true;
  return TFullWithEventAndChild::RechercheActe();
}

// ------------------------------------------------------------ family circles

int TFullIndividu::Parents(LArray* list) {
  if (list == nullptr) return 0;
  list->Flush();
  if (codeID_ == 0) return 0;
  if (individu_->GetCodePere() != 0) Append(list, individu_->GetCodePere());
  if (individu_->GetCodeMere() != 0) Insert(list, individu_->GetCodeMere());
  return static_cast<int>(list->GetCount());
}

int TFullIndividu::GrandsParents(LArray* list) {
  if (list == nullptr) return 0;
  list->Flush();
  if (codeID_ == 0) return 0;
  for (CodeID parent : {individu_->GetCodePere(), individu_->GetCodeMere()}) {
    CodeID pere = 0, mere = 0;
    if (parent == 0 || !ParentsDe(parent, pere, mere)) continue;
    if (pere != 0) Insert(list, pere);
    if (mere != 0) Insert(list, mere);
  }
  return static_cast<int>(list->GetCount());
}

int TFullIndividu::BeauxParents(LArray* list) {
  if (list == nullptr) return 0;
  list->Flush();
  for (CodeID spouse : ItemsOf(conjoints_)) {
    CodeID pere = 0, mere = 0;
    if (!ParentsDe(spouse, pere, mere)) continue;
    if (pere != 0) Insert(list, pere);
    if (mere != 0) Insert(list, mere);
  }
  return static_cast<int>(list->GetCount());
}

void TFullIndividu::AjouteConjoints(CodeID person, const LArray* relatives, LArray* list, LArray* spousesOut) {
  // A relative's spouses in its own full record's order: unions, then
  // spouses, both in order of time and in the user's order.
  LArray unions(4, nullptr, false), spouses(4, nullptr, false);
  UnionsDe(person, &unions, true);
  ConjointsDe(person, unions, &spouses, true);
  for (CodeID spouse : ItemsOf(spouses)) {
    Insert(list, spouse);
    if (!Contains(*relatives, spouse)) Insert(spousesOut, spouse);
  }
}

int TFullIndividu::Remplit(LArray& working, LArray* list, bool withSpouses, LArray* spousesOut) {
  Dedoublonne(&working);
  TrierCetteTable(&working);
  if (SortedList) Parente()->GetListeOrdonnee(&working, true);
  for (CodeID code : ItemsOf(working)) Insert(list, code);
  if (withSpouses && spousesOut != nullptr) {
    for (CodeID code : ItemsOf(working)) AjouteConjoints(code, &working, list, spousesOut);
  }
  return static_cast<int>(list->GetCount());
}

int TFullIndividu::FreresEtSoeurs(LArray* list, bool withSpouses, LArray* spousesOut) {
  if (list == nullptr) return 0;
  list->Flush();
  if (filer_ == nullptr || codeID_ == 0) return 0;
  LArray working(4, nullptr, false);
  const TGTableIndividus& individus = *filer_->Tables().individus;
  if (individu_->GetCodePere() != 0) individus.LesEnfantsDe(individu_->GetCodePere(), 0, &working);
  if (individu_->GetCodeMere() != 0) individus.LesEnfantsDe(individu_->GetCodeMere(), 0, &working);
  RemoveAll(&working, codeID_);
  return Remplit(working, list, withSpouses, spousesOut);
}

int TFullIndividu::OnclesEtTantes(LArray* list, bool withSpouses, LArray* spousesOut) {
  if (list == nullptr) return 0;
  list->Flush();
  if (filer_ == nullptr || codeID_ == 0) return 0;
  LArray grandParents(4, nullptr, false), working(4, nullptr, false);
  GrandsParents(&grandParents);
  const TGTableIndividus& individus = *filer_->Tables().individus;
  for (CodeID grandParent : ItemsOf(grandParents)) individus.LesEnfantsDe(grandParent, 0, &working);
  if (individu_->GetCodePere() != 0) RemoveAll(&working, individu_->GetCodePere());
  if (individu_->GetCodeMere() != 0) RemoveAll(&working, individu_->GetCodeMere());
  return Remplit(working, list, withSpouses, spousesOut);
}

int TFullIndividu::NeveuxEtNieces(LArray* list, bool withSpouses, LArray* spousesOut) {
  if (list == nullptr) return 0;
  list->Flush();
  if (filer_ == nullptr || codeID_ == 0) return 0;
  LArray siblings(4, nullptr, false), working(4, nullptr, false);
  FreresEtSoeurs(&siblings);
  const TGTableIndividus& individus = *filer_->Tables().individus;
  for (CodeID sibling : ItemsOf(siblings)) individus.LesEnfantsDe(sibling, 0, &working);
  RemoveAll(&working, codeID_);
  return Remplit(working, list, withSpouses, spousesOut);
}

int TFullIndividu::CousinsEtCousines(LArray* list, bool withSpouses, LArray* spousesOut) {
  if (list == nullptr) return 0;
  list->Flush();
  if (filer_ == nullptr || codeID_ == 0) return 0;
  LArray uncles(4, nullptr, false), working(4, nullptr, false);
  OnclesEtTantes(&uncles);
  const TGTableIndividus& individus = *filer_->Tables().individus;
  for (CodeID uncle : ItemsOf(uncles)) individus.LesEnfantsDe(uncle, 0, &working);
  RemoveAll(&working, codeID_);
  return Remplit(working, list, withSpouses, spousesOut);
}

int TFullIndividu::PetitsEnfants(LArray* list, bool withSpouses, LArray* spousesOut) {
  if (list == nullptr) return 0;
  list->Flush();
  if (filer_ == nullptr || codeID_ == 0) return 0;
  LArray grandChildren(4, nullptr, false), ofChild(4, nullptr, false);
  for (CodeID child : ItemsOf(*GetTableEnfants())) {
    if (!filer_->EstIndividu(child)) continue;
    EnfantsDe(child, &ofChild, true);
    for (CodeID grandChild : ItemsOf(ofChild)) {
      if (filer_->EstIndividu(grandChild)) Insert(&grandChildren, grandChild);
    }
  }
  for (CodeID grandChild : ItemsOf(grandChildren)) Insert(list, grandChild);
  if (withSpouses && spousesOut != nullptr) {
    for (CodeID grandChild : ItemsOf(grandChildren)) AjouteConjoints(grandChild, &grandChildren, list, spousesOut);
  }
  return static_cast<int>(list->GetCount());
}

int TFullIndividu::EnfantsConjoint(LArray* list, bool withSpouses, LArray* spousesOut) {
  if (list == nullptr) return 0;
  list->Flush();
  if (filer_ == nullptr || codeID_ == 0) return 0;
  LArray children(4, nullptr, false);
  for (CodeID child : ItemsOf(*GetTableEnfants())) {
    if (filer_->EstIndividu(child)) Insert(&children, child);
  }
  for (CodeID child : ItemsOf(children)) Insert(list, child);
  if (withSpouses && spousesOut != nullptr) {
    for (CodeID child : ItemsOf(children)) AjouteConjoints(child, &children, list, spousesOut);
  }
  return static_cast<int>(list->GetCount());
}

int TFullIndividu::Ancetre(LArray* list, bool avecLui, int profondeur) {
  if (list == nullptr) return 0;
  list->Flush();
  if (filer_ == nullptr || codeID_ == 0) return 0;
  std::unordered_set<CodeID> seen{codeID_};
  if (avecLui) Append(list, codeID_);
  std::vector<CodeID> generation{codeID_}, next;
  for (int depth = 0; !generation.empty() && (profondeur <= 0 || depth < profondeur); ++depth) {
    next.clear();
    for (CodeID person : generation) {
      CodeID pere = 0, mere = 0;
      if (!ParentsDe(person, pere, mere)) continue;
      for (CodeID parent : {pere, mere}) {
        if (parent == 0 || !seen.insert(parent).second) continue;
        Append(list, parent);
        next.push_back(parent);
      }
    }
    generation.swap(next);
  }
  return static_cast<int>(list->GetCount());
}

bool TFullIndividu::SearchInA(CodeID code) {
  if (code == 0 || code == codeID_) return false;
  LArray ancestors(4, nullptr, false);
  Ancetre(&ancestors, false, 0);
  return Contains(ancestors, code);
}

bool TFullIndividu::LesEnfantsMono(LArray* list) {
  if (list == nullptr) return false;
  list->Flush();
  if (!UnionsON || filer_ == nullptr || codeID_ == 0) return false;
  std::unordered_set<CodeID> ofUnions;
  const TGTableIndividus& individus = *filer_->Tables().individus;
  for (CodeID unionCode : ItemsOf(unions_)) {
    TGUnion record;
    if (!record.LitDans(unionCode, filer_->Tables().unions)) continue;
    LArray common(4, nullptr, false);
    individus.LesEnfantsDe(record.GetEpoux(), record.GetEpouse(), &common);
    for (CodeID child : ItemsOf(common)) ofUnions.insert(child);
  }
  for (CodeID child : ItemsOf(*GetTableEnfants())) {
    if (ofUnions.count(child) == 0) Insert(list, child);
  }
  return list->GetCount() != 0;
}

// ------------------------------------------------------------- Sosa, alive

const std::optional<TV5Sosa>& TFullIndividu::GetSosa() {
  if (sosaLoaded_) return sosa_;
  sosaLoaded_ = true;
  sosa_.reset();
  if (filer_ == nullptr || codeID_ == 0 || filer_->Tables().sosa == nullptr) return sosa_;
  // The table is in number order after a numbering and in any order as
  // read: the smallest of the person's numbers is its number.
  const LArray& table = *filer_->Tables().sosa;
  const int count = static_cast<int>(table.GetCount());
  for (int i = 1; i <= count; ++i) {
    TV5SosaData data;
    if (table.GetItemSize(i) != sizeof data || !table.FetchItemAt(i, &data) || data.codeID != codeID_) continue;
    TV5Sosa number;
    number.PokeData(data);
    if (!sosa_.has_value() || number.Compare(*sosa_) < 0) sosa_ = number;
  }
  return sosa_;
}

bool TFullIndividu::EstVivant() { return EstVivantEn(CurrentYear()); }

bool TFullIndividu::EstVivantEn(int anneeCourante) {
  if (!EvenementsON || codeID_ == 0 || Prefs == nullptr) return false;
  const CodeID arrivee = GetArrivee();
  if (arrivee == 0 || GetDepart() != 0) return false;
  TGEvenement record;
  if (!LoadEvent(arrivee, record)) return false;
  TGDate* date = record.GetDate();
  // A republican or Hebrew year counts in its own era: the age is taken
  // from the Gregorian year of the date.
  const int calendar = date->GetCalendarIndex(false);
  const int annee = (calendar == 1 || calendar == 3) && !date->EstVide() ? date->GetAbsoluteYear() : date->GetYear(false);
  const int seuil = individu_->GetFeminin() ? Prefs->AgeMaxFemme() : Prefs->AgeMaxHomme();
  return anneeCourante - seuil <= annee;
}

// ------------------------------------------------------------ saving, tests

bool TFullIndividu::IsSansLien() {
  if (codeID_ == 0) return true;
  return GetTableEnfants()->GetCount() == 0 && individu_->GetCodePere() == 0 && individu_->GetCodeMere() == 0 &&
         unions_.GetCount() == 0;
}

bool TFullIndividu::Sauve() {
  if (filer_ == nullptr || codeID_ == 0) return false;
  filer_->FichierModifie = true;
  individu_->SetModifyNow();
  filer_->Tables().individus->EcritData(individu_.get());
  return true;
}

}  // namespace genvora
