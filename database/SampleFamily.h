// A small but real family, and a synthetic one of any size, written into a
// database's tables through the record classes: the demo data of the tool,
// the fixtures of the tests and the input of the benchmark.
//
// The sample family spans four generations with accented first names,
// surnames with particles, places, two unions, a witness link, a note in
// rich text, a medium with its link, marked individuals, order lists and a
// remembered branch, so that every generation's layout has something in
// each table it holds.
#pragma once

#include <cstdint>

#include "database/TGDatabase.h"

namespace genvora {

// Fills an empty database (codes from its counter) and answers the root
// individual's code.
CodeID FillSampleFamily(TGDatabase& db);

// `individuals` persons in couples over generations, with a surname and a
// place dictionary; for the benchmark.
void FillSyntheticFamily(TGDatabase& db, std::uint32_t individuals);

}  // namespace genvora
