#include "computations/TGDatabaseSosa.h"

#include <memory>
#include <utility>

namespace genvora {

namespace {

std::unique_ptr<TGSosaNumbering> MakeSosaMaker(TGDatabase& database) {
  auto maker = std::make_unique<TV5SosaMaker>();
  maker->SetFiler(&database);
  return maker;
}

}  // namespace

TGDatabaseSosa::TGDatabaseSosa() : TGDatabaseSosa(std::string{}) {}

TGDatabaseSosa::TGDatabaseSosa(std::string activeFilesPath) : TGDatabase(std::move(activeFilesPath)) {
  AttachSosaNumbering(MakeSosaMaker);
}

// The numbering attached by the constructor is always a TV5SosaMaker.
TV5SosaMaker& TGDatabaseSosa::SosaMaker() { return static_cast<TV5SosaMaker&>(*SosaNumbering()); }
const TV5SosaMaker& TGDatabaseSosa::SosaMaker() const {
  return static_cast<const TV5SosaMaker&>(*SosaNumbering());
}

}  // namespace genvora
