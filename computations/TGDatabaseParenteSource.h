// TGDatabaseParenteSource: the kinship questions of TGParente answered from a
// database's tables, and TGDatabaseParente, the kinship services of one
// database (its basket and its order lists wired in).
//
// Where each answer comes from:
//   parents           the ancestry quick list of the individuals table;
//   children          the quick list's {parent, child} pairs (LesEnfantsDe);
//   unions, spouses   the unions table's husband then wife index, and the
//                     union records;
//   events            the events table's owner index, in date order;
//   sex               the individual record;
//   links             the links table, either end, kept or dropped by type:
//                     a type above TGTableLiens::kPremierTypeEvenement ties an
//                     individual to an event, any other two individuals.
//
// Invariants:
//  1. Nothing is written: the source only reads the tables.
//  2. A code that names nothing (0, a deleted record, a damaged file) is an
//     empty answer, never a failure: no parents, no unions, no links.
#pragma once

#include <vector>

#include "computations/TGParente.h"

namespace genvora {

class TGDatabase;

class TGDatabaseParenteSource : public TGParenteSource {
 public:
  // `database` is not owned and outlives the source.
  explicit TGDatabaseParenteSource(TGDatabase& database) : db_(database) {}

  bool Parents(CodeID person, CodeID& pere, CodeID& mere) const override;
  void LesEnfantsDe(CodeID p, CodeID q, std::vector<CodeID>& out) const override;
  void LesUnionsDe(CodeID person, std::vector<CodeID>& out) const override;
  bool Partenaires(CodeID unionCode, CodeID& mari, CodeID& femme) const override;
  void LesEvenementsDe(CodeID owner, std::vector<CodeID>& out) const override;
  void LesLiensDe(CodeID code, std::vector<CodeID>& out, TLiensParente kind) const override;
  CodeID LienDe(CodeID link) const override;
  CodeID LienVers(CodeID link) const override;
  bool EstIndividu(CodeID code) const override;
  bool EstFeminin(CodeID person) const override;

 private:
  TGDatabase& db_;
};

// The kinship services over a database: its basket, its "OrdreEnfants" and
// "OrdreConjoints" order lists. The basket options stay the host's to set.
class TGDatabaseParente {
 public:
  explicit TGDatabaseParente(TGDatabase& database);
  TGDatabaseParente(const TGDatabaseParente&) = delete;
  TGDatabaseParente& operator=(const TGDatabaseParente&) = delete;

  TGParente& Parente() { return parente_; }
  TGParente* operator->() { return &parente_; }
  const TGParenteSource& Source() const { return source_; }

 private:
  TGDatabaseParenteSource source_;  // before parente_, which points to it
  TGParente parente_;
};

}  // namespace genvora
