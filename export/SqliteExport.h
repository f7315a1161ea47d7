// The SQLite exporter: a database's records, as the shared record walk
// hands them, written into a new SQLite file whose schema is
// export/schema.sql.
//
// Invariants:
//  1. All or nothing: the file is built under a temporary name beside the
//     output and renamed over it only once complete; on any failure the
//     temporary file is removed and the output is left as it was.
//  2. An existing output is replaced only when asked (`replace`), even one
//     that appears while the export runs.
//  3. Every reference kept in the output names a row of it: references to
//     records that are absent or were skipped as damaged become NULL, and
//     link rows that would name none are dropped, so that
//     PRAGMA foreign_key_check finds nothing.
//  4. The input database is only read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/TGDatabase.h"

namespace genvora {

struct SqliteExportOptions {
  bool replace = false;     // an existing output may be replaced
  std::string sourceName;   // the input's path as the user gave it (UTF-8), kept in meta
};

struct SqliteExportReport {
  struct Damage {
    std::string table;
    CodeID code = 0;
    AnsiString reason;  // an engine text
  };
  std::vector<Damage> damaged;  // records skipped because they did not decode
  bool fullText = false;        // the full-text table was made (the SQLite in use has FTS5)
};

// The schema text, as the repository keeps it.
const char* SqliteExportSchema();

// Writes `db` to `outPath` (UTF-8). False with `error` (UTF-8, one line)
// when the output cannot be made; the damaged records do not fail it.
bool ExportSqlite(TGDatabase& db, const std::string& outPath, const SqliteExportOptions& options,
                  SqliteExportReport& report, std::string& error);

}  // namespace genvora
