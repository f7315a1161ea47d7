#include "database/LireEntete.h"

#include <cerrno>
#include <cstring>

#include "platform/Exception.h"
#include "platform/File.h"
#include "utilities/FilePaths.h"
#include "utilities/TextUtils.h"

namespace genvora {

bool LireEntete(const AnsiString& chemin, TGHeader& header, bool& fichierOuvert, std::string* reason) {
  if (fichierOuvert) {
    if (reason != nullptr) *reason = "the database is already open";
    return false;
  }
  if (chemin.empty()) throw EGenvoraError("G5vclstrings.M1404");
  // The short reason of the failure, kept for the caller's log; the
  // message raised carries the resource text.
  std::string why;
  try {
    auto file = PlatformFile::Open(chemin, FileMode::Read);
    fichierOuvert = file != nullptr;
    if (!file) {
      why = std::string("cannot open the file: ") + std::strerror(errno);
      throw EGenvoraError("G5vclstrings.M1406");
    }
    if (!header.LitDans(*file, AnsiUpperCase(KELGetFileExt(chemin)))) {
      why = header.LastReason();
      throw EGenvoraError("G5vclstrings.ExceptionFichier", why);
    }
    return true;
  } catch (const EGenvoraError& e) {
    if (reason != nullptr) *reason = why.empty() ? e.Text() : why;
    return false;
  }
}

}  // namespace genvora
