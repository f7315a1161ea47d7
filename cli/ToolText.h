// The tool's edge for texts. Inside the engine every text is Windows-1252
// (AnsiString): refusal reasons, LastReason(), LastDamage(), exception
// texts, resource strings, record fields. Everything the tool prints is
// UTF-8. So:
//  1. an engine text is converted exactly once, here, on its way out;
//  2. texts of the command line are UTF-8 already (main checks every
//     argument before parsing) and are never converted;
//  3. an error is one line on stderr: "genvora: SUBJECT: MESSAGE".
#pragma once

#include <string>
#include <string_view>

#include "platform/Types.h"

namespace genvora::cli {

// An engine text as one line of UTF-8 (its line breaks become spaces).
std::string EngineText(std::string_view ansi);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view text);

// `text` with every byte that is not part of well-formed UTF-8 shown as
// \xHH, so that a bad argument can be named in a UTF-8 message.
std::string Escaped(std::string_view text);

// Prints "genvora: SUBJECT: MESSAGE" on stderr; both already UTF-8.
void PrintError(const std::string& subject, const std::string& message);

}  // namespace genvora::cli
