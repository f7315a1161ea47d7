// Removing an individual, a union or an event from a database together with
// everything that exists only through it (its events, links, media links,
// document links, notes and dictionary links), and repairing what other
// records say about it: children's parent fields, owners of shared events.
//
// Rules:
//  1. In an individual-to-event link the person is the LienDe end and the
//     event the LienVers end; a link written the other way round is read
//     by taking as the person whichever end is not the event, so a removal
//     never makes an event the owner of an event.
//  2. A shared event owned by the person removed goes to the first other
//     person linked to it, in link order; the person's own links to shared
//     events go. A shared event nobody else attends is removed with the
//     person's events.
//  3. Removing an individual clears the CodePere (else CodeMere) that names
//     it in each of its children and removes its unions; the spouse stays.
//     Removing a union alone leaves the children's parent fields as they
//     are: the parents still exist.
//  4. A code of the wrong kind changes nothing.
//  5. Every record goes through its table's DeleteData, so the indexes and
//     the ancestry quick list stay in step with the stores.
//  6. Nothing keeps naming a removed individual: the marked individuals,
//     the orders of children and spouses, the basket and the Sosa table
//     let it go; when it was the de cujus, the header has none any more
//     and the Sosa table, a numbering of that person, is emptied.
#pragma once

#include <vector>

#include "platform/Types.h"

namespace genvora {

class TGDatabase;

// What a removal did, for the host to show; filled when given.
struct TRemoveReport {
  std::vector<CodeID> individus;
  std::vector<CodeID> unions;
  std::vector<CodeID> evenements;
  std::vector<CodeID> liens;  // individual, event and person links
  std::vector<CodeID> liensMedias;
  std::vector<CodeID> liensDocuments;
  struct Transfert {
    CodeID evenement;
    CodeID nouveauProprietaire;
  };
  std::vector<Transfert> transferts;
  struct Enfant {
    CodeID enfant;
    bool pere;  // the father's field was cleared, else the mother's
  };
  std::vector<Enfant> enfants;
};

// Removes the individual; answers the code the host should show next: the
// father, else the mother, else the first child, else the database's first
// individual. 0 when `code` is no individual.
CodeID RemoveIndividu(CodeID code, TGDatabase* db, TRemoveReport* report = nullptr);
// `person` is the individual being removed, or 0 when the union alone goes.
void RemoveUnion(CodeID code, TGDatabase* db, CodeID person, TRemoveReport* report = nullptr);
void RemoveEvenement(CodeID code, TGDatabase* db, TRemoveReport* report = nullptr);
// Hands each shared event of `person` on (rule 2).
void ReaffecteLesEvenementsPartages(CodeID person, TGDatabase* db, TRemoveReport* report = nullptr);
void ReaffecteEvenementPartages(CodeID event, TGDatabase* db, CodeID person, TRemoveReport* report = nullptr);

}  // namespace genvora
