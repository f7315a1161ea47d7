// TV5SosaMaker: the four numberings, the ancestor count and the paths.
//
// The tables keep the legacy shapes and orders; the lookups "is this person
// numbered yet" go through private hash maps instead of scans of the
// unsorted tables, so each numbering is linear in the records it makes.
#include "computations/TV5SosaMaker.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>

#include "database/TGDatabase.h"
#include "platform/Host.h"
#include "platform/Resources.h"

namespace genvora {

namespace {

// Host().Progress once per this many records: often enough for a bar,
// rarely enough to cost nothing.
constexpr std::uint64_t kProgressStep = 16384;

using RestrictedList = std::unordered_map<CodeID, SosaAncestryEntry>;

// True when some person of the list is among its own ancestors (Kahn's
// count: a person is settled once every child of it is settled).
bool HasCycle(const RestrictedList& list) {
  std::unordered_map<CodeID, unsigned> childCount;
  for (const auto& [code, entry] : list) {
    childCount.try_emplace(code, 0U);
    for (CodeID parent : {entry.pere, entry.mere})
      if (parent != 0 && list.count(parent) != 0) ++childCount[parent];
  }
  std::vector<CodeID> settled;
  for (const auto& [code, count] : childCount)
    if (count == 0) settled.push_back(code);
  std::size_t done = 0;
  while (!settled.empty()) {
    CodeID code = settled.back();
    settled.pop_back();
    ++done;
    const SosaAncestryEntry& entry = list.at(code);
    for (CodeID parent : {entry.pere, entry.mere}) {
      if (parent == 0 || list.count(parent) == 0) continue;
      if (--childCount[parent] == 0) settled.push_back(parent);
    }
  }
  return done != childCount.size();
}

// True when the path of `number` from `root` meets no person twice.
bool WalksOnce(const RestrictedList& list, CodeID root, const TV5Sosa& number) {
  std::unordered_set<CodeID> met{root};
  CodeID current = root;
  for (unsigned bit = number.GetGeneration() - 1; bit-- > 0;) {
    auto found = list.find(current);
    if (found == list.end()) return false;
    current = number.Bit(bit) ? found->second.mere : found->second.pere;
    if (!met.insert(current).second) return false;
  }
  return true;
}

}  // namespace

int LArraySosaComparator::Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const {
  constexpr unsigned kEnd = TV5SosaData::kOffsetNumber + TV5SosaData::kKeyBytes;
  if (sizeA < kEnd || sizeB < kEnd) return 0;
  return TV5Sosa::CompareKeys(static_cast<const unsigned char*>(a) + TV5SosaData::kOffsetNumber,
                              static_cast<const unsigned char*>(b) + TV5SosaData::kOffsetNumber);
}

TV5SosaMaker::TV5SosaMaker()
    : own_(new LArray(sizeof(TV5SosaData), new LLongComparator, false)),
      occurrences_(new LArray(sizeof(SosaOccurrence), new LLongComparator, false)) {
  own_->SetClassName("SOSATbl");
  own_->SetMinSize(kMinSize);
  // SOSADbl is the computations' working state: the maker keeps it, and it
  // never goes to a file.
  occurrences_->SetClassName("SOSADbl");
  occurrences_->SetMinSize(kMinSize);
  sosaTbl_ = own_.get();
  sosaDbl_ = occurrences_.get();
}

TV5SosaMaker::~TV5SosaMaker() = default;

void TV5SosaMaker::SetFiler(TGDatabase* database) {
  if (database == filer_) return;
  SetAction(kSosaAucune);
  filer_ = database;
  sosaDbl_ = occurrences_.get();
  if (database == nullptr) {
    sosaTbl_ = own_.get();
    quickList_ = nullptr;
    return;
  }
  // The database's Sosa table: the numbers then go to and come from its
  // file. A table of another shape is not used: the maker keeps its own.
  TGDatabaseTables& tables = database->Tables();
  LArray* table = tables.sosa;
  if (table != nullptr && table->HasFixedItems() && table->GetItemSize(1) == sizeof(TV5SosaData)) sosaTbl_ = table;
  quickList_ = tables.QuickList();
}

std::uint32_t TV5SosaMaker::GetLimiteExpansion() const {
  return limiteExpansion_ == 0 ? kLimiteExpansionMax : std::min(limiteExpansion_, kLimiteExpansionMax);
}

// ---------------------------------------------------------------- actions

void TV5SosaMaker::SetAction(sosaActionT action) {
  action_ = action;
  switch (action) {
    case kSosaAucune:
      SetAbort(true);
      if (OnComplete) OnComplete(*this);
      break;
    case kSosaMonoPasse:
      SetAbort(false);
      SosaMonoPasse();
      break;
    case kSosaMonoEtoile:
      SetAbort(false);
      SosaMonoEtoile();
      break;
    case kSosaCompletIndividu:
      SetAbort(false);
      SosaCompletIndividu();
      break;
    case kSosaCompletFichier:
      SetAbort(false);
      SosaCompletFichier();
      break;
    default:
      break;
  }
}

void TV5SosaMaker::SetAbort(bool abort) {
  // A computation interrupted by a pump sees the change of abortId_ and
  // stops; the idle state (abort set) is not itself a reason to stop.
  if (abort) ++abortId_;
  abort_ = abort;
}

TV5SosaMaker::Run TV5SosaMaker::StartRun() {
  ResetFlags();
  PrepareAncestry();
  return Run{++runId_, abortId_};
}

TV5SosaMaker::Pumped TV5SosaMaker::Pump(const Run& run) {
  V5ProcessMessage();
  if (run.id != runId_) return Pumped::Superseded;
  if (run.abortId != abortId_) return Pumped::Aborted;
  return Pumped::Continue;
}

void TV5SosaMaker::ReportProgress(std::uint64_t done) {
  if (OnProgress) OnProgress(*this);
  if (done % kProgressStep == 0) Host().Progress(LoadResString("G13str.numerotationSosa"), static_cast<std::int64_t>(done), 0);
}

void TV5SosaMaker::ResetFlags() {
  horsCapacite_ = 0;
  tronque_ = false;
  cyclesCoupes_ = 0;
}

void TV5SosaMaker::PrepareAncestry() const {
  // A list kept in code order under the first-word comparator is searched by
  // halving. Any other (a list read with another comparator, or unsorted)
  // gets a private index, built once per computation, instead of a scan per
  // lookup.
  byIndex_.clear();
  useIndex_ = false;
  if (quickList_ == nullptr || quickList_->GetCount() == 0 || !quickList_->HasFixedItems() ||
      quickList_->GetItemSize(1) != sizeof(SosaAncestryEntry))
    return;
  const LComparator* comparator = quickList_->GetComparator();
  if (quickList_->IsSorted() && comparator != nullptr && typeid(*comparator) == typeid(LLongComparator)) return;
  useIndex_ = true;
  byIndex_.reserve(quickList_->GetCount());
  for (int i = 1; i <= static_cast<int>(quickList_->GetCount()); ++i) {
    SosaAncestryEntry entry;
    std::memcpy(&entry, quickList_->GetItemPtr(i), sizeof entry);
    byIndex_.try_emplace(entry.code, entry);  // the first entry of a code wins, as a search would find it
  }
}

bool TV5SosaMaker::FetchEntry(CodeID code, SosaAncestryEntry& out) const {
  if (quickList_ == nullptr || code == 0 || quickList_->GetItemSize(1) != sizeof(SosaAncestryEntry)) return false;
  if (useIndex_) {
    auto found = byIndex_.find(code);
    if (found == byIndex_.end()) return false;
    out = found->second;
    return true;
  }
  SosaAncestryEntry probe{code, 0, 0};
  int index = quickList_->FetchIndexOf(&probe, sizeof probe);
  if (index == 0) return false;
  const void* item = quickList_->GetItemPtr(index);
  if (item == nullptr) return false;
  std::memcpy(&out, item, sizeof out);
  return true;
}

TV5SosaData TV5SosaMaker::RecordAt(unsigned index1) const {
  TV5SosaData data;
  std::memcpy(&data, sosaTbl_->GetItemPtr(static_cast<int>(index1)), sizeof data);
  return data;
}

void TV5SosaMaker::PokeRecordAt(unsigned index1, const TV5SosaData& data) {
  std::memcpy(sosaTbl_->GetItemPtr(static_cast<int>(index1)), &data, sizeof data);
}

void TV5SosaMaker::SortByNumber() {
  // The table keeps its owned code comparator; the number order is lent for
  // the sort only. Afterwards the items are in number order, which the code
  // comparator does not know as sorted, so lookups by code scan.
  static LArraySosaComparator numberOrder;
  LComparator* byCode = sosaTbl_->GetComparator();
  sosaTbl_->_SetComparator(&numberOrder, false);
  sosaTbl_->Sort();
  sosaTbl_->_SetComparator(byCode, false);
}

// ---------------------------------------------------------------- numberings

void TV5SosaMaker::SosaMonoPasse() {
  if (deCujus_ == 0 || quickList_ == nullptr) return;
  const Run run = StartRun();
  sosaTbl_->Flush();
  sosaDbl_->Flush();
  TV5Sosa person;
  person.SetCodeID(deCujus_);
  person.SetValue(1);
  sosaTbl_->AddItem(&person.GetData());
  SosaOccurrence occurrence{deCujus_, 1};
  sosaDbl_->AddItem(&occurrence);
  // Person -> its record's index in SOSATbl; also what SOSADbl holds.
  std::unordered_map<CodeID, unsigned> numbered;
  numbered.emplace(deCujus_, 1U);

  std::vector<CodeID> generation{deCujus_};
  std::vector<CodeID> next;
  std::uint64_t done = 1;
  while (!generation.empty()) {
    next.clear();
    for (CodeID code : generation) {
      person.PokeData(RecordAt(numbered[code]));
      SosaAncestryEntry entry;
      if (!FetchEntry(code, entry)) entry = SosaAncestryEntry{code, 0, 0};
      for (int side = 0; side < 2; ++side) {
        if (side == 1) {
          Pumped state = Pump(run);
          if (state == Pumped::Superseded) return;
          if (state == Pumped::Aborted) {
            sosaTbl_->Flush();
            sosaDbl_->Flush();
            return;
          }
        }
        CodeID parent = side == 0 ? entry.pere : entry.mere;
        if (parent == 0 || numbered.count(parent) != 0) continue;
        TV5Sosa record;
        record.SetCodeID(parent);
        if (!(side == 0 ? person.Double(record) : person.DoublePlusUn(record))) {
          ++horsCapacite_;
          continue;
        }
        occurrence = SosaOccurrence{parent, 1};
        sosaDbl_->AddItem(&occurrence);
        numbered.emplace(parent, static_cast<unsigned>(sosaTbl_->AddItem(&record.GetData())));
        ReportProgress(++done);
        next.push_back(parent);
      }
    }
    generation.swap(next);
  }
  SortByNumber();
  SetAction(kSosaAucune);
}

void TV5SosaMaker::SosaMonoEtoile() {
  sosaTbl_->Flush();
  if (deCujus_ == 0 || quickList_ == nullptr) return;
  const Run run = StartRun();
  TV5Sosa person;
  person.SetCodeID(deCujus_);
  person.SetValue(1);
  sosaTbl_->AddItem(&person.GetData());
  std::unordered_map<CodeID, unsigned> numbered;
  numbered.emplace(deCujus_, 1U);

  std::vector<CodeID> generation{deCujus_};
  std::vector<CodeID> next;
  std::uint64_t done = 1;
  while (!generation.empty()) {
    next.clear();
    for (CodeID code : generation) {
      Pumped state = Pump(run);
      if (state == Pumped::Superseded) return;
      if (state == Pumped::Aborted) {
        sosaTbl_->Flush();
        return;
      }
      SosaAncestryEntry entry;
      if (!FetchEntry(code, entry) || (entry.pere == 0 && entry.mere == 0)) continue;
      person.PokeData(RecordAt(numbered[code]));
      for (int side = 0; side < 2; ++side) {
        CodeID parent = side == 0 ? entry.pere : entry.mere;
        if (parent == 0) continue;
        auto found = numbered.find(parent);
        if (found == numbered.end()) {
          TV5Sosa record;
          record.SetCodeID(parent);
          if (!(side == 0 ? person.Double(record) : person.DoublePlusUn(record))) {
            ++horsCapacite_;
            continue;
          }
          numbered.emplace(parent, static_cast<unsigned>(sosaTbl_->AddItem(&record.GetData())));
          ReportProgress(++done);
          next.push_back(parent);
        } else {
          // An implex: raise its counter; follow it once more only at its
          // first meeting, so that its own ancestors are raised too, and
          // never again (this also bounds a cycle).
          TV5SosaData data = RecordAt(found->second);
          ++data.occurrences;
          PokeRecordAt(found->second, data);
          if (data.occurrences < 2) next.push_back(parent);
        }
      }
    }
    generation.swap(next);
  }
}

void TV5SosaMaker::SosaCompletFichier() {
  if (deCujus_ == 0 || quickList_ == nullptr) return;
  const Run run = StartRun();
  sosaTbl_->Flush();
  sosaDbl_->Flush();
  const std::uint32_t limit = GetLimiteExpansion();

  // Occurrences as the legacy table orders them: a raised record is removed
  // and appended again, so the order is that of each person's last raise.
  struct Raise {
    std::uint32_t count;
    std::uint64_t last;
  };
  std::unordered_map<CodeID, Raise> raises;
  std::uint64_t sequence = 0;
  raises[deCujus_] = Raise{0, sequence++};

  // Depth-first over explicit frames: the persons of the current path are
  // marked so that a damaged file's cycle is cut instead of followed. The
  // depth is at most 208 anyway, since deeper numbers are refused.
  struct Frame {
    TV5Sosa record;
    SosaAncestryEntry entry;
    int nextSide;  // 0 father, 1 mother, 2 done
  };
  std::vector<Frame> stack;
  std::unordered_set<CodeID> onPath;
  auto push = [&](const TV5Sosa& record) {
    Frame frame{record, {}, 0};
    if (!FetchEntry(record.GetCodeID(), frame.entry)) frame.entry = SosaAncestryEntry{record.GetCodeID(), 0, 0};
    onPath.insert(record.GetCodeID());
    stack.push_back(frame);
  };
  TV5Sosa root;
  root.SetCodeID(deCujus_);
  root.SetValue(1);
  sosaTbl_->AddItem(&root.GetData());
  push(root);
  std::uint64_t done = 1;
  bool stopped = false;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.nextSide == 2) {
      onPath.erase(frame.record.GetCodeID());
      stack.pop_back();
      continue;
    }
    const int side = frame.nextSide++;
    CodeID parent = side == 0 ? frame.entry.pere : frame.entry.mere;
    if (parent == 0 || stopped) continue;
    if (onPath.count(parent) != 0) {
      ++cyclesCoupes_;
      continue;
    }
    if (sosaTbl_->GetCount() >= limit) {
      tronque_ = true;
      stopped = true;
      continue;
    }
    TV5Sosa record;
    record.SetCodeID(parent);
    if (!(side == 0 ? frame.record.Double(record) : frame.record.DoublePlusUn(record))) {
      ++horsCapacite_;
      continue;
    }
    Raise& raise = raises[parent];
    ++raise.count;
    raise.last = sequence++;
    sosaTbl_->AddItem(&record.GetData());
    ReportProgress(++done);
    if (done % 256 == 0) {
      Pumped state = Pump(run);
      if (state == Pumped::Superseded) return;
      if (state == Pumped::Aborted) {
        sosaTbl_->Flush();
        return;
      }
    }
    push(record);  // invalidates `frame`
  }

  std::vector<std::pair<std::uint64_t, SosaOccurrence>> ordered;
  ordered.reserve(raises.size());
  for (const auto& [code, raise] : raises) ordered.push_back({raise.last, SosaOccurrence{code, raise.count}});
  std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [last, occurrence] : ordered) sosaDbl_->AddItem(&occurrence);

  // Sorted before the completion event, so that its handler reads the
  // table in number order.
  SortByNumber();
  SetAction(kSosaAucune);
}

void TV5SosaMaker::SosaCompletIndividu() {
  if (deCujus_ == 0 || quickList_ == nullptr) {
    if (OnComplete) OnComplete(*this);
    return;
  }
  const Run run = StartRun();
  const CodeID observer = observateur_;

  // 1. The ancestors of the de cujus (each once), the de cujus and the
  // observer: the only persons a path between the two can cross.
  std::unordered_set<CodeID> ancestors{deCujus_, observer};
  std::unordered_map<CodeID, SosaAncestryEntry> entries;
  std::vector<CodeID> toVisit{deCujus_};
  while (!toVisit.empty()) {
    CodeID code = toVisit.back();
    toVisit.pop_back();
    SosaAncestryEntry entry;
    if (!FetchEntry(code, entry)) continue;
    entries.emplace(code, entry);
    for (CodeID parent : {entry.pere, entry.mere}) {
      if (parent != 0 && ancestors.insert(parent).second) toVisit.push_back(parent);
    }
  }
  if (entries.count(observer) == 0) {
    SosaAncestryEntry entry;
    if (FetchEntry(observer, entry)) entries.emplace(observer, entry);
  }

  // 2. The path set: the observer and its descendants among those persons.
  std::unordered_map<CodeID, std::vector<CodeID>> children;
  for (const auto& [code, entry] : entries) {
    if (ancestors.count(code) == 0) continue;
    for (CodeID parent : {entry.pere, entry.mere}) {
      if (parent != 0 && ancestors.count(parent) != 0) children[parent].push_back(code);
    }
  }
  std::unordered_set<CodeID> onPath{observer};
  std::vector<CodeID> added{observer};
  while (!added.empty()) {
    std::vector<CodeID> nextAdded;
    for (CodeID code : added) {
      auto found = children.find(code);
      if (found == children.end()) continue;
      for (CodeID child : found->second)
        if (onPath.insert(child).second) nextAdded.push_back(child);
    }
    added.swap(nextAdded);
  }

  // 3. The private ancestry: path persons only, other parents cut to 0.
  RestrictedList restricted;
  for (CodeID code : onPath) {
    auto found = entries.find(code);
    if (found == entries.end()) continue;
    SosaAncestryEntry entry = found->second;
    if (onPath.count(entry.pere) == 0) entry.pere = 0;
    if (onPath.count(entry.mere) == 0) entry.mere = 0;
    restricted.emplace(code, entry);
  }

  // 4-5. Expansion: each record moves one generation up per pass, the
  // father in place and the mother appended, until every record is the
  // observer's or nothing moves.
  sosaTbl_->Flush();
  sosaDbl_->Flush();
  const std::uint32_t limit = GetLimiteExpansion();
  std::vector<TV5SosaData> working;
  {
    TV5Sosa root;
    root.SetCodeID(deCujus_);
    root.SetValue(1);
    working.push_back(root.GetData());
  }
  bool changed = true;
  while (changed) {
    changed = false;
    if (std::all_of(working.begin(), working.end(), [&](const TV5SosaData& d) { return d.codeID == observer; })) break;
    const std::size_t countAtStart = working.size();
    std::vector<bool> dropped(countAtStart, false);
    for (std::size_t i = 0; i < countAtStart; ++i) {
      if (working[i].codeID != observer) {
        auto found = restricted.find(working[i].codeID);
        if (found != restricted.end()) {
          TV5Sosa from;
          from.PokeData(working[i]);
          const SosaAncestryEntry& entry = found->second;
          if (entry.pere != 0 && entry.mere != 0) {
            TV5Sosa mother;
            mother.SetCodeID(entry.mere);
            if (working.size() >= limit) {
              tronque_ = true;
            } else if (from.DoublePlusUn(mother)) {
              working.push_back(mother.GetData());
            } else {
              ++horsCapacite_;
            }
          }
          CodeID inPlace = entry.pere != 0 ? entry.pere : entry.mere;
          if (inPlace != 0) {
            TV5Sosa moved;
            moved.SetCodeID(inPlace);
            if (entry.pere != 0 ? from.Double(moved) : from.DoublePlusUn(moved)) {
              working[i] = moved.GetData();
            } else {
              ++horsCapacite_;
              dropped[i] = true;
            }
            changed = true;
          }
        }
      }
      Pumped state = Pump(run);
      if (state == Pumped::Superseded) return;
      if (state == Pumped::Aborted) return;  // the table is already empty
      if (action_ != kSosaCompletIndividu) {
        // The host changed the action from the pump: the result is empty.
        working.clear();
        break;
      }
    }
    if (working.empty()) break;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < working.size(); ++i)
      if (i >= countAtStart || !dropped[i]) working[kept++] = working[i];
    working.resize(kept);
  }
  // Records still short of the observer mean the observer is not an ancestor
  // of the de cujus (or its only paths were refused): no number at all,
  // rather than a record of somebody else.
  working.erase(std::remove_if(working.begin(), working.end(),
                               [&](const TV5SosaData& d) { return d.codeID != observer; }),
                working.end());
  // In a damaged file whose path persons form a cycle, the expansion went
  // round it until the numbers ran out of bits; keep only the paths that
  // meet each person once, as the full numbering does.
  if (HasCycle(restricted)) {
    working.erase(std::remove_if(working.begin(), working.end(),
                                 [&](const TV5SosaData& d) {
                                   TV5Sosa number;
                                   number.PokeData(d);
                                   bool repeats = !WalksOnce(restricted, deCujus_, number);
                                   if (repeats) ++cyclesCoupes_;
                                   return repeats;
                                 }),
                  working.end());
  }
  for (const TV5SosaData& data : working) sosaTbl_->AddItem(&data);
  SetAction(kSosaAucune);
}

unsigned TV5SosaMaker::SosaCount(CodeID code) {
  sosaTbl_->Flush();
  if (code == 0 || quickList_ == nullptr) return 0;
  const Run run = StartRun();
  TV5Sosa person;
  person.SetCodeID(code);
  person.SetValue(1);
  person.SetOccurrences(1);
  sosaTbl_->AddItem(&person.GetData());
  std::unordered_map<CodeID, unsigned> numbered;
  numbered.emplace(code, 1U);

  std::vector<SosaAncestryEntry> generation;
  SosaAncestryEntry first;
  if (FetchEntry(code, first)) generation.push_back(first);
  std::vector<SosaAncestryEntry> next;
  std::unordered_set<CodeID> inNext;
  while (!generation.empty()) {
    // Only a change of computation stops the count: it owns no action.
    if (Pump(run) == Pumped::Superseded) return 0;
    next.clear();
    inNext.clear();
    for (const SosaAncestryEntry& entry : generation) {
      person.PokeData(RecordAt(numbered[entry.code]));
      for (int side = 0; side < 2; ++side) {
        CodeID parent = side == 0 ? entry.pere : entry.mere;
        if (parent == 0) continue;
        std::uint32_t counter;
        auto found = numbered.find(parent);
        if (found == numbered.end()) {
          TV5Sosa record;
          record.SetCodeID(parent);
          record.SetOccurrences(1);
          if (!(side == 0 ? person.Double(record) : person.DoublePlusUn(record))) {
            ++horsCapacite_;
            continue;
          }
          numbered.emplace(parent, static_cast<unsigned>(sosaTbl_->AddItem(&record.GetData())));
          counter = 1;
        } else {
          TV5SosaData data = RecordAt(found->second);
          counter = ++data.occurrences;
          PokeRecordAt(found->second, data);
        }
        SosaAncestryEntry parentEntry;
        if (counter < 3 && inNext.count(parent) == 0 && FetchEntry(parent, parentEntry)) {
          inNext.insert(parent);
          next.push_back(parentEntry);
        }
      }
    }
    generation.swap(next);
  }
  return sosaTbl_->GetCount();
}

// ---------------------------------------------------------------- paths

std::vector<CodeID> TV5SosaMaker::CheminVersDeCujus(const TV5Sosa& number) const {
  const unsigned generation = number.GetGeneration();
  if (generation == 0 || deCujus_ == 0) return {};
  PrepareAncestry();
  std::vector<CodeID> path{deCujus_};
  path.reserve(generation);
  // The digits below the leading 1, from the top: 0 father, 1 mother.
  for (unsigned bit = generation - 1; bit-- > 0;) {
    SosaAncestryEntry entry;
    if (!FetchEntry(path.back(), entry)) return {};
    CodeID parent = number.Bit(bit) ? entry.mere : entry.pere;
    if (parent == 0) return {};
    path.push_back(parent);
  }
  return path;
}

CodeID TV5SosaMaker::CodeIDValue(const TV5Sosa& number) const {
  std::vector<CodeID> path = CheminVersDeCujus(number);
  return path.empty() ? 0 : path.back();
}

bool TV5SosaMaker::LoadSosaData(int index, TV5Sosa& out) const {
  if (!sosaTbl_->ValidIndex(index)) return false;
  out.PokeData(RecordAt(static_cast<unsigned>(index)));
  return true;
}

bool TV5SosaMaker::LitDans(FileHandle* file) {
  // The block's own checks refuse any item size but 36; a refused block
  // leaves the table empty.
  bool ok = sosaTbl_->LitDans(file);
  // Numbers can always be made again; half a table would only mislead. The
  // occurrences belong to the computation that made them, not to the table
  // read.
  if (!ok) sosaTbl_->Flush();
  sosaDbl_->Flush();
  // Read in file order, which is number order, not code order.
  sosaTbl_->InvalidateSort();
  return ok;
}

}  // namespace genvora
