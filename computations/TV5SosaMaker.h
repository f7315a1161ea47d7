// TV5SosaMaker: Sosa (ancestor) numbering relative to a de cujus.
//
// The de cujus is number 1, the father of n is 2n and the mother 2n + 1. The
// maker walks the ancestry quick list ({person, father, mother} entries found
// by person) and keeps its results in two tables that the rest of the engine
// reads:
//  - SOSATbl, TV5SosaData records (36 bytes, platform/TV5Sosa.h), one per
//    number; after a numbering it is in ascending number order;
//  - SOSADbl, occurrence records of 8 bytes:
//
// | offset | size | field (little-endian)                 |
// |--------|------|---------------------------------------|
// | 0      | 4    | CodeID of the person                  |
// | 4      | 4    | count of numbers the person received  |
//
// Five computations, chosen by the action (SetAction):
//  1 SosaMonoPasse        one number per ancestor, its smallest (breadth-first);
//  2 SosaMonoEtoile       one number per ancestor, implexes marked by the
//                         occurrence counter (run on every change of de cujus);
//  3 SosaCompletIndividu  every number of the observer;
//  4 SosaCompletFichier   every number of every ancestor (one record per path);
// and SosaCount(code), the ancestors of any person counted once.
//
// Invariants:
//  1. A computation runs only with a de cujus and an ancestry list; a person
//     absent from the list has no parents.
//  2. Father before mother, always; the de cujus's record has number 1.
//  3. Loops pump the host's messages. When the host starts another
//     computation from the pump, the interrupted one stops without touching
//     the tables again; when the host aborts (SetAction(0)), the interrupted
//     one empties what it was building.
//  4. No numbering ever wraps: an ancestor whose number would need more than
//     208 bits is left out (GetHorsCapacite counts them), and the full
//     numberings stop adding records at the expansion limit (GetTronque).
//  5. A person among its own ancestors (a damaged file) is never followed
//     around the cycle: each computation visits a person a bounded number of
//     times.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "containers/LArray.h"
#include "containers/LComparator.h"
#include "database/SosaNumbering.h"
#include "platform/File.h"
#include "platform/TV5Sosa.h"
#include "platform/Types.h"

namespace genvora {

class TGDatabase;

using sosaActionT = std::uint8_t;
constexpr sosaActionT kSosaAucune = 0;
constexpr sosaActionT kSosaMonoPasse = 1;
constexpr sosaActionT kSosaMonoEtoile = 2;
constexpr sosaActionT kSosaCompletIndividu = 3;
constexpr sosaActionT kSosaCompletFichier = 4;

// Orders TV5SosaData records by their 26-byte number key, as unsigned bytes.
// A record shorter than a whole number (never one of ours) compares as
// equal rather than being read beyond its end.
class LArraySosaComparator : public LComparator {
 public:
  int Compare(const void* a, const void* b, unsigned sizeA, unsigned sizeB) const override;
  LComparator* Clone() const override { return new LArraySosaComparator; }
};

// One entry of the ancestry quick list: 12 bytes, three little-endian words.
struct SosaAncestryEntry {
  CodeID code = 0;
  CodeID pere = 0;
  CodeID mere = 0;
};
static_assert(sizeof(SosaAncestryEntry) == 12);

// The occurrence record of SOSADbl.
struct SosaOccurrence {
  CodeID code = 0;
  std::uint32_t count = 0;
};
static_assert(sizeof(SosaOccurrence) == 8);

class TV5SosaMaker : public TGSosaNumbering {
 public:
  static constexpr unsigned kMinSize = 512;
  static constexpr std::uint32_t kLimiteExpansionMax = 1000000;
  using Notify = std::function<void(TV5SosaMaker&)>;

  TV5SosaMaker();
  ~TV5SosaMaker() override;
  TV5SosaMaker(const TV5SosaMaker&) = delete;
  TV5SosaMaker& operator=(const TV5SosaMaker&) = delete;

  // Binds the maker to a database: its Sosa table (SOSATbl), saved with its
  // file, and its ancestry quick list; SOSADbl stays the maker's own. A
  // different database first aborts what runs. Null: the maker's own
  // SOSATbl, no list.
  void SetFiler(TGDatabase* database);
  TGDatabase* GetFiler() const { return filer_; }

  // The ancestry list the computations walk: an LArray of 12-byte entries
  // {person, father, mother} found by person (the individuals table's quick
  // list, kept sorted by person). Not owned. The database hands its own
  // over when it creates the maker; null means no database.
  void SetQuickList(const LArray* quickList) { quickList_ = quickList; }
  const LArray* GetQuickList() const { return quickList_; }

  void SetDeCujus(CodeID code) { deCujus_ = code; }
  CodeID GetDeCujus() const { return deCujus_; }
  // What the database tells its numbering: a file read keeps its Sosa
  // table as the numbering of `deCujus`; a new de cujus is numbered at once
  // (star numbering).
  void SosaTableRead(CodeID deCujus) override { SetDeCujus(deCujus); }
  void DeCujusChanged(CodeID deCujus) override {
    SetDeCujus(deCujus);
    SetAction(kSosaMonoEtoile);
  }
  void SetObservateur(CodeID code) { observateur_ = code; }
  CodeID GetObservateur() const { return observateur_; }
  // 0 means 1,000,000, which is also the most it can be.
  void SetLimiteExpansion(std::uint32_t limit) { limiteExpansion_ = limit; }
  std::uint32_t GetLimiteExpansion() const;

  // Stores the action, then: 0 aborts and fires OnComplete; 1..4 clear the
  // abort flag and run the computation; any other value is only stored.
  void SetAction(sosaActionT action);
  sosaActionT GetAction() const { return action_; }
  void SetAbort(bool abort);
  bool GetAbort() const { return abort_; }

  void SosaMonoPasse();
  void SosaMonoEtoile();
  void SosaCompletIndividu();
  void SosaCompletFichier();
  // Rebuilds SOSATbl with the ancestors of `code` (number 1 for `code`) and
  // answers its count of records.
  unsigned SosaCount(CodeID code);

  // The persons from the de cujus to the one `number` designates (generation
  // g gives g codes); empty when the path breaks or cannot be walked.
  std::vector<CodeID> CheminVersDeCujus(const TV5Sosa& number) const;
  // The last person of that path; 0 when there is none.
  CodeID CodeIDValue(const TV5Sosa& number) const;
  // Copies record `index` (1-based) of SOSATbl; false for an invalid index.
  bool LoadSosaData(int index, TV5Sosa& out) const;

  LArray& GetSOSATbl() { return *sosaTbl_; }
  const LArray& GetSOSATbl() const { return *sosaTbl_; }
  LArray& GetSOSADbl() { return *sosaDbl_; }
  const LArray& GetSOSADbl() const { return *sosaDbl_; }

  // The Sosa table as the database file stores it: the SOSATbl block alone.
  // Reading empties SOSADbl, which described the numbering before it.
  bool EcritDans(FileHandle* file) const { return sosaTbl_->EcritDans(file); }
  bool LitDans(FileHandle* file);

  // What the last computation had to leave out (invariants 4 and 5).
  std::uint32_t GetHorsCapacite() const { return horsCapacite_; }
  bool GetTronque() const { return tronque_; }
  std::uint32_t GetCyclesCoupes() const { return cyclesCoupes_; }

  Notify OnProgress;
  Notify OnComplete;

 private:
  // The watch a computation keeps on re-entrance through the message pump.
  struct Run {
    std::uint64_t id;
    std::uint64_t abortId;
  };
  enum class Pumped { Continue, Superseded, Aborted };

  Run StartRun();
  Pumped Pump(const Run& run);
  void ReportProgress(std::uint64_t done);
  void PrepareAncestry() const;
  bool FetchEntry(CodeID code, SosaAncestryEntry& out) const;
  void ResetFlags();
  void SortByNumber();
  TV5SosaData RecordAt(unsigned index1) const;
  void PokeRecordAt(unsigned index1, const TV5SosaData& data);

  std::unique_ptr<LArray> own_;
  std::unique_ptr<LArray> occurrences_;
  LArray* sosaTbl_ = nullptr;
  LArray* sosaDbl_ = nullptr;
  TGDatabase* filer_ = nullptr;
  const LArray* quickList_ = nullptr;
  mutable bool useIndex_ = false;
  mutable std::unordered_map<CodeID, SosaAncestryEntry> byIndex_;
  CodeID deCujus_ = 0;
  CodeID observateur_ = 0;
  sosaActionT action_ = kSosaAucune;
  bool abort_ = false;
  std::uint32_t limiteExpansion_ = 0;
  std::uint64_t runId_ = 0;
  std::uint64_t abortId_ = 0;
  std::uint32_t horsCapacite_ = 0;
  bool tronque_ = false;
  std::uint32_t cyclesCoupes_ = 0;
};

}  // namespace genvora
