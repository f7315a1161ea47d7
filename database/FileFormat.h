// What a file holds: the format detection of database files, which reads
// just enough of the file to tell the chunked header from an SQLite one.
//
// Invariant: detection never raises and never trusts a byte of the file
// beyond what the chunk and header readers check.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace genvora {

// The answers of GetGenvoraFileFormat: on-disk classification, never changes.
enum : unsigned {
  kFileFormatNone = 0,     // not a database, unreadable, or a legacy file
  kFileFormatChunked = 1,  // chunked header "GENVORA\0"
  kFileFormatSqlite = 2,   // the newer SQLite-based format
};

// When `version` is given it is set to 0, then to the file's database
// version: the header's DatabaseVersion for a chunked file, the
// "DatabaseVersion" of the first row of the "Preferences" table for an
// SQLite one (asking for it opens the file as a database; a failure then
// makes the answer 0).
unsigned GetGenvoraFileFormat(const AnsiString& path, std::int32_t* version = nullptr);

// Gives a chunked database its working-copy name (SafeRenameToTild); any
// other file is left where it is and the answer is false.
bool SafeRenameGenvoraToTild(const AnsiString& path);

}  // namespace genvora
