// The whole-file duplicate scan of a synthetic family of 100,000 persons
// into which copies of 200 persons were planted (same first names, surname,
// sex and birth date, under a new code). "planted_found" counts the planted
// copies reported paired with their original, and should be 200; "pairs"
// counts every pair reported (the synthetic family has look-alikes of its
// own: 400 first-name pairs spread over its surnames). A planted copy not
// found fails the run.
//
// BM_Duplicates/1000000: the same with 1,000,000 persons, three surnames of
// 10,000 bearers each spread over the file, and 1,000 planted copies.
//
// BM_DuplicatesCommonSurname: one surname borne by every person (20,000),
// two first names each from a pool of 20, a birth over a century; the
// second argument 1 walks every candidate instead of the pre-selection.
#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "bench/BenchSupport.h"
#include "computations/TV8Trieur.h"
#include "platform/Host.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "support/SyntheticFamily.h"

namespace {

using namespace genvora;

struct Planted {
  bench::SyntheticDatabase family;
  std::vector<std::pair<CodeID, CodeID>> copies;  // original, copy
};

// Three surnames of `bearers` persons each: every such person, spread over
// the whole file, takes one of them.
void CommonSurnames(TGDatabase& db, const std::vector<CodeID>& codes, std::size_t bearers) {
  TGDatabaseTables& t = db.Tables();
  CodeID surnames[3];
  for (int k = 0; k < 3; ++k) {
    TGNom nom;
    nom.SetNom(AnsiString("Commun") + static_cast<char>('A' + k));
    surnames[k] = db.GetNextID();
    nom.SetRattachement(surnames[k]);
    nom.EcritDans(surnames[k], t.dicoNoms);
  }
  // The individuals' alphabetical order goes through the surnames' own.
  t.dicoNoms->ReIndex();
  const std::size_t stride = codes.size() / (3 * bearers);
  t.individus->SetBatchModeTo(true);
  for (std::size_t n = 0; n < 3 * bearers && n * stride < codes.size(); ++n) {
    TGIndividu individu;
    if (!individu.LitDans(codes[n * stride], t.individus)) continue;
    individu.SetCodeNom(surnames[n % 3]);
    t.individus->EcritData(&individu);
  }
  t.individus->SetBatchModeTo(false);
  t.individus->Reindex();
}

Planted& Family(std::uint32_t persons, std::size_t planted = 200, std::size_t bearers = 0) {
  static std::map<std::uint32_t, Planted> built;
  auto found = built.find(persons);
  if (found != built.end()) return found->second;
  Planted& f = built[persons];
  f.family = bench::MakeSyntheticDatabase(persons);
  TGDatabase& db = *f.family.db;
  const std::vector<CodeID>& codes = f.family.codes;
  TGDatabaseTables& t = db.Tables();
  if (bearers != 0) CommonSurnames(db, codes, bearers);
  for (std::size_t i = 0; f.copies.size() < planted && i < codes.size(); i += codes.size() / (planted + planted / 4)) {
    const CodeID original = codes[i];
    const CodeID birth = t.evenements->NaissanceDe(original);
    TGEvenement event;
    if (birth == 0 || !event.LitDans(birth, t.evenements) || event.GetDate()->EstVide()) continue;
    TGIndividu individu;
    if (!individu.LitDans(original, t.individus)) continue;
    const CodeID copy = db.GetNextID();
    individu.SetCodeID(copy);
    individu.SetCodePere(0);
    individu.SetCodeMere(0);
    t.individus->EcritData(&individu);
    event.SetCodeID(db.GetNextID());
    event.SetProprietaire(copy);
    t.evenements->EcritData(&event);
    f.copies.emplace_back(original, copy);
  }
  return f;
}

void BM_Duplicates(benchmark::State& state) {
  Planted& f = state.range(0) >= 1000000 ? Family(static_cast<std::uint32_t>(state.range(0)), 1000, 10000)
                                         : Family(static_cast<std::uint32_t>(state.range(0)));
  std::size_t pairs = 0, plantedFound = 0;
  for (auto _ : state) {
    TV8Trieur trieur;
    trieur.SetFiler1(f.family.db.get());
    trieur.SetFiler2(f.family.db.get());
    trieur.ExclureAscendance = true;
    trieur.Doublons();
    pairs = trieur.Paires().size();
    // A copy is found when the pairs join it to its original, directly or
    // through a look-alike of both: the scan reports a person found as
    // someone's duplicate once, with the first person it was found with.
    std::map<CodeID, CodeID> group;
    const std::function<CodeID(CodeID)> root = [&](CodeID c) {
      auto found = group.find(c);
      if (found == group.end() || found->second == c) return c;
      return found->second = root(found->second);
    };
    for (const auto& [a, b] : trieur.Paires()) group[root(a)] = root(b);
    plantedFound = 0;
    for (const auto& [original, copy] : f.copies)
      if (root(original) == root(copy)) ++plantedFound;
  }
  state.counters["pairs"] = static_cast<double>(pairs);
  state.counters["planted"] = static_cast<double>(f.copies.size());
  state.counters["planted_found"] = static_cast<double>(plantedFound);
  if (plantedFound != f.copies.size()) {
    static std::string message;
    message = "planted duplicates not found: " + std::to_string(f.copies.size() - plantedFound) + " of " +
              std::to_string(f.copies.size()) + " (" + std::to_string(pairs) + " pairs reported)";
    state.SkipWithError(message.c_str());
  }
}

std::unique_ptr<TGDatabaseSosa> CommonSurname(std::uint32_t persons) {
  static const char* const kPrenoms[] = {"Jean", "Marie",  "Pierre", "Anne",  "Louis",   "Jeanne", "Jacques",
                                         "Paul", "Claude", "Henri",  "Marc",  "Rose",    "Agnes",  "Denis",
                                         "Luc",  "Julie",  "Simon",  "Alice", "Etienne", "Berthe"};
  auto db = std::make_unique<TGDatabaseSosa>();
  QuietHost quiet;
  SetHost(&quiet);
  db->SetAsNewFile();
  TGNom nom;
  nom.SetNom("Martin");
  const CodeID surname = db->GetNextID();
  nom.EcritDans(surname, db->Tables().dicoNoms);
  std::uint32_t seed = 7;
  auto next = [&](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  TGDatabaseTables& t = db->Tables();
  t.individus->SetBatchModeTo(true);
  for (std::uint32_t i = 0; i < persons; ++i) {
    TGIndividu individu;
    const CodeID code = db->GetNextID();
    individu.SetCodeID(code);
    individu.SetMasculin(next(2) == 0);
    individu.SetChar(5, AnsiString(kPrenoms[next(20)]) + " " + kPrenoms[next(20)]);
    individu.SetCodeNom(surname);
    t.individus->EcritData(&individu);
    TGEvenement birth;
    birth.SetCodeID(db->GetNextID());
    birth.SetProprietaire(code);
    birth.SetType(static_cast<TV5EventList>(4));
    for (bool side : {false, true}) {
      birth.GetDate()->SetDay(1 + static_cast<int>(next(28)), side);
      birth.GetDate()->SetMonth(1 + static_cast<int>(next(12)), side);
      birth.GetDate()->SetYear(1800 + static_cast<int>(next(100)), side);
    }
    t.evenements->EcritData(&birth);
  }
  t.individus->SetBatchModeTo(false);
  t.individus->Reindex();
  SetHost(nullptr);
  return db;
}

void BM_DuplicatesCommonSurname(benchmark::State& state) {
  static std::map<std::int64_t, std::unique_ptr<TGDatabaseSosa>> built;
  std::unique_ptr<TGDatabaseSosa>& db = built[state.range(0)];
  if (!db) db = CommonSurname(static_cast<std::uint32_t>(state.range(0)));
  std::size_t pairs = 0;
  for (auto _ : state) {
    TV8Trieur trieur;
    trieur.SetFiler1(db.get());
    trieur.SetFiler2(db.get());
    trieur.SansPreselection = state.range(1) != 0;
    trieur.Doublons();
    pairs = trieur.Paires().size();
  }
  state.counters["pairs"] = static_cast<double>(pairs);
}

}  // namespace

BENCHMARK(BM_Duplicates)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DuplicatesCommonSurname)->Args({20000, 0})->Args({20000, 1})->Iterations(1)->Unit(benchmark::kMillisecond);
