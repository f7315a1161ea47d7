// An ancestry quick list built in the test: 12-byte {person, father, mother}
// entries kept sorted by person, the shape of the individuals table's list.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "computations/TV5SosaMaker.h"
#include "containers/LArray.h"
#include "containers/LComparator.h"

namespace genvora {

class TestQuickList {
 public:
  TestQuickList() : list_(sizeof(SosaAncestryEntry), new LLongComparator, true) {}
  // Sets the parents of `code` (0 = unknown).
  void Parents(CodeID code, CodeID pere, CodeID mere) {
    SosaAncestryEntry entry{code, pere, mere};
    int found = list_.FetchIndexOf(&entry, sizeof entry);
    if (found != 0)
      list_.PokeItem(found, &entry, sizeof entry);
    else
      list_.AddItem(&entry, sizeof entry);
  }
  LArray& Array() { return list_; }

 private:
  LArray list_;
};

// The records of SOSATbl in table order, as {code, number text, counter}.
struct SosaRow {
  CodeID code;
  std::string number;
  std::uint32_t occurrences;
  bool operator==(const SosaRow&) const = default;
};

inline void PrintTo(const SosaRow& row, std::ostream* out) {
  *out << "{" << row.code << ", " << row.number << ", " << row.occurrences << "}";
}

inline std::vector<SosaRow> RowsOf(const TV5SosaMaker& maker) {
  std::vector<SosaRow> rows;
  for (int i = 1; i <= static_cast<int>(maker.GetSOSATbl().GetCount()); ++i) {
    TV5Sosa n;
    maker.LoadSosaData(i, n);
    rows.push_back({n.GetCodeID(), n.GetText(), n.GetOccurrences()});
  }
  return rows;
}

inline std::map<CodeID, std::uint32_t> OccurrencesOf(const TV5SosaMaker& maker) {
  std::map<CodeID, std::uint32_t> counts;
  const LArray& table = maker.GetSOSADbl();
  for (int i = 1; i <= static_cast<int>(table.GetCount()); ++i) {
    SosaOccurrence o;
    table.FetchItemAt(i, &o);
    counts[o.code] = o.count;
  }
  return counts;
}

// Decimal doubling on a digit string (plus one for a mother), independent of
// the arbitrary-size number: the expected value of a long line of ancestors.
inline std::string DoubleDecimal(const std::string& digits, bool plusOne) {
  std::string out(digits.size() + 1, '0');
  int carry = plusOne ? 1 : 0;
  for (std::size_t i = digits.size(); i-- > 0;) {
    const int v = (digits[i] - '0') * 2 + carry;
    out[i + 1] = static_cast<char>('0' + v % 10);
    carry = v / 10;
  }
  out[0] = static_cast<char>('0' + carry);
  return out[0] == '0' ? out.substr(1) : out;
}

}  // namespace genvora
