#include "platform/Exception.h"

#include "platform/Encoding.h"
#include "platform/Resources.h"

namespace genvora {

namespace {
AnsiString ComposeText(const std::string& key, const std::string& detail) {
  AnsiString text = LoadResString(key);
  if (!detail.empty()) text += "\n" + detail;
  return text;
}
}  // namespace

EGenvoraError::EGenvoraError(const std::string& resourceKey, const std::string& detail)
    : EGenvoraError(resourceKey, ComposeText(resourceKey, detail), 0) {}

EGenvoraError::EGenvoraError(std::string key, AnsiString text, int)
    // what() is for logs and terminals, so it is UTF-8.
    : std::runtime_error(AnsiToUtf8(text)), resourceKey_(std::move(key)), text_(std::move(text)) {}

AnsiString ReasonOf(const std::exception& e) {
  if (const auto* own = dynamic_cast<const EGenvoraError*>(&e)) return own->Text();
  return e.what();
}

EGenvoraError EGenvoraError::Plain(const std::string& text) { return EGenvoraError(std::string(), text, 0); }

}  // namespace genvora
