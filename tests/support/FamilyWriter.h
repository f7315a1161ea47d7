// Writes persons and unions into a database through its tables, as the
// host's editors do: the small families of the kinship and numbering tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

#include "computations/TGDatabaseSosa.h"
#include "database/TGDatabase.h"
#include "tables/TGTableEvenements.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
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

  // An event of `owner` on day/month/year, written field by field (0: not
  // known; all three 0: no date); `finish` sets further fields before it
  // is written.
  CodeID Event(CodeID owner, std::uint8_t type, int day = 0, int month = 0, int year = 0,
               const std::function<void(TGEvenement&)>& finish = {}) {
    TGEvenement e;
    const CodeID code = db.GetNextID();
    e.SetCodeID(code);
    e.SetProprietaire(owner);
    e.SetType(static_cast<TV5EventList>(type));
    e.GetDate()->SetDay(day, false);
    e.GetDate()->SetMonth(month, false);
    e.GetDate()->SetYear(year, false);
    if (finish) finish(e);
    db.Tables().evenements->EcritData(&e);
    return code;
  }
};

// A new database, open, whose persons all bear the surname "Martin".
struct OneSurnameFamily {
  static constexpr CodeID kSurname = 1;
  OneSurnameFamily() {
    db.SetAsNewFile();
    TGNom nom;
    nom.SetNom("Martin");
    nom.EcritDans(kSurname, db.Tables().dicoNoms);
  }
  CodeID Person(CodeID pere, CodeID mere, bool female) { return writer.Person(pere, mere, female, {}, kSurname); }
  CodeID Couple(CodeID husband, CodeID wife) { return writer.Couple(husband, wife); }
  TGDatabaseSosa db;
  FamilyWriter writer{db};
};

}  // namespace genvora::testing
