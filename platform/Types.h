// Basic types shared by every subsystem of the engine.
//
// AnsiString holds text as database files store it: 8-bit Windows-1252
// bytes. Conversion to UTF-8 happens only at the edges (terminal, JSON,
// GEDCOM), through platform/Encoding.h.
#pragma once

#include <cstdint>
#include <string>

namespace genvora {

using AnsiString = std::string;

// Identifier of a record; 0 means none. The main tables share one number
// space drawn from the counter kept in the file header.
using CodeID = std::uint32_t;

}  // namespace genvora
