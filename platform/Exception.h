// The general exception of the engine: raised for stream and allocation
// failures and for the few invalid requests that cannot be answered by a
// boolean or a zero identifier. It carries the identifier of the resource
// string it shows ("G7str.UnableToOpen") beside the text itself, so that a
// test can tell which message was raised whatever the language in force.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/Types.h"

namespace genvora {

class EGenvoraError : public std::runtime_error {
 public:
  // The text is the resource string of `resourceKey` in the language in force,
  // followed by `detail` on a line of its own when detail is not empty.
  explicit EGenvoraError(const std::string& resourceKey, const std::string& detail = {});

  // A message that is not a resource string (a reason from a damaged block).
  static EGenvoraError Plain(const std::string& text);

  const std::string& ResourceKey() const noexcept { return resourceKey_; }
  const AnsiString& Text() const noexcept { return text_; }

 private:
  EGenvoraError(std::string key, AnsiString text, int);
  std::string resourceKey_;
  AnsiString text_;  // Windows-1252, as every engine text
};

// The text of any exception as an engine text (Windows-1252): the
// engine's own exception gives its text, since its what() is UTF-8 for logs.
AnsiString ReasonOf(const std::exception& e);

}  // namespace genvora
