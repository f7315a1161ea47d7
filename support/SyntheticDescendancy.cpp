#include "support/SyntheticDescendancy.h"

#include <random>
#include <vector>

#include "database/TGDatabase.h"
#include "records/TGIndividu.h"
#include "records/TGUnion.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableUnion.h"

namespace genvora {

SyntheticDescendancy BuildSyntheticDescendancy(TGDatabase& database, CodeID surname,
                                               const SyntheticDescendancyOptions& options) {
  std::mt19937 random(options.seed);
  TGTableIndividus& individus = *database.Tables().individus;
  TGTableUnion& unions = *database.Tables().unions;
  SyntheticDescendancy out;

  auto person = [&](CodeID pere, CodeID mere, bool male) {
    TGIndividu individu;
    const CodeID code = database.GetNextID();
    individu.SetCodeID(code);
    individu.SetMasculin(male);
    individu.SetChar(5, male ? "Jean" : "Marie");
    individu.SetCodeNom(surname);
    individu.SetCodePere(pere);
    individu.SetCodeMere(mere);
    individus.EcritData(&individu);
    ++out.individus;
    return code;
  };
  auto couple = [&](CodeID husband, CodeID wife) {
    TGUnion uni;
    const CodeID code = database.GetNextID();
    uni.SetCodeID(code);
    uni.SetEpoux(husband);
    uni.SetEpouse(wife);
    uni.EcritDans(code, &unions);  // the store only; indexed at the end
  };

  struct Member {
    CodeID code;
    bool male;
  };
  individus.SetBatchModeTo(true);
  out.root = person(0, 0, true);
  std::vector<Member> generation{{out.root, true}}, next;
  while (out.descendants < options.descendants && !generation.empty()) {
    next.clear();
    // Cousin marriages pair two unmarried descendants of the generation.
    std::vector<Member> waiting[2];
    for (const Member& m : generation) {
      if (out.descendants >= options.descendants) break;
      if (random() % 10 == 0) continue;  // stays single
      CodeID spouse = 0;
      std::vector<Member>& others = waiting[m.male ? 0 : 1];
      if (random() % 50 == 0 && !others.empty()) {
        spouse = others.back().code;
        others.pop_back();
      } else if (random() % 50 == 0) {
        waiting[m.male ? 1 : 0].push_back(m);
        continue;
      } else {
        spouse = person(0, 0, !m.male);
      }
      const CodeID husband = m.male ? m.code : spouse, wife = m.male ? spouse : m.code;
      couple(husband, wife);
      const std::uint32_t children = 1 + random() % 4;
      for (std::uint32_t i = 0; i < children && out.descendants < options.descendants; ++i) {
        const bool male = random() % 2 == 0;
        next.push_back({person(husband, wife, male), male});
        ++out.descendants;
      }
    }
    generation.swap(next);
  }
  individus.SetBatchModeTo(false);
  unions.ReIndex();
  individus.Reindex();
  return out;
}

}  // namespace genvora
