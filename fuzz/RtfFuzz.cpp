// Feeds arbitrary bytes as a note's rich text to the converters: plain text
// and RTF, with and without line breaks encoded. Nothing may crash, loop
// or grow without bound (nested groups, unbalanced braces, broken escapes).
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Host.h"
#include "utilities/RichText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static genvora::QuietHost host;
  genvora::SetHost(&host);
  const genvora::AnsiString text(reinterpret_cast<const char*>(data), size);
  (void)genvora::ConvertRtfText(text, genvora::ConvertRtfActionTo::Text);
  (void)genvora::ConvertRtfText(text, genvora::ConvertRtfActionTo::Rtf);
  (void)genvora::ConvertRtfText(text, genvora::ConvertRtfActionTo::Text, true);
  (void)genvora::ConvertRtfTextForRtf(text, true);
  return 0;
}
