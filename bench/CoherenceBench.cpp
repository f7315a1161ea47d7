// The consistency control of dates over every person of a synthetic family
// of 100,000 and 1,000,000 persons, one in fifty given a death dated before
// any birth. Each check loads the person with its unions, spouses, children,
// parents and siblings through the indexes, so "time_per_person" should
// stay within 1.5x between the two sizes.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <vector>

#include "bench/BenchSupport.h"
#include "computations/TGDatabaseSosa.h"
#include "computations/ValidControlCheck.h"
#include "platform/Host.h"
#include "platform/Preferences.h"
#include "records/TGEvenement.h"
#include "support/SyntheticFamily.h"
#include "tables/TGTableEvenements.h"

namespace {

using namespace genvora;

using bench::SyntheticDatabase;

constexpr std::size_t kPlantEvery = 50;

SyntheticDatabase& Family(std::uint32_t persons) {
  static std::map<std::uint32_t, SyntheticDatabase> built;
  auto found = built.find(persons);
  if (found != built.end()) return found->second;
  SyntheticDatabase& f = built.emplace(persons, bench::MakeSyntheticDatabase(persons)).first->second;
  for (std::size_t i = 0; i < f.codes.size(); i += kPlantEvery) {
    TGEvenement death;
    const CodeID code = f.db->GetNextID();
    death.SetCodeID(code);
    death.SetProprietaire(f.codes[i]);
    death.SetType(static_cast<TV5EventList>(12));
    death.GetDate()->SetDay(1, false);
    death.GetDate()->SetMonth(1, false);
    death.GetDate()->SetYear(1200, false);
    f.db->Tables().evenements->EcritData(&death);
  }
  return f;
}

void BM_CoherenceEveryPerson(benchmark::State& state) {
  SyntheticDatabase& f = Family(static_cast<std::uint32_t>(state.range(0)));
  TPreferenceGenvora5 prefs("");
  std::size_t findings = 0, incoherent = 0;
  for (auto _ : state) {
    findings = incoherent = 0;
    std::vector<ConstatControle> found;
    AnsiString text;
    for (CodeID code : f.codes) {
      if (!ValidControlRangeCheckingV2(code, f.db.get(), &prefs, text, false, false, false, &found)) ++incoherent;
      findings += found.size();
    }
  }
  state.counters["persons"] = static_cast<double>(f.codes.size());
  state.counters["incoherent"] = static_cast<double>(incoherent);
  state.counters["findings"] = static_cast<double>(findings);
  state.counters["time_per_person"] =
      benchmark::Counter(static_cast<double>(f.codes.size()) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CoherenceEveryPerson)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
