#include "computations/TGSuppression.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "containers/LArray.h"
#include "database/TGDatabase.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGUnion.h"

namespace genvora {

namespace {

// Removes every 4-byte item `code` of a list of codes (order lists, the
// basket); the other items keep their order.
void RetireCode(LArray* list, CodeID code) {
  if (list == nullptr) return;
  for (int i = static_cast<int>(list->GetCount()); i >= 1; --i) {
    CodeID item = 0;
    if (list->GetItemSize(i) == sizeof item && list->FetchItemAt(i, &item) && item == code) list->RemoveItemsAt(1, i);
  }
}

// The person's records of the Sosa table (its number, the first word of a
// 36-byte record).
void RetireSosa(LArray* sosa, CodeID code) {
  if (sosa == nullptr) return;
  for (int i = static_cast<int>(sosa->GetCount()); i >= 1; --i) {
    const void* item = sosa->GetItemPtr(i);
    CodeID owner = 0;
    if (item != nullptr && sosa->GetItemSize(i) >= sizeof owner) {
      std::memcpy(&owner, item, sizeof owner);
      if (owner == code) sosa->RemoveItemsAt(1, i);
    }
  }
}

std::vector<CodeID> CodesOf(const LArray& list) {
  std::vector<CodeID> codes;
  for (int i = 1; i <= static_cast<int>(list.GetCount()); ++i) {
    CodeID code = 0;
    if (list.FetchItemAt(i, &code)) codes.push_back(code);
  }
  return codes;
}

template <class T>
void Note(std::vector<T>* into, T value) {
  if (into != nullptr) into->push_back(value);
}

void DeleteNoteOf(TGTableNote* notes, CodeID code) {
  if (notes != nullptr && notes->HasNote(code)) notes->DeleteNote(code);
}

void DeleteLinksOf(TGDatabase& db, CodeID code, TRemoveReport* report) {
  TGTableLiens& liens = *db.Tables().liens;
  std::vector<CodeID> codes;
  liens.LesLiensDe(code, codes, llTous);
  std::unordered_set<CodeID> done;
  for (CodeID link : codes) {
    if (!done.insert(link).second) continue;
    liens.DeleteData(link);
    Note(report ? &report->liens : nullptr, link);
  }
}

void DeleteMediaLinksOf(TGDatabase& db, CodeID code, TRemoveReport* report) {
  TGTableLiensMedias& liens = *db.Tables().MediaLiens();
  for (CodeID link : liens.LiensDe(code)) {
    liens.DeleteData(link);
    Note(report ? &report->liensMedias : nullptr, link);
  }
}

// Clears the parent field of `child` that names `parent`: the father's
// first, else the mother's.
void ClearParent(TGDatabase& db, CodeID child, CodeID parent, TRemoveReport* report) {
  TGIndividu individu;
  if (!db.EstIndividu(child) || !individu.LitDans(child, db.Tables().individus)) return;
  bool pere = true;
  if (individu.GetCodePere() == parent)
    individu.SetCodePere(0);
  else if (individu.GetCodeMere() == parent)
    individu.SetCodeMere(0), pere = false;
  else
    return;
  db.Tables().individus->EcritData(&individu);
  if (report != nullptr) report->enfants.push_back({child, pere});
}

// The person end of an individual-to-event link (rule 1).
CodeID PersonEnd(const TGLien& lien, CodeID event) {
  return lien.GetLienVers() == event ? lien.GetLienDe() : lien.GetLienVers();
}

}  // namespace

void ReaffecteEvenementPartages(CodeID event, TGDatabase* db, CodeID person, TRemoveReport* report) {
  if (db == nullptr || !db->EstEvenement(event)) return;
  TGTableEvenements& evenements = *db->Tables().evenements;
  TGTableLiens& liens = *db->Tables().liens;
  TGEvenement record;
  if (!record.LitDans(event, &evenements) || !record.GetPartage()) return;
  std::vector<CodeID> codes;
  liens.LesLiensDe(event, codes, llTous);
  std::vector<CodeID> own;
  for (CodeID link : codes) {
    TGLien lien;
    if (!lien.LitDans(link, &liens) || lien.GetType() <= TGTableLiens::kPremierTypeEvenement) continue;
    const CodeID other = PersonEnd(lien, event);
    if (other == person) {
      own.push_back(link);
    } else if (record.GetProprietaire() == person && other != 0 && db->EstIndividu(other)) {
      record.SetProprietaire(other);
      evenements.EcritData(&record);
      if (report != nullptr) report->transferts.push_back({event, other});
    }
  }
  for (CodeID link : own) {
    liens.DeleteData(link);
    Note(report ? &report->liens : nullptr, link);
  }
}

void ReaffecteLesEvenementsPartages(CodeID person, TGDatabase* db, TRemoveReport* report) {
  if (db == nullptr) return;
  LArray events(4, nullptr, false);
  db->Tables().evenements->LesEvenementsDe(person, &events);
  for (CodeID event : CodesOf(events)) ReaffecteEvenementPartages(event, db, person, report);
}

void RemoveEvenement(CodeID code, TGDatabase* db, TRemoveReport* report) {
  if (db == nullptr || !db->EstEvenement(code)) return;
  TGDatabaseTables& t = db->Tables();
  DeleteMediaLinksOf(*db, code, report);
  DeleteLinksOf(*db, code, report);
  TGTableLienDocuments& docs = *t.DocumentLiens();
  LArray cited(4, nullptr, false);
  docs.DocumentDe(code, &cited);
  for (CodeID document : CodesOf(cited)) {
    // One event may cite a document through more than one link record.
    for (CodeID link = docs.IDDuLien(code, document), last = 0; link != 0 && link != last;
         last = link, link = docs.IDDuLien(code, document)) {
      docs.DeleteData(link);
      Note(report ? &report->liensDocuments : nullptr, link);
    }
  }
  DeleteNoteOf(t.notes, code);
  t.evenements->DeleteData(code);
  Note(report ? &report->evenements : nullptr, code);
}

void RemoveUnion(CodeID code, TGDatabase* db, CodeID person, TRemoveReport* report) {
  if (db == nullptr || !db->EstUnion(code)) return;
  TGDatabaseTables& t = db->Tables();
  TGUnion uni;
  if (!uni.LitDans(code, t.unions)) return;
  std::vector<CodeID> events;
  t.evenements->LesEvenementsDe(code, events);
  for (CodeID event : events) RemoveEvenement(event, db, report);
  if (person != 0) {
    LArray children(4, nullptr, false);
    t.individus->LesEnfantsDe(uni.GetEpoux(), uni.GetEpouse(), &children);
    for (CodeID child : CodesOf(children)) ClearParent(*db, child, person, report);
  }
  DeleteMediaLinksOf(*db, code, report);
  DeleteLinksOf(*db, code, report);
  if (t.unionLiens != nullptr) t.unionLiens->RemoveCodeID(code);
  DeleteNoteOf(t.notes, code);
  t.unions->DeleteData(code);
  Note(report ? &report->unions : nullptr, code);
  db->FichierModifie = true;
}

CodeID RemoveIndividu(CodeID code, TGDatabase* db, TRemoveReport* report) {
  if (db == nullptr || !db->EstIndividu(code)) return 0;
  TGDatabaseTables& t = db->Tables();
  ReaffecteLesEvenementsPartages(code, db, report);

  TGIndividu individu;
  if (!individu.LitDans(code, t.individus)) return 0;
  CodeID next = individu.GetCodePere() != 0 ? individu.GetCodePere() : individu.GetCodeMere();

  if (t.dicoAdresses != nullptr) t.dicoAdresses->SupprimeLiensDeCode(code);
  if (t.taches != nullptr) t.taches->SupprimeLiensDeCode(code);
  if (t.liensPrenoms != nullptr) t.liensPrenoms->SupprLiensUnCode(code);
  if (t.liensProfessions != nullptr) t.liensProfessions->SupprLiensUnCode(code);
  DeleteNoteOf(t.notesAideRecherche, code);
  if (t.mediasCadres != nullptr) t.mediasCadres->RemoveCadresWithIndiID(code);

  // The person's own events, and the shared events nobody else attends
  // (their links to the person are gone once handed on).
  LArray events(4, nullptr, false);
  t.evenements->LesEvenementsDe(code, &events);
  for (CodeID event : CodesOf(events)) {
    TGEvenement record;
    if (record.LitDans(event, t.evenements) && record.GetProprietaire() != code) continue;
    RemoveEvenement(event, db, report);
  }

  LArray children(4, nullptr, false);
  t.individus->LesEnfantsDe(code, 0, &children);
  for (CodeID child : CodesOf(children)) {
    if (!db->EstIndividu(child)) continue;
    if (next == 0) next = child;
    ClearParent(*db, child, code, report);
  }

  std::vector<CodeID> unions;
  t.unions->LesUnionsDe(code, 0, unions);
  {
    std::vector<CodeID> asWife;
    t.unions->LesUnionsDe(0, code, asWife);
    for (CodeID u : asWife)
      if (std::find(unions.begin(), unions.end(), u) == unions.end()) unions.push_back(u);
  }
  for (CodeID u : unions) {
    RemoveUnion(u, db, code, report);
    DeleteNoteOf(t.notes, u);
  }

  DeleteMediaLinksOf(*db, code, report);
  DeleteLinksOf(*db, code, report);
  DeleteNoteOf(t.notes, code);
  t.individus->DeleteData(code);
  Note(report ? &report->individus : nullptr, code);
  if (t.indiMarques != nullptr) t.indiMarques->Demarque(code);
  // Nothing may keep naming the person: the user's orders of children and
  // spouses, the basket, its Sosa numbers, and the header's de cujus (the
  // numbering of a de cujus removed means nothing any more).
  RetireCode(t.ordreEnfants, code);
  RetireCode(t.ordreConjoints, code);
  RetireCode(&db->Basket(), code);
  if (db->Header.GetDeCujus() == code) {
    db->Header.SetDeCujus(0);
    if (t.sosa != nullptr) t.sosa->Flush();
  } else {
    RetireSosa(t.sosa, code);
  }
  db->FichierModifie = true;
  if (next == 0) next = db->GetPremierIndividu();
  return next;
}

}  // namespace genvora
