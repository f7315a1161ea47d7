// TGDatabaseParenteSource: table lookups behind the kinship services.
#include "computations/TGDatabaseParenteSource.h"

#include "database/TGDatabase.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGUnion.h"

namespace genvora {

bool TGDatabaseParenteSource::Parents(CodeID person, CodeID& pere, CodeID& mere) const {
  pere = mere = 0;
  const TG5QuickList* list = db_.Tables().QuickList();
  return person != 0 && list != nullptr && list->GetParents(person, pere, mere);
}

void TGDatabaseParenteSource::LesEnfantsDe(CodeID p, CodeID q, std::vector<CodeID>& out) const {
  // Code 0 is "unknown parent", never a person with children.
  if (p == 0) return;
  db_.Tables().individus->LesEnfantsDe(p, q, out);
}

void TGDatabaseParenteSource::LesUnionsDe(CodeID person, std::vector<CodeID>& out) const {
  // Both indexes hold {0, union} for a union with an unknown spouse: asking
  // for person 0 would list those of every family.
  if (person == 0) return;
  const TGTableUnion& unions = *db_.Tables().unions;
  unions.LesUnionsDe(person, 0, out);
  unions.LesUnionsDe(0, person, out);
}

bool TGDatabaseParenteSource::Partenaires(CodeID unionCode, CodeID& mari, CodeID& femme) const {
  mari = femme = 0;
  TGUnion uni;
  if (unionCode == 0 || !db_.Tables().unions->FetchData(unionCode, &uni)) return false;
  mari = uni.GetEpoux();
  femme = uni.GetEpouse();
  return true;
}

void TGDatabaseParenteSource::LesEvenementsDe(CodeID owner, std::vector<CodeID>& out) const {
  if (owner != 0) db_.Tables().evenements->LesEvenementsDe(owner, out);
}

void TGDatabaseParenteSource::LesLiensDe(CodeID code, std::vector<CodeID>& out, TLiensParente kind) const {
  if (code == 0) return;
  TGTableLiens& liens = *db_.Tables().liens;
  std::vector<CodeID> all;
  liens.LesLiensDe(code, all, llTous);
  for (CodeID link : all) {
    if (kind != ldTous) {
      TGLien lien;
      if (!liens.FetchData(link, &lien)) continue;
      const bool toEvent = lien.GetType() > TGTableLiens::kPremierTypeEvenement;
      if (toEvent != (kind == ldIESeuls)) continue;
    }
    out.push_back(link);
  }
}

CodeID TGDatabaseParenteSource::LienDe(CodeID link) const {
  TGLien lien;
  if (link == 0 || !db_.Tables().liens->FetchData(link, &lien)) return 0;
  return lien.GetLienDe();
}

CodeID TGDatabaseParenteSource::LienVers(CodeID link) const {
  TGLien lien;
  if (link == 0 || !db_.Tables().liens->FetchData(link, &lien)) return 0;
  return lien.GetLienVers();
}

bool TGDatabaseParenteSource::EstIndividu(CodeID code) const { return db_.EstIndividu(code); }

bool TGDatabaseParenteSource::EstFeminin(CodeID person) const {
  TGIndividu individu;
  return person != 0 && individu.LitDans(person, db_.Tables().individus) && individu.GetFeminin();
}

TGDatabaseParente::TGDatabaseParente(TGDatabase& database) : source_(database), parente_(&source_) {
  TGDatabaseTables& tables = database.Tables();
  parente_.SetPanier(&database.Basket());
  parente_.SetListesOrdre(tables.ordreEnfants, tables.ordreConjoints);
}

}  // namespace genvora
