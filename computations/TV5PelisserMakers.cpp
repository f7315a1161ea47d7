// TV5PelisserMakers: the build in passes over the records, and the texts.
#include "computations/TV5PelisserMakers.h"

#include <cstdlib>
#include <string>

#include "computations/TGParente.h"
#include "containers/CodeList.h"
#include "containers/LArray.h"

namespace genvora {

namespace {

// |n| without overflow for the most negative value.
std::uint32_t Magnitude(std::int32_t n) {
  return n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
}

// The order lists are read once for the whole build, and released on every
// way out.
class OrdreFige {
 public:
  explicit OrdreFige(TGParente& parente) : parente_(parente) { parente_.FigerOrdre(true); }
  ~OrdreFige() { parente_.FigerOrdre(false); }
  OrdreFige(const OrdreFige&) = delete;
  OrdreFige& operator=(const OrdreFige&) = delete;

 private:
  TGParente& parente_;
};

}  // namespace

// ---------------------------------------------------------------- TV5Pelissiers

void TV5Pelissiers::Set(CodeID code, CodeID parent, std::int32_t unionMark, std::int32_t numero) {
  r_.codeID = code;
  r_.codeParent = parent;
  r_.unionMark = unionMark;
  r_.numero = numero;
}

int TV5Pelissiers::GetGeneration() const {
  if (r_.codeID == 0) return 0;
  int generation = 1;
  TV5Pelissiers up(maker_);
  up.r_ = r_;
  // Each parent was made before its child (invariant 2); the bound keeps a
  // record set by hand from looping.
  for (int steps = 0; up.r_.codeParent != 0 && steps <= maker_->GetCount(); ++steps) {
    if (!maker_->Charge(up.r_.codeParent, &up)) break;
    ++generation;
  }
  return generation;
}

AnsiString TV5Pelissiers::NumToChar(std::int32_t n, bool lower) {
  const std::uint32_t rank = Magnitude(n);
  const bool small = lower && n < 0;
  const std::uint32_t base = small ? 96 : 64;
  if (rank > 255 - base) {
    AnsiString text(1, '(');
    text.append(std::to_string(n));
    text.push_back(')');
    return text;
  }
  return AnsiString(1, static_cast<char>(static_cast<unsigned char>(base + rank)));
}

AnsiString TV5Pelissiers::GetTexte() const {
  if (r_.codeID == 0 || r_.codeParent == 0) return {};
  // The chain from this record up to the pivot, or to a parent without
  // record, whose text is empty.
  std::vector<TPelissierRecord> chain{r_};
  TV5Pelissiers up(maker_);
  up.r_ = r_;
  for (int steps = 0; up.r_.codeParent != 0 && steps <= maker_->GetCount(); ++steps) {
    if (!maker_->Charge(up.r_.codeParent, &up) || up.r_.codeParent == 0) break;
    chain.push_back(up.r_);
  }
  const bool pelissier = maker_->GetNumerotation() == ndPelissier;
  AnsiString text;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (pelissier) {
      if (it->unionMark != -1) text += std::to_string(Magnitude(it->unionMark));
      text += NumToChar(it->numero, true);
    } else {
      if (!text.empty()) text += '.';
      text += std::to_string(Magnitude(it->numero));
      if (it->unionMark != -1 && it->unionMark != 0) text += NumToChar(-it->unionMark, true);
    }
  }
  return text;
}

// ---------------------------------------------------------------- TV5PelisserMakers

TV5PelisserMakers::TV5PelisserMakers(TGParente& parente, const TGParenteSource& source)
    : parente_(parente), source_(source) {}

const TPelissierRecord* TV5PelisserMakers::Find(CodeID code) const {
  auto found = indexOf_.find(code);
  return found == indexOf_.end() ? nullptr : &records_[found->second];
}

bool TV5PelisserMakers::Push(const TV5Pelissiers* record) {
  if (record == nullptr) return false;
  const TPelissierRecord& r = record->Record();
  auto [found, added] = indexOf_.try_emplace(r.codeID, records_.size());
  if (!added) {
    records_[found->second] = r;
    return false;
  }
  records_.push_back(r);
  return true;
}

bool TV5PelisserMakers::Charge(CodeID code, TV5Pelissiers* record) const {
  const TPelissierRecord* found = Find(code);
  if (found == nullptr || record == nullptr) return false;
  record->Record() = *found;
  return true;
}

void TV5PelisserMakers::SetPivot(CodeID pivot) {
  if (pivot == pivot_) return;
  pivot_ = pivot;
  BuildNumerotation();
}

void TV5PelisserMakers::SetObservateur(CodeID code) {
  if (code == observateur_) return;
  observateur_ = code;
  current_.Record() = TPelissierRecord{};
  Charge(code, &current_);
}

bool TV5PelisserMakers::Restart() {
  position_ = 0;
  return Next();
}

bool TV5PelisserMakers::Next() {
  if (position_ >= GetCount()) return false;
  ++position_;
  const CodeID code = records_[static_cast<std::size_t>(position_ - 1)].codeID;
  SetObservateur(code);
  return code != 0;
}

void TV5PelisserMakers::BuildNumerotation() {
  records_.clear();
  indexOf_.clear();
  position_ = 0;
  OrdreFige fige(parente_);
  TV5Pelissiers record(this);
  record.Set(pivot_, 0, 0, 0);
  Push(&record);

  bool changed = true;
  while (changed) {
    changed = false;
    // records_ grows inside the pass; the records appended are visited in
    // the same pass.
    for (std::size_t i = 0; i < records_.size(); ++i) {
      if (records_[i].termine) continue;
      records_[i].termine = true;
      const CodeID parent = records_[i].codeID;

      LArray childList(4, nullptr, false);
      parente_.LesEnfantsDeORDONNES(parent, 0, &childList);
      const std::vector<CodeID> children = ItemsOf(childList);
      std::vector<CodeID> unionCodes;
      source_.LesUnionsDe(parent, unionCodes);
      LArray unionList(4, nullptr, false);
      for (CodeID u : unionCodes) unionList.AddItem(&u, sizeof u);
      parente_.GetListeOrdonneeUnion(parent, &unionList);
      const std::vector<CodeID> unions = ItemsOf(unionList);

      bool numbered = false;
      for (std::size_t k = 1; k <= children.size(); ++k) {
        const CodeID child = children[k - 1];
        // Code 0 is "nobody"; a damaged list keeps the ranks of the others.
        if (child == 0) continue;
        CodeID pere = 0, mere = 0;
        source_.Parents(child, pere, mere);
        const bool bothParents = pere != 0 && mere != 0;
        const std::int32_t mark = bothParents || unions.size() <= 1 ? -1 : 0;
        const std::int32_t rank = static_cast<std::int32_t>(k);
        if (Charge(child, &record)) {
          record.SetMultiple(true);
          Push(&record);
          continue;
        }
        record.Record() = TPelissierRecord{};
        record.Set(child, parent, mark, source_.EstFeminin(child) ? -rank : rank);
        Push(&record);
        changed = numbered = true;
        if (OnProgress) OnProgress(*this);
      }
      if (!numbered) continue;

      // Children split between unions take the rank of their union. Only
      // the children numbered through this parent: a child reached first
      // through its other parent keeps that parent's union mark.
      for (std::size_t k = 1; k <= unions.size(); ++k) {
        CodeID mari = 0, femme = 0;
        if (!source_.Partenaires(unions[k - 1], mari, femme) || mari == 0 || femme == 0) continue;
        LArray common(4, nullptr, false);
        parente_.LesEnfantsDeORDONNES(mari, femme, &common);
        if (common.GetCount() == children.size()) continue;
        for (CodeID child : ItemsOf(common)) {
          auto found = indexOf_.find(child);
          if (found == indexOf_.end()) continue;
          TPelissierRecord& r = records_[found->second];
          if (r.codeParent == parent) r.unionMark = static_cast<std::int32_t>(k);
        }
      }
    }
  }
  if (OnTermine) OnTermine(*this);
}

AnsiString GetNumDAbovillePelissier(TV5PelisserMakers* maker, int option, CodeID code) {
  if (maker == nullptr || option == 0) return {};
  maker->SetNumerotation(option == 1 ? ndPelissier : ndDAboville);
  TV5Pelissiers record(maker);
  if (!maker->Charge(code, &record)) return {};
  return record.GetTexte();
}

}  // namespace genvora
