// A person at a glance and the numbering of descendants, at two sizes.
//
// BM_Person: the full record of random individuals of a synthetic family of
// 100,000 and 1,000,000 persons (load with unions and spouses, events,
// children, whether alive, and every family circle). The time per person
// should not grow with the file: each load reads the person's own family
// through the indexes.
//
// BM_NumberingDescendants: the Pelissier numbering of every descendant of
// the root of a synthetic descendancy of 100,000 and 1,000,000 descendants;
// "time_per_descendant" should stay within 1.5x between the two sizes.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <vector>

#include "bench/BenchSupport.h"
#include "computations/TFullIndividu.h"
#include "computations/TGDatabaseParenteSource.h"
#include "computations/TGDatabaseSosa.h"
#include "computations/TV5PelisserMakers.h"
#include "platform/Host.h"
#include "platform/Preferences.h"
#include "records/TGNom.h"
#include "support/SyntheticDescendancy.h"
#include "support/SyntheticFamily.h"

namespace {

using namespace genvora;

using bench::SyntheticDatabase;

SyntheticDatabase& Family(std::uint32_t persons) {
  static std::map<std::uint32_t, SyntheticDatabase> built;
  auto found = built.find(persons);
  if (found == built.end()) found = built.emplace(persons, bench::MakeSyntheticDatabase(persons)).first;
  return found->second;
}

void BM_Person(benchmark::State& state) {
  SyntheticDatabase& f = Family(static_cast<std::uint32_t>(state.range(0)));
  TPreferenceGenvora5 prefs("");
  std::mt19937 random(7);
  LArray list(4, nullptr, false), spouses(4, nullptr, false);
  std::size_t relatives = 0;
  for (auto _ : state) {
    TFullIndividu person;
    person.Prefs = &prefs;
    person.SortedList = true;
    person.EvenementsON = true;
    person.UnionsON = true;
    person.ConjointsON = true;
    person.SetFiler(f.db.get());
    person.SetCodeID(f.codes[random() % f.codes.size()]);
    relatives += person.GetTableEvenements()->GetCount() + person.GetTableEnfants()->GetCount();
    benchmark::DoNotOptimize(person.EstVivant());
    relatives += static_cast<std::size_t>(person.Parents(&list) + person.GrandsParents(&list) +
                                          person.BeauxParents(&list) + person.FreresEtSoeurs(&list) +
                                          person.OnclesEtTantes(&list) + person.NeveuxEtNieces(&list) +
                                          person.CousinsEtCousines(&list) + person.PetitsEnfants(&list));
    spouses.Flush();
    relatives += static_cast<std::size_t>(person.EnfantsConjoint(&list, true, &spouses));
  }
  state.counters["relatives_per_person"] = static_cast<double>(relatives) / static_cast<double>(state.iterations());
  state.counters["time_per_person"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Person)->Arg(100000)->Arg(1000000)->Iterations(3000)->Unit(benchmark::kMicrosecond);

void BM_NumberingDescendants(benchmark::State& state) {
  QuietHost quiet;
  SetHost(&quiet);
  TGDatabaseSosa db;
  db.SetAsNewFile();
  TGNom nom;
  nom.SetNom("Souche");
  const CodeID surname = db.GetNextID();
  nom.EcritDans(surname, db.Tables().dicoNoms);
  const SyntheticDescendancy family = BuildSyntheticDescendancy(
      db, surname, SyntheticDescendancyOptions{static_cast<std::uint32_t>(state.range(0)), 20261210});
  SetHost(nullptr);
  int numbered = 0;
  for (auto _ : state) {
    TGDatabaseParente kinship(db);
    TV5PelisserMakers maker(kinship.Parente(), kinship.Source());
    maker.SetNumerotation(ndPelissier);
    maker.SetPivot(family.root);
    numbered = maker.GetCount();
  }
  state.counters["descendants"] = numbered - 1;
  state.counters["time_per_descendant"] =
      benchmark::Counter(static_cast<double>(numbered - 1) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_NumberingDescendants)->Arg(100000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
