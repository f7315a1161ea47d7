// A synthetic genealogy of any size for benchmarks: surnames, places,
// individuals with parents, unions and events, generated from a seed and
// loaded into the tables the way a bulk import loads them (store first,
// indexes rebuilt in one pass). Built either into tables of its own (the
// table benchmarks) or into a database's tables with codes from its counter
// (the database benchmarks, which save and open it).
//
// Shape for n individuals: n / 20 surnames, 3n / 100 places, 3n / 10 unions,
// about three events per individual (birth always, death mostly, christening
// sometimes, a marriage for each union). Children take their father's
// surname; 60 % of the people have as parents the spouses of a union formed
// about one generation earlier. The same seed gives the same family.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Types.h"
#include "tables/TGTableEvenements.h"

namespace genvora {

class TGDatabase;
class TGTableDicoLieux;
class TGTableDicoNoms;
class TGTableIndividus;
class TGTableUnion;

struct SyntheticFamilyOptions {
  std::uint32_t individus = 100000;
  std::uint32_t seed = 20240601;
};

class SyntheticFamily {
 public:
  // Tables of its own, codes from 1.
  explicit SyntheticFamily(const SyntheticFamilyOptions& options);
  // The tables of `database` (which must outlive this object), codes from
  // its counter.
  SyntheticFamily(const SyntheticFamilyOptions& options, TGDatabase& database);
  ~SyntheticFamily();

  // Generates the records and builds every table and index.
  void Build();

  TGTableIndividus& Individus() { return *individus_; }
  TGTableUnion& Unions() { return *unions_; }
  TGTableEvenements& Evenements() { return *evenements_; }
  TGTableDicoNoms& Noms();
  TGTableDicoLieux& Lieux();

  const std::vector<CodeID>& CodesIndividus() const { return individuCodes_; }
  const std::vector<CodeID>& CodesNoms() const { return nomCodes_; }
  const std::vector<AnsiString>& TextesNoms() const { return nomTexts_; }
  std::uint32_t EventCount() const { return static_cast<std::uint32_t>(eventKeys_.size()); }

 private:
  SyntheticFamilyOptions options_;
  // Null when the tables are a database's.
  std::unique_ptr<TGTableIndividus> ownIndividus_;
  std::unique_ptr<TGTableUnion> ownUnions_;
  std::unique_ptr<TGTableEvenements> ownEvenements_;
  TGTableIndividus* individus_;
  TGTableUnion* unions_;
  TGTableEvenements* evenements_;
  std::function<CodeID()> newCode_;
  std::vector<CodeID> individuCodes_;
  std::vector<CodeID> nomCodes_;
  std::vector<AnsiString> nomTexts_;
  std::vector<EvenementIndexT> eventKeys_;
};

}  // namespace genvora
