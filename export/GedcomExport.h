// The GEDCOM 5.5.1 exporter: a database written as one lineage-linked
// GEDCOM file in UTF-8, through the shared record walk.
//
// Invariants:
//  1. Streaming: each record is written when the walk visits it, with what
//     belongs to it (a person's names, events, witnesses, citations, media
//     and family links) read at that moment; what is held for later
//     records is one bit per code (the persons written, the notes
//     referenced), the places' texts and the Sosa numbers.
//  2. Every line is at most 255 bytes; longer values continue on CONC
//     lines cut between two non-space characters, line breaks become CONT.
//  3. Every pointer names a record of the file, of the kind its tag
//     expects; a record is written once.
//  4. All or nothing, as the SQLite exporter: a temporary name beside the
//     output, renamed over it when complete.
//  5. The same database gives the same file, apart from the HEAD's DATE.
#pragma once

#include <string>
#include <vector>

#include "database/TGDatabase.h"

namespace genvora {

enum class GedcomLiving : std::uint8_t { Full, Private };

struct GedcomExportOptions {
  bool replace = false;
  GedcomLiving living = GedcomLiving::Full;  // Private: living persons keep their names only
  bool exportableOnly = false;               // records whose Exportable flag is clear are left out
  std::string exportDate;                    // "10 DEC 2026"; today when empty
  // Threads that write the persons and the unions: 0 for one per core, 1
  // for none beside the walk's own; at most 8. The file is the same
  // whatever the number.
  unsigned threads = 0;
};

struct GedcomExportReport {
  struct Damage {
    std::string table;
    CodeID code = 0;
    AnsiString reason;
  };
  std::vector<Damage> damaged;
  std::uint64_t individuals = 0, families = 0, sources = 0, media = 0, notes = 0, lines = 0;
};

// A date in the GEDCOM form: the engine's form with single spaces, or the
// date's text as a phrase in parentheses when it has no valid GEDCOM form;
// empty for an empty date.
std::string GedcomDate(const TGDate& date);

// Writes `db` to `outPath`; false with `error` (one line) when the output
// cannot be made.
bool ExportGedcom(TGDatabase& db, const std::string& outPath, const GedcomExportOptions& options,
                  GedcomExportReport& report, std::string& error);

}  // namespace genvora
