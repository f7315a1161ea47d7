// Feeds arbitrary text to the date reader, then prints what it understood
// in every form the engine prints dates (display, GEDCOM, sort key, the
// Gregorian equivalent): nothing may crash, loop or read out of bounds,
// whatever the text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "dates/TGDate.h"
#include "platform/Host.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static genvora::QuietHost host;
  genvora::SetHost(&host);
  // Date texts are short: a longer input only slows the search down.
  if (size > 512) return 0;
  const genvora::AnsiString text(reinterpret_cast<const char*>(data), size);
  genvora::TGDate date;
  date.SetText(text);
  (void)date.GetText();
  (void)date.GetChaine("%GED");
  (void)date.GetChaine("%JJJJ %MMMM %A %H24:%XAM %CL %KS");
  (void)date.GetDateTriDouble(false);
  if (date.IsDouble()) (void)date.GetDateTriDouble(true);
  genvora::TGDate copy;
  date.Clone(&copy);
  genvora::TGDate gregorian;
  date.Clone(&gregorian);
  copy.EnGregorien(&gregorian);
  (void)gregorian.GetText();
  // What was printed reads back without harm too.
  genvora::TGDate again;
  again.SetText(date.GetText());
  return 0;
}
