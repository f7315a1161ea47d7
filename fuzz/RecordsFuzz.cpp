// Feeds arbitrary bytes to the decoder of one record kind, chosen by the
// first byte: nothing may crash or read out of bounds, damage is reported
// by an exception, and a record that decodes encodes again into bytes that
// decode.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "platform/Host.h"
#include "records/TGAdresse.h"
#include "records/TGDocument.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGLieu.h"
#include "records/TGMedia.h"
#include "records/TGMediaCadre.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TVGNote.h"
#include "records/TVGPrenom.h"
#include "records/TVGProfession.h"
#include "records/TVGRechercheLog.h"
#include "records/TVGTache.h"

namespace {

std::unique_ptr<genvora::TGRoot> Make(std::uint8_t kind) {
  using namespace genvora;
  switch (kind % 17) {
    case 0: return std::make_unique<TGIndividu>();
    case 1: return std::make_unique<TGUnion>();
    case 2: return std::make_unique<TGEvenement>();
    case 3: return std::make_unique<TGLien>();
    case 4: return std::make_unique<TGLieu>();
    case 5: return std::make_unique<TGNom>();
    case 6: return std::make_unique<TGMedia>();
    case 7: return std::make_unique<TGMediaCadre>();
    case 8: return std::make_unique<TGDocument>();
    case 9: return std::make_unique<TVGNote>();
    case 10: return std::make_unique<TVGPrenom>();
    case 11: return std::make_unique<TVGProfession>();
    case 12: return std::make_unique<TVGTache>();
    case 13: return std::make_unique<TVGRechercheLog>();
    case 14: return std::make_unique<TGAdresse>();
    case 15: return std::make_unique<TGLienDocument>();
    default: return std::make_unique<TGLienMedia>();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static genvora::QuietHost host;
  genvora::SetHost(&host);
  if (size == 0) return 0;
  const std::uint8_t kind = data[0];
  auto record = Make(kind);
  try {
    record->Decode(data + 1, static_cast<int>(size - 1));
  } catch (const std::exception&) {
    return 0;
  }
  const std::string bytes = record->EncodeToString();
  auto again = Make(kind);
  try {
    again->Decode(bytes.data(), static_cast<int>(bytes.size()));
  } catch (const std::exception&) {
    // What the engine wrote, it must read back.
    std::abort();
  }
  return 0;
}
