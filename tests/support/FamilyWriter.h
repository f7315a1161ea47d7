// Writes persons and unions into a database through its tables, as the
// host's editors do: the small families of the kinship and numbering tests.
#pragma once

#include <cstdio>

#include "database/TGDatabase.h"
#include "records/TGIndividu.h"
#include "records/TGUnion.h"

namespace genvora::testing {

struct FamilyWriter {
  TGDatabase& db;

  // An individual with a fresh code; without first names it is named
  // "P" and its code.
  CodeID Person(CodeID pere, CodeID mere, bool female, const AnsiString& prenoms = {}, CodeID nom = 0) {
    TGIndividu indi;
    const CodeID code = db.GetNextID();
    indi.SetCodeID(code);
    if (prenoms.empty()) {
      char name[16];
      std::snprintf(name, sizeof name, "P%u", code);
      indi.SetChar(5, name);
    } else {
      indi.SetChar(5, prenoms);
    }
    if (nom != 0) indi.SetCodeNom(nom);
    indi.SetFeminin(female);
    indi.SetCodePere(pere);
    indi.SetCodeMere(mere);
    db.Tables().individus->EcritData(&indi);
    return code;
  }

  CodeID Couple(CodeID husband, CodeID wife) {
    TGUnion u;
    const CodeID code = db.GetNextID();
    u.SetCodeID(code);
    u.SetEpoux(husband);
    u.SetEpouse(wife);
    db.Tables().unions->EcritData(&u);
    return code;
  }
};

}  // namespace genvora::testing
