// The structures that let the tables scale answer exactly what the plain
// ones answered: the flat code map against a node map, and the bulk rebuilds
// of the indexes against the arrays that adding each record in turn gives,
// on a random family with many ties (same surname and first names).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <unordered_map>

#include "TablesTestSupport.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGNom.h"
#include "tables/FlatCodeMap.h"
#include "tables/TGTableDicoNoms.h"
#include "tables/TGTableEvenements.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableLiensGenerique.h"
#include "tables/TGTableLiensPrenoms.h"
#include "platform/File.h"

namespace genvora {
namespace {

TEST(FlatCodeMap, AgreesWithANodeMapUnderChurn) {
  FlatCodeMap<std::uint32_t> flat;
  std::unordered_map<CodeID, std::uint32_t> plain;
  std::mt19937 random(17);
  // Few distinct codes, code 0 included, so that probe runs collide, wrap
  // and are shifted back by erasures.
  for (int step = 0; step < 200000; ++step) {
    const CodeID code = random() % 3000;
    const std::uint32_t value = random();
    switch (random() % 4) {
      case 0:
      case 1: {
        const bool inserted = flat.emplace(code, value).second;
        EXPECT_EQ(inserted, plain.emplace(code, value).second);
        break;
      }
      case 2:
        EXPECT_EQ(flat.erase(code), plain.erase(code) == 1);
        break;
      default:
        flat.assign(code, value);
        plain[code] = value;
        break;
    }
    if (step % 997 == 0) {
      ASSERT_EQ(flat.size(), plain.size());
      for (CodeID probe = 0; probe < 3000; ++probe) {
        const std::uint32_t* found = flat.find(probe);
        const auto expected = plain.find(probe);
        ASSERT_EQ(found != nullptr, expected != plain.end()) << probe;
        if (found != nullptr) {
          ASSERT_EQ(*found, expected->second) << probe;
        }
      }
    }
  }
  std::size_t visited = 0;
  flat.forEach([&](CodeID code, std::uint32_t value) {
    ++visited;
    EXPECT_EQ(plain.at(code), value);
  });
  EXPECT_EQ(visited, plain.size());
}

// The same family written twice: once with the indexes kept up record by
// record, once in batch mode and rebuilt.
using Bytes_t = std::vector<unsigned char>;

struct Family {
  TGTableIndividus individus;
  TGTableEvenements evenements;
  Family() {
    individus.SetTableEvenements(&evenements);
    evenements.SetTableIndividus(&individus);
  }
};

void Fill(Family& family, bool batch) {
  std::mt19937 random(5);
  const char* const surnames[] = {"Martin", "Dupont", "de la Fontaine", "Bernard", "Petit", "Durand"};
  const char* const prenoms[] = {"Jean", "jean", "Marie", "Anne Marie", "Élise", "Eric"};
  for (CodeID code = 1; code <= 6; ++code) {
    TGNom nom(family.individus.GetDicoNoms()->GetSplitter());
    nom.SetCodeID(code);
    nom.SetNom(surnames[code - 1]);
    nom.SetRattachement(code == 5 ? 2 : code);  // Petit is a variant of Dupont
    family.individus.GetDicoNoms()->EcritData(&nom);
  }
  family.individus.SetBatchModeTo(batch);
  std::vector<EvenementIndexT> keys;
  CodeID next = 100;
  for (int i = 0; i < 600; ++i) {
    TGIndividu individu;
    const CodeID code = next++;
    individu.SetCodeID(code);
    individu.SetCodeNom(1 + random() % 6);
    individu.SetChar(5, prenoms[random() % 6]);
    individu.SetMasculin(random() % 2 == 0);
    if (code > 120 && random() % 2 == 0) individu.SetCodePere(100 + random() % (code - 100));
    family.individus.EcritData(&individu);
    // Ties on surname and first names are broken by the arrival date:
    // births, christenings and deaths, some undated, some equal.
    for (std::uint32_t type : {TGTableEvenements::kNaissance, TGTableEvenements::kBapteme, TGTableEvenements::kDeces}) {
      if (random() % 3 == 0) continue;
      const auto date = static_cast<std::uint32_t>(random() % 4 == 0 ? 0u : 2400000u * 1440u + (random() % 5) * 1440u);
      const EvenementIndexT key{code, date, type, next++};
      const unsigned char bytes[4] = {1, 2, 3, 4};
      if (batch) {
        family.evenements.LXArray::EcritData(key.code, bytes, sizeof bytes);
        keys.push_back(key);
      } else {
        family.evenements.EcritEvenement(key, bytes, sizeof bytes);
      }
    }
  }
  if (batch) {
    family.individus.SetBatchModeTo(false);
    family.evenements.ReIndex(keys);
    family.individus.Reindex();
  }
}

std::vector<std::uint32_t> Words(const LArray& array) {
  std::vector<std::uint32_t> out;
  const unsigned size = array.GetItemSize(1);
  for (int i = 1; i <= static_cast<int>(array.GetCount()); ++i)
    for (unsigned w = 0; w < size / 4; ++w) out.push_back(ItemWord(array.GetItemPtr(i), static_cast<int>(w)));
  return out;
}

// The radix sort gives std::stable_sort's order: keys with many ties (the
// first comer must stay first), keys using every digit, keys that all share
// their high digits, and short vectors.
TEST(StableRadixSort, GivesTheStableSortsOrder) {
  std::mt19937_64 random(17);
  const std::function<std::uint64_t()> shapes[] = {
      [&] { return random() % 50; },
      [&] { return random(); },
      [&] { return (random() % 5000) << 32 | (random() % 5000); },
  };
  for (std::size_t size : {0u, 1u, 2u, 100u, 20000u}) {
    for (const auto& shape : shapes) {
      std::vector<std::pair<std::uint64_t, std::uint32_t>> values;
      for (std::uint32_t i = 0; i < size; ++i) values.emplace_back(shape(), i);
      auto expected = values;
      std::stable_sort(expected.begin(), expected.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      StableRadixSort(values, [](const auto& v) { return v.first; });
      EXPECT_EQ(values, expected) << size;
    }
  }
}

// Surnames 1 Martin, 2 Dupont, 3 Bernard (attached to Martin).
void AddThreeSurnames(Family& family) {
  for (CodeID code : {1u, 2u, 3u}) {
    TGNom nom(family.individus.GetDicoNoms()->GetSplitter());
    nom.SetCodeID(code);
    nom.SetNom(code == 1 ? "Martin" : code == 2 ? "Dupont" : "Bernard");
    nom.SetRattachement(code == 3 ? 1 : code);
    family.individus.GetDicoNoms()->EcritData(&nom);
  }
}

// People whose surname code names no surname (0 or a dangling code) come
// last. Two such codes are equal to each other yet not to what lies between
// them in first names, so their order is that of the stable merge of the
// comparator over the store order; with at most one such code the order is
// total. A rebuild gives the merge's order in both cases.
TEST(TablesAtScale, RebuiltOrderWithSurnamesThatNameNothingIsTheComparatorMerge) {
  for (const std::vector<CodeID>& surnames : {std::vector<CodeID>{0, 1, 2, 3}, std::vector<CodeID>{1, 2, 0, 7, 8}}) {
    Family family;
    AddThreeSurnames(family);
    family.individus.SetBatchModeTo(true);
    std::mt19937 random(11);
    const char* const prenoms[] = {"Jean", "Marie", "Anne", "Luc"};
    std::vector<CodeID> stored;
    for (CodeID code = 100; code < 400; ++code) {
      TGIndividu individu;
      individu.SetCodeID(code);
      individu.SetCodeNom(surnames[random() % surnames.size()]);
      individu.SetChar(5, prenoms[random() % 4]);
      family.individus.EcritData(&individu);
      stored.push_back(code);
    }
    family.individus.SetBatchModeTo(false);
    family.individus.Reindex();
    for (bool rattachement : {false, true}) {
      std::vector<CodeID> expected = stored;
      StableSortGuarded(expected, [&](CodeID a, CodeID b) {
        return family.individus.AlphaCompareIndividus(a, b, rattachement) < 0;
      });
      const LArray* index = rattachement ? family.individus.GetIndexAlphaR() : family.individus.GetIndexAlpha();
      EXPECT_EQ(Codes(*index), expected) << surnames.size() << " surnames, rattachement " << rattachement;
    }
  }
}

TEST(TablesAtScale, RebuiltIndexesEqualTheOnesKeptRecordByRecord) {
  Family kept, rebuilt;
  Fill(kept, false);
  Fill(rebuilt, true);
  EXPECT_EQ(Codes(*rebuilt.individus.GetIndexAlpha()), Codes(*kept.individus.GetIndexAlpha()));
  EXPECT_EQ(Codes(*rebuilt.individus.GetIndexAlphaR()), Codes(*kept.individus.GetIndexAlphaR()));
  EXPECT_EQ(Words(*rebuilt.individus.GetQuickList()), Words(*kept.individus.GetQuickList()));
  EXPECT_EQ(Words(*rebuilt.evenements.GetIndex()), Words(*kept.evenements.GetIndex()));
  // And the rebuilt tables go on as the kept ones: moving and deleting
  // events re-sorts the same people in both.
  for (Family* family : {&kept, &rebuilt}) {
    std::vector<CodeID> events;
    for (int i = 1; i <= static_cast<int>(family->evenements.GetIndex()->GetCount()); i += 7)
      events.push_back(ItemWord(family->evenements.GetIndex()->GetItemPtr(i), 3));
    for (std::size_t k = 0; k < events.size(); ++k) {
      if (k % 2 == 0) {
        family->evenements.DeleteData(events[k]);
      } else {
        const unsigned char bytes[6] = {9, 9, 9, 9, 9, 9};
        const EvenementIndexT key{100 + static_cast<CodeID>(k), 2400000u * 1440u - static_cast<std::uint32_t>(k),
                                  TGTableEvenements::kNaissance, events[k]};
        family->evenements.EcritEvenement(key, bytes, sizeof bytes);
      }
    }
  }
  EXPECT_EQ(Codes(*rebuilt.individus.GetIndexAlpha()), Codes(*kept.individus.GetIndexAlpha()));
  EXPECT_EQ(Words(*rebuilt.evenements.GetIndex()), Words(*kept.evenements.GetIndex()));
}

// Large tables are decoded on several threads by their rebuilds, each
// record into a slot of its own: the indexes are those of the records read
// one after the other, damaged ones spread through the store included.
TEST(TablesAtScale, RebuildsThatDecodeOnSeveralThreadsGiveTheIndexesOfOneByOne) {
  Family family;
  AddThreeSurnames(family);
  family.individus.SetBatchModeTo(true);
  std::mt19937 random(17);
  const char* const prenoms[] = {"Jean", "Marie", "Anne", "Luc", "Élise"};
  constexpr CodeID kPersons = 41000;
  std::vector<CodeID> persons, events;
  CodeID next = 100;
  for (CodeID k = 0; k < kPersons; ++k) {
    TGIndividu individu;
    const CodeID code = next++;
    individu.SetCodeID(code);
    individu.SetCodeNom(1 + random() % 3);
    individu.SetChar(5, prenoms[random() % 5]);
    if (k > 10 && random() % 2 == 0) individu.SetCodePere(100 + random() % k);
    family.individus.EcritData(&individu);
    persons.push_back(code);
    for (int e = 0; e < 3; ++e) {
      TGEvenement ev;
      ev.SetCodeID(next++);
      ev.SetProprietaire(code);
      ev.SetType(e == 0 ? evIBIRT : e == 1 ? evICHR : evIDEAT);
      if (random() % 4 != 0) ev.GetDate()->SetText(std::to_string(1700 + random() % 200).c_str());
      const std::string bytes = ev.EncodeToString();
      family.evenements.LXArray::EcritData(ev.GetCodeID(), bytes.data(), static_cast<unsigned>(bytes.size()));
      events.push_back(ev.GetCodeID());
    }
  }
  family.individus.SetBatchModeTo(false);
  // Damage at both ends of the stores and in the middle.
  const unsigned char garbage[3] = {1, 2, 3};
  std::set<CodeID> damaged;
  for (const std::size_t at : {std::size_t{0}, persons.size() / 2 + 1, persons.size() - 1}) {
    family.individus.LXArray::EcritData(persons[at], garbage, sizeof garbage);
    damaged.insert(persons[at]);
    family.evenements.LXArray::EcritData(events[at * 3 + 1], garbage, sizeof garbage);
  }
  family.evenements.ReIndex();
  family.individus.Reindex();

  // The events: the keys of the events that decode, read one by one.
  const std::vector<std::uint32_t> rebuilt = Words(*family.evenements.GetIndex());
  std::vector<EvenementIndexT> keys;
  for (const CodeID code : events) {
    TGEvenement ev;
    if (ev.LitDans(code, &family.evenements)) keys.push_back(TGTableEvenements::MakeKey(ev));
  }
  EXPECT_EQ(keys.size(), events.size() - 3);
  family.evenements.ReIndex(keys);
  EXPECT_EQ(rebuilt, Words(*family.evenements.GetIndex()));

  // The persons: every code in both orders, the sound ones in the
  // comparator's order, and the parents of each as a fresh record reads them.
  std::vector<CodeID> sound;
  for (const CodeID code : persons)
    if (damaged.count(code) == 0) sound.push_back(code);
  for (bool rattachement : {false, true}) {
    const LArray* index = rattachement ? family.individus.GetIndexAlphaR() : family.individus.GetIndexAlpha();
    std::vector<CodeID> all = Codes(*index), kept;
    EXPECT_EQ(all.size(), persons.size());
    for (const CodeID code : all)
      if (damaged.count(code) == 0) kept.push_back(code);
    std::vector<CodeID> expected = sound;
    std::sort(expected.begin(), expected.end(), [&](CodeID a, CodeID b) {
      return family.individus.AlphaCompareIndividus(a, b, rattachement) < 0;
    });
    EXPECT_EQ(kept, expected) << rattachement;
  }
  for (const CodeID code : persons) {
    TGIndividu fresh;
    fresh.LitDans(code, &family.individus);
    CodeID pere = 0, mere = 0;
    ASSERT_TRUE(family.individus.GetQuickList()->GetParents(code, pere, mere)) << code;
    ASSERT_EQ(pere, fresh.GetCodePere()) << code;
    ASSERT_EQ(mere, fresh.GetCodeMere()) << code;
  }
}

// A rebuild handed the fields a walk has just decoded gives the indexes of
// one that decodes every record itself: the fields of all the records, of
// some of them (the others decoded), or out of code order (not used).
TEST(TablesAtScale, ARebuildGivenTheDecodedFieldsGivesTheIndexesOfOneThatDecodes) {
  Family family;
  AddThreeSurnames(family);
  family.individus.SetBatchModeTo(true);
  std::mt19937 random(23);
  const char* const prenoms[] = {"Jean", "Marie", "Anne", "Luc", "Élise", "Jean-Baptiste Marie"};
  std::vector<TGTableIndividus::IndexFields> all;
  for (CodeID code = 100; code < 100 + 41000; ++code) {
    TGIndividu individu;
    individu.SetCodeID(code);
    individu.SetCodeNom(1 + random() % 3);
    individu.SetChar(5, prenoms[random() % 6]);
    if (code > 110 && random() % 2 == 0) individu.SetCodePere(100 + random() % (code - 100));
    if (code > 110 && random() % 3 == 0) individu.SetCodeMere(100 + random() % (code - 100));
    family.individus.EcritData(&individu);
    all.push_back({code, true, individu.GetCodeNom(), individu.GetCodePere(), individu.GetCodeMere(),
                   individu.GetChar(5)});
  }
  family.individus.SetBatchModeTo(false);
  const auto indexes = [&family] {
    return std::vector<std::vector<std::uint32_t>>{Words(*family.individus.GetIndexAlpha()),
                                                   Words(*family.individus.GetIndexAlphaR()),
                                                   Words(*family.individus.GetQuickList())};
  };
  const auto compare = [&](const char* store) {
    family.individus.Reindex();
    const auto expected = indexes();
    std::vector<TGTableIndividus::IndexFields> some;
    for (std::size_t k = 0; k < all.size(); k += 2) some.push_back(all[k]);
    std::vector<TGTableIndividus::IndexFields> reversed(all.rbegin(), all.rend());
    const std::pair<const char*, std::vector<TGTableIndividus::IndexFields>> cases[] = {
        {"every sound record", all}, {"every other record", some}, {"out of order", reversed}, {"none", {}}};
    for (const auto& [name, known] : cases) {
      family.individus.Reindex(known);
      EXPECT_EQ(indexes(), expected) << store << ", " << name;
    }
  };
  compare("sound store");
  const unsigned char garbage[3] = {1, 2, 3};
  for (const std::size_t at : {std::size_t{5}, all.size() / 2}) {
    family.individus.LXArray::EcritData(all[at].code, garbage, sizeof garbage);
    all[at] = {};
  }
  std::erase_if(all, [](const TGTableIndividus::IndexFields& f) { return f.code == 0; });
  compare("damaged store");
}

TEST(TablesAtScale, ABirthRewrittenAsAnotherKindMovesItsOwner) {
  Family family;
  TGNom nom(family.individus.GetDicoNoms()->GetSplitter());
  nom.SetCodeID(1);
  nom.SetNom("Martin");
  nom.SetRattachement(1);
  family.individus.GetDicoNoms()->EcritData(&nom);
  for (CodeID code : {10u, 11u}) {
    TGIndividu individu;
    individu.SetCodeID(code);
    individu.SetCodeNom(1);
    individu.SetChar(5, "Jean");
    family.individus.EcritData(&individu);
  }
  const unsigned char bytes[4] = {};
  family.evenements.EcritEvenement({10, 2400010u * 1440u, TGTableEvenements::kNaissance, 20}, bytes, 4);
  family.evenements.EcritEvenement({11, 2400000u * 1440u, TGTableEvenements::kNaissance, 21}, bytes, 4);
  EXPECT_EQ(Codes(*family.individus.GetIndexAlpha()), (std::vector<CodeID>{11, 10}));
  // The birth of 10 becomes a residence: 10 has no arrival date any more,
  // which sorts first.
  family.evenements.EcritEvenement({10, 2400010u * 1440u, 20, 20}, bytes, 4);
  EXPECT_EQ(Codes(*family.individus.GetIndexAlpha()), (std::vector<CodeID>{10, 11}));
}

Bytes_t SavedStore(const LXArray& store) {
  MemoryFile file;
  EXPECT_TRUE(store.EcritDans(&file));
  return file.Bytes();
}

TEST(TablesAtScale, MovedAndBulkDeletedEventsLeaveTheTablesOfTheSingleSteps) {
  Family batch, single;
  Fill(batch, false);
  Fill(single, false);
  // Every key by code, to rebuild from at the end.
  std::map<CodeID, EvenementIndexT> keys;
  for (int i = 1; i <= static_cast<int>(batch.evenements.GetIndex()->GetCount()); ++i) {
    const void* item = batch.evenements.GetIndex()->GetItemPtr(i);
    keys[ItemWord(item, 3)] = {ItemWord(item, 0), ItemWord(item, 1), ItemWord(item, 2), ItemWord(item, 3)};
  }
  std::mt19937 random(9);
  std::vector<CodeID> codes;
  for (const auto& entry : keys) codes.push_back(entry.first);
  for (int round = 0; round < 6; ++round) {
    // Rewrites: new dates (moving the owner in the alphabetical order when
    // the type is an arrival), new types, other sizes, now and then a new
    // owner.
    for (int k = 0; k < 80; ++k) {
      const CodeID code = codes[random() % codes.size()];
      if (keys.count(code) == 0) continue;
      EvenementIndexT key = keys[code];
      key.dateKey = random() % 3 == 0 ? 0u : 2400000u * 1440u + static_cast<std::uint32_t>(random() % 9) * 1440u;
      if (random() % 4 == 0) key.type = random() % 2 == 0 ? TGTableEvenements::kDeces : 20u;
      if (random() % 6 == 0) key.proprio = 100 + static_cast<CodeID>(random() % 600);
      const Bytes_t bytes(1 + random() % 30, static_cast<unsigned char>(k));
      for (Family* family : {&batch, &single})
        ASSERT_NE(family->evenements.EcritEvenement(key, bytes.data(), static_cast<unsigned>(bytes.size())), 0);
      keys[code] = key;
    }
    // Deletions: in one call against one by one (unknown and repeated
    // codes included).
    std::vector<CodeID> gone;
    for (int k = 0; k < 40; ++k) gone.push_back(codes[random() % codes.size()]);
    gone.push_back(999999);
    gone.push_back(gone.front());
    batch.evenements.DeleteDatas(gone);
    for (CodeID code : gone) single.evenements.DeleteData(code);
    for (CodeID code : gone) keys.erase(code);

    EXPECT_EQ(Words(*batch.evenements.GetIndex()), Words(*single.evenements.GetIndex())) << round;
    EXPECT_EQ(Codes(*batch.individus.GetIndexAlpha()), Codes(*single.individus.GetIndexAlpha())) << round;
    EXPECT_EQ(Codes(*batch.individus.GetIndexAlphaR()), Codes(*single.individus.GetIndexAlphaR())) << round;
    EXPECT_EQ(SavedStore(batch.evenements), SavedStore(single.evenements)) << round;
  }
  // And the indexes kept in step are the ones a rebuild gives.
  const auto events = Words(*batch.evenements.GetIndex());
  const auto alpha = Codes(*batch.individus.GetIndexAlpha());
  std::vector<EvenementIndexT> all;
  for (const auto& entry : keys) all.push_back(entry.second);
  batch.evenements.ReIndex(all);
  batch.individus.Reindex();
  EXPECT_EQ(Words(*batch.evenements.GetIndex()), events);
  EXPECT_EQ(Codes(*batch.individus.GetIndexAlpha()), alpha);
}

}  // namespace
}  // namespace genvora

namespace genvora {
namespace {

// The plain scans the generic pair table answered before it kept an order
// by member, over a model of its array.
using Pairs = std::vector<std::pair<CodeID, CodeID>>;

std::vector<CodeID> ScanLiensDe(const Pairs& pairs, CodeID code) {
  std::vector<CodeID> out;
  for (const auto& [a, b] : pairs)
    if (a == code || b == code) out.push_back(a == code ? b : a);
  return out;
}

Pairs PairsOf(const LArray& array) {
  Pairs out;
  for (int i = 1; i <= static_cast<int>(array.GetCount()); ++i)
    out.emplace_back(ItemWord(array.GetItemPtr(i), 0), ItemWord(array.GetItemPtr(i), 1));
  return out;
}

// Where the array's insertion puts a pair: after the items its first-word
// order (codes as signed 32-bit words) does not place after it.
std::size_t UpperBoundWrapping(const Pairs& model, CodeID a) {
  std::size_t low = 0, high = model.size();
  while (low < high) {
    const std::size_t mid = (low + high) / 2;
    if (CompareCodeWords(model[mid].first, a) <= 0)
      low = mid + 1;
    else
      high = mid;
  }
  return low;
}

class LiensGeneriqueAtScale : public ::testing::TestWithParam<bool> {};

TEST_P(LiensGeneriqueAtScale, LookupsAnswerTheScanThroughAddsRemovesAndOutsideChanges) {
  TGTableLiensGenerique liens("TableNote-Liens");
  Pairs model;
  std::mt19937 random(41);
  LArray out(4, nullptr, false);
  // Few codes: repeated pairs, mirrored pairs and pairs {c, c} are common.
  // With codes 2^31 apart the array's wrapping order is no plain order,
  // and the table falls back on scans until such codes are gone.
  const bool wide = GetParam();
  const auto code = [&random, wide] {
    const auto small = static_cast<CodeID>(1 + random() % 40);
    return wide && random() % 50 == 0 ? small + 0x80000000u : small;
  };
  for (int step = 0; step < 4000; ++step) {
    const CodeID a = code(), b = code();
    switch (random() % 9) {
      case 0:
      case 1:
      case 2: {
        liens.AjouteLien(a, b);
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(UpperBoundWrapping(model, a)), {a, b});
        break;
      }
      case 3:
      case 4: {
        const auto at = std::find_if(model.begin(), model.end(), [&](const auto& p) {
          return (p.first == a && p.second == b) || (p.first == b && p.second == a);
        });
        EXPECT_EQ(liens.SupprimeLien(a, b), at != model.end());
        if (at != model.end()) model.erase(at);
        break;
      }
      case 5:
        if (random() % 4 == 0) {
          liens.RemoveCodeID(a);
          model.erase(std::remove_if(model.begin(), model.end(),
                                     [a](const auto& p) { return p.first == a || p.second == a; }),
                      model.end());
        }
        break;
      case 6:
        if (random() % 4 == 0 && !model.empty()) {
          // Behind the table's back: the LArray interface itself.
          const int index = 1 + static_cast<int>(random() % model.size());
          const std::uint32_t pair[2] = {model[static_cast<std::size_t>(index - 1)].first, b};
          liens.PokeItem(index, pair, 8);
          model[static_cast<std::size_t>(index - 1)].second = b;
          liens.RemoveItemsAt(1, 1);
          model.erase(model.begin());
        }
        break;
      case 7:
        if (random() % 8 == 0) {
          MemoryFile file;
          ASSERT_TRUE(liens.EcritDans(&file));
          ASSERT_TRUE(file.Seek(0));
          TGTableLiensGenerique other("TableNote-Liens");
          other.AjouteLien(99, 98);
          ASSERT_TRUE(other.LitDans(&file));
          EXPECT_EQ(other.LePremierLienDe(99), 0u) << "a read replaces the pairs";
          ASSERT_TRUE(file.Seek(0));
          ASSERT_TRUE(liens.LitDans(&file));
        }
        break;
      default:
        break;
    }
    ASSERT_EQ(PairsOf(liens), model) << "step " << step;
    for (int probe = 0; probe < 3; ++probe) {
      const CodeID c = code(), d = code();
      liens.LesLiensDe(c, &out);
      const std::vector<CodeID> expected = ScanLiensDe(model, c);
      ASSERT_EQ(Codes(out), expected) << "step " << step << " code " << c;
      EXPECT_EQ(liens.LePremierLienDe(c), expected.empty() ? 0u : expected.front());
      const bool linked = std::any_of(model.begin(), model.end(), [&](const auto& p) {
        return (p.first == c && p.second == d) || (p.first == d && p.second == c);
      });
      EXPECT_EQ(liens.EstLie(c, d), linked) << c << " " << d;
    }
  }
}
INSTANTIATE_TEST_SUITE_P(Codes, LiensGeneriqueAtScale, ::testing::Values(false, true));

}  // namespace
}  // namespace genvora

namespace genvora {
namespace {

TEST(LiensPrenomsAtScale, AddingLinksAtOnceGivesTheArrayOfAddingThemInTurn) {
  std::mt19937 random(77);
  const auto pick = [&random](std::uint32_t base, std::uint32_t range) { return static_cast<CodeID>(base + random() % range); };
  for (int round = 0; round < 20; ++round) {
    TGTableLiensPrenoms inTurn, atOnce;
    // Some links already there, then a batch with repeated pairs, pairs
    // already stored and changing usual flags.
    std::vector<TGTableLiensPrenoms::Lien> before, batch;
    for (int k = 0; k < 30; ++k) before.push_back({pick(1, 25), pick(100, 8), random() % 3 == 0});
    for (int k = 0; k < 60; ++k) batch.push_back({pick(1, 25), pick(100, 8), random() % 3 == 0});
    for (const auto& lien : before) {
      inTurn.AjouteLien(lien.a, lien.b, lien.usual);
      atOnce.AjouteLien(lien.a, lien.b, lien.usual);
    }
    if (round == 0) batch.clear();
    for (const auto& lien : batch) inTurn.AjouteLien(lien.a, lien.b, lien.usual);
    atOnce.AjouteLiens(batch);
    MemoryFile a, b;
    ASSERT_TRUE(inTurn.EcritDans(&a));
    ASSERT_TRUE(atOnce.EcritDans(&b));
    EXPECT_EQ(a.Bytes(), b.Bytes()) << round;
    EXPECT_EQ(inTurn.IsSorted(), atOnce.IsSorted());
  }
  // Into an empty table.
  TGTableLiensPrenoms inTurn, atOnce;
  inTurn.AjouteLien(7, 100, true);
  atOnce.AjouteLiens({{7, 100, true}});
  MemoryFile a, b;
  ASSERT_TRUE(inTurn.EcritDans(&a));
  ASSERT_TRUE(atOnce.EcritDans(&b));
  EXPECT_EQ(a.Bytes(), b.Bytes());
}

}  // namespace
}  // namespace genvora
