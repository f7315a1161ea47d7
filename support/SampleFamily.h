// A small but real family written into a database's tables through the
// record classes: the demo data of the tool and the fixture of the tests.
// Families of any size come from SyntheticFamily.h.
//
// The sample family spans four generations with accented first names,
// surnames with particles, places, two unions, a witness link, a note in
// rich text, a medium with its link, marked individuals, order lists and a
// remembered branch, so that every generation's layout has something in
// each table it holds.
#pragma once

#include "database/TGDatabase.h"

namespace genvora {

// Fills an empty database (codes from its counter) and answers the root
// individual's code.
CodeID FillSampleFamily(TGDatabase& db);

}  // namespace genvora
