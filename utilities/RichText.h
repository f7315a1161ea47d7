// Conversions of notes between plain text and RTF.
//
// A text is RTF when it begins with "{\rtf" (case-sensitive, at the very
// first byte). The conversions go through the renderer the host set with
// SetRtfRendererForConvert, a single shared document that only the host's
// main thread may use; else through the engine's own TRtfDocument, one per
// thread, so that threads convert at the same time.
#pragma once

#include <cstdint>

#include "platform/RtfRenderer.h"
#include "platform/Types.h"

namespace genvora {

enum class ConvertRtfActionTo : std::uint8_t { Text = 0, Rtf = 1 };

// Not owned; null goes back to the engine's own renderer.
void SetRtfRendererForConvert(IRtfRenderer* renderer);

bool IsRtfText(const AnsiString& text);

// To plain text: the text of an RTF note, any other text unchanged (also
// when the renderer fails); with `encodeLineBreaks` every CR LF of the
// result becomes "\par ". To RTF: an RTF text unchanged, a plain one as an
// RTF document of its lines.
AnsiString ConvertRtfText(const AnsiString& text, ConvertRtfActionTo action, bool encodeLineBreaks = false);

// The plain text of `text` with "\", "{" and "}" escaped, for inclusion in
// an RTF document; with `encodeLineBreaks` each CR LF (but the last) is
// preceded by "\par ".
AnsiString ConvertRtfTextForRtf(const AnsiString& text, bool encodeLineBreaks);

// Two notes, each plain or RTF, joined: plain ones by "\n", otherwise as one
// RTF document. An empty first note gives the second unchanged.
AnsiString ConcatRtf(const AnsiString& first, const AnsiString& second);

// Whether two notes have the same plain text.
bool IsRtfEqual(const AnsiString& first, const AnsiString& second);

// Every carriage return becomes "<br>", in place; the result is trimmed.
void convertBR(AnsiString& text);

}  // namespace genvora
