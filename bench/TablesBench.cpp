// The tables at scale: building every table and index of a synthetic family
// of 100,000 and 1,000,000 individuals (the ratio of the two times shows the
// growth), every index of the larger one built again from its records, then
// the per-person queries and the surname look-ups on the larger one; the
// link tables a database of a million people keeps (generic
// pairs, first-name links, document links) built and queried; and, on a
// family of its own, events rewritten and deleted in bulk.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include "containers/LArray.h"
#include "records/TGLienRoot.h"
#include "support/SyntheticFamily.h"
#include "tables/TGTableDicoLieux.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableDocuments.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableLiensGenerique.h"
#include "tables/TGTableLiensPrenoms.h"
#include "tables/TGTableUnion.h"

namespace {

using genvora::LArray;
using genvora::SyntheticFamily;
using genvora::SyntheticFamilyOptions;

void BM_BuildTables(benchmark::State& state) {
  for (auto _ : state) {
    auto family = std::make_unique<SyntheticFamily>(SyntheticFamilyOptions{static_cast<std::uint32_t>(state.range(0)), 7});
    family->Build();
    state.counters["events"] = family->EventCount();
    benchmark::DoNotOptimize(family->Individus().GetIndexAlpha()->GetCount());
    // Tearing the tables down is not part of building them.
    state.PauseTiming();
    family.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BuildTables)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

SyntheticFamily& Million() {
  static std::unique_ptr<SyntheticFamily> family = [] {
    auto built = std::make_unique<SyntheticFamily>(SyntheticFamilyOptions{1000000, 11});
    built->Build();
    return built;
  }();
  return *family;
}

// What opening, upgrading and checking a file make of its records: every
// index and dictionary order of the million-person family built again from
// the stored records, which BM_BuildTables first has to generate and encode.
void BM_IndexTables(benchmark::State& state) {
  SyntheticFamily& family = Million();
  for (auto _ : state) {
    family.Noms().ReIndex();
    family.Lieux().ReIndex();
    family.Unions().ReIndex();
    family.Evenements().ReIndex();
    family.Individus().Reindex();
    benchmark::DoNotOptimize(family.Individus().GetIndexAlpha()->GetCount());
  }
  state.counters["events"] = family.EventCount();
}
BENCHMARK(BM_IndexTables)->Iterations(1)->Unit(benchmark::kMillisecond);

template <typename Query>
void RunQueries(benchmark::State& state, int queries, Query query) {
  SyntheticFamily& family = Million();
  std::mt19937 random(3);
  const auto& codes = family.CodesIndividus();
  std::vector<genvora::CodeID> picks(static_cast<std::size_t>(queries));
  for (auto& pick : picks) pick = codes[random() % codes.size()];
  LArray out(4, nullptr, false);
  std::size_t answers = 0;
  for (auto _ : state) {
    for (genvora::CodeID code : picks) {
      out.Flush();
      query(family, code, out);
      answers += out.GetCount();
    }
  }
  state.counters["per_query_us"] =
      benchmark::Counter(static_cast<double>(queries), benchmark::Counter::kIsIterationInvariantRate |
                                                           benchmark::Counter::kInvert);
  state.counters["answers"] = static_cast<double>(answers) / static_cast<double>(state.iterations());
}

void BM_Children(benchmark::State& state) {
  RunQueries(state, 100000, [](SyntheticFamily& f, genvora::CodeID code, LArray& out) {
    f.Individus().LesEnfantsDe(code, 0, &out);
  });
}
void BM_Events(benchmark::State& state) {
  RunQueries(state, 100000, [](SyntheticFamily& f, genvora::CodeID code, LArray& out) {
    f.Evenements().LesEvenementsDe(code, &out);
  });
}
void BM_Unions(benchmark::State& state) {
  RunQueries(state, 100000, [](SyntheticFamily& f, genvora::CodeID code, LArray& out) {
    f.Unions().LesUnionsDe(code, 0, &out);
    f.Unions().LesUnionsDe(0, code, &out);
  });
}
void BM_Ancestors(benchmark::State& state) {
  RunQueries(state, 100000, [](SyntheticFamily& f, genvora::CodeID code, LArray& out) {
    f.Individus().AscendanceDe(code, &out);
  });
}
void BM_SurnameLookup(benchmark::State& state) {
  SyntheticFamily& family = Million();
  std::mt19937 random(5);
  const auto& texts = family.TextesNoms();
  std::size_t hits = 0;
  for (auto _ : state) {
    for (int i = 0; i < 10000; ++i) hits += family.Noms().NomExists(texts[random() % texts.size()]) != 0;
  }
  state.counters["per_query_us"] =
      benchmark::Counter(10000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["hits"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Children)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Events)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Unions)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ancestors)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurnameLookup)->Iterations(1)->Unit(benchmark::kMillisecond);

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// 300,000 pairs of the kind notes and addresses make: records created in
// code order (codes above the people's), each linked to one or two people.
// The build is timed; then 100,000 look-ups from the people's side.
void BM_GenericPairs(benchmark::State& state) {
  const auto& codes = Million().CodesIndividus();
  std::mt19937 random(13);
  for (auto _ : state) {
    state.PauseTiming();
    genvora::TGTableLiensGenerique liens("TableNote-Liens");
    std::vector<std::pair<genvora::CodeID, genvora::CodeID>> pairs;
    for (genvora::CodeID a = 90000000; pairs.size() < 300000; ++a) {
      pairs.emplace_back(a, codes[random() % codes.size()]);
      if (random() % 3 == 0) pairs.emplace_back(a, codes[random() % codes.size()]);
    }
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    for (const auto& [a, b] : pairs) liens.AjouteLien(a, b);
    state.counters["build_ms"] = MillisecondsSince(start);
    LArray out(4, nullptr, false);
    std::size_t answers = 0;
    start = std::chrono::steady_clock::now();
    for (int q = 0; q < 100000; ++q) {
      const genvora::CodeID person = codes[random() % codes.size()];
      liens.LesLiensDe(person, &out);
      answers += out.GetCount();
      answers += liens.LePremierLienDe(person) != 0;
      answers += liens.EstLie(pairs[random() % pairs.size()].first, person);
    }
    state.counters["query_us"] = MillisecondsSince(start) * 1000.0 / 100000.0;
    state.counters["answers"] = static_cast<double>(answers);
    // One scan of the array: what each look-up cost before.
    start = std::chrono::steady_clock::now();
    std::size_t hits = 0;
    for (int i = 1; i <= static_cast<int>(liens.GetCount()); ++i)
      hits += genvora::ItemWord(liens.GetItemPtr(i), 1) == codes[0];
    benchmark::DoNotOptimize(hits);
    state.counters["scan_us"] = MillisecondsSince(start) * 1000.0;
    // Removing a thousand stored pairs, named the other way round.
    start = std::chrono::steady_clock::now();
    for (int r = 0; r < 1000; ++r) {
      const auto& pair = pairs[random() % pairs.size()];
      answers += liens.SupprimeLien(pair.second, pair.first);
    }
    state.counters["remove_us"] = MillisecondsSince(start);  // per removal: ms for 1000
  }
}
BENCHMARK(BM_GenericPairs)->Iterations(1)->Unit(benchmark::kMillisecond);

// Two first names for each of a million people among 400 first names,
// added at once (a bulk import), then the first names of 100,000 people.
void BM_FirstNameLinks(benchmark::State& state) {
  const auto& codes = Million().CodesIndividus();
  std::mt19937 random(17);
  for (auto _ : state) {
    state.PauseTiming();
    genvora::TGTableLiensPrenoms liens;
    std::vector<genvora::TGTableLiensPrenoms::Lien> links;
    links.reserve(codes.size() * 2);
    for (genvora::CodeID person : codes) {
      const auto first = static_cast<genvora::CodeID>(80000000 + random() % 400);
      links.push_back({person, first, true});
      links.push_back({person, first + 1 + static_cast<genvora::CodeID>(random() % 50), false});
    }
    state.ResumeTiming();
    liens.AjouteLiens(links);
    LArray out(4, nullptr, false);
    std::size_t answers = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int q = 0; q < 100000; ++q) {
      out.Flush();
      liens.GetPrenoms(codes[random() % codes.size()], &out);
      answers += out.GetCount();
    }
    state.counters["query_us"] = MillisecondsSince(start) * 1000.0 / 100000.0;
    state.counters["entries"] = static_cast<double>(liens.GetCount());
    state.counters["answers"] = static_cast<double>(answers);
  }
}
BENCHMARK(BM_FirstNameLinks)->Iterations(1)->Unit(benchmark::kMillisecond);

// One document link record for each of a million events, citing 50,000
// documents, written one by one with their index; then the documents of
// 100,000 events.
void BM_DocumentLinks(benchmark::State& state) {
  std::mt19937 random(19);
  for (auto _ : state) {
    genvora::TGTableLienDocuments liens;
    genvora::TGLienDocument lien;
    for (genvora::CodeID k = 1; k <= 1000000; ++k) {
      lien.SetCodeID(70000000 + k);
      lien.SetXREFEvenement(10 + 4 * k);
      lien.SetXREFDocument(60000000 + random() % 50000);
      liens.EcritData(&lien);
    }
    state.PauseTiming();
    LArray out(4, nullptr, false);
    std::size_t answers = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int q = 0; q < 100000; ++q) {
      liens.DocumentDe(10 + 4 * (1 + random() % 1000000), &out);
      answers += out.GetCount();
    }
    state.counters["query_us"] = MillisecondsSince(start) * 1000.0 / 100000.0;
    state.counters["answers"] = static_cast<double>(answers);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DocumentLinks)->Iterations(1)->Unit(benchmark::kMillisecond);

// A family of its own, changed: events rewritten (new date, new size) and
// events deleted, in bulk and one by one.
SyntheticFamily& MillionToChange() {
  static std::unique_ptr<SyntheticFamily> family = [] {
    auto built = std::make_unique<SyntheticFamily>(SyntheticFamilyOptions{1000000, 29});
    built->Build();
    return built;
  }();
  return *family;
}

std::vector<genvora::EvenementIndexT> SomeEvents(SyntheticFamily& family, std::size_t count, std::uint32_t seed) {
  const LArray& index = *family.Evenements().GetIndex();
  std::mt19937 random(seed);
  std::vector<genvora::EvenementIndexT> keys;
  while (keys.size() < count) {
    const void* item = index.GetItemPtr(1 + static_cast<int>(random() % index.GetCount()));
    keys.push_back({genvora::ItemWord(item, 0), genvora::ItemWord(item, 1), genvora::ItemWord(item, 2),
                    genvora::ItemWord(item, 3)});
  }
  return keys;
}

void BM_RewriteEvents(benchmark::State& state) {
  SyntheticFamily& family = MillionToChange();
  const auto count = static_cast<std::size_t>(state.range(0));
  std::vector<unsigned char> bytes(52, 7);  // 12 bytes more than stored
  for (auto _ : state) {
    state.PauseTiming();
    auto keys = SomeEvents(family, count, 31);
    state.ResumeTiming();
    for (auto& key : keys) {
      key.dateKey += 1440 * 400;  // a year later
      family.Evenements().EcritEvenement(key, bytes.data(), static_cast<unsigned>(bytes.size()));
    }
    family.Evenements().Compacte();  // the waiting rewrites laid in, as a save would
  }
  state.counters["per_event_us"] = benchmark::Counter(static_cast<double>(count),
                                                      benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}
BENCHMARK(BM_RewriteEvents)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_DeleteEvents(benchmark::State& state) {
  SyntheticFamily& family = MillionToChange();
  const bool bulk = state.range(0) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    // Bulk: 10 % of the events; one by one: a thousand.
    const std::size_t count = bulk ? family.Evenements().GetCount() / 10 : 1000;
    std::vector<genvora::CodeID> codes;
    for (const auto& key : SomeEvents(family, count, bulk ? 37u : 41u)) codes.push_back(key.code);
    state.counters["events"] = static_cast<double>(codes.size());
    state.ResumeTiming();
    if (bulk) {
      family.Evenements().DeleteDatas(codes);
    } else {
      for (genvora::CodeID code : codes) family.Evenements().DeleteData(code);
    }
  }
}
BENCHMARK(BM_DeleteEvents)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
