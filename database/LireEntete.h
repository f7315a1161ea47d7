// Reading only the file header of a database that is not open yet: what
// opening a database does first, and what the tool's `info` shows.
//
// The database object calls it with its own path, header and open flag.
#pragma once

#include <string>

#include "database/TGHeader.h"
#include "platform/Types.h"

namespace genvora {

// Reads the header of the file at `chemin` into `header`.
//  - `fichierOuvert` already true: false, nothing read.
//  - empty `chemin`: raises EGenvoraError(G5vclstrings.M1404).
//  - the file cannot be opened (G5vclstrings.M1406) or its header is refused
//    (G5vclstrings.ExceptionFichier): false, the reason in `reason` when
//    given.
// `fichierOuvert` becomes true once the file was opened and stays so on
// every later path: the caller resets it. The file is closed on every path.
bool LireEntete(const AnsiString& chemin, TGHeader& header, bool& fichierOuvert, std::string* reason = nullptr);

}  // namespace genvora
