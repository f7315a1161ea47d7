// A database with its Sosa maker attached: what the tool, the tests, the
// fuzz targets and the demo create. The maker is bound to the database's
// Sosa table and ancestry quick list, made again whenever _RAZ makes the
// tables again, and numbers the ancestors of every new de cujus.
#pragma once

#include <string>

#include "computations/TV5SosaMaker.h"
#include "database/TGDatabase.h"

namespace genvora {

class TGDatabaseSosa : public TGDatabase {
 public:
  TGDatabaseSosa();
  // `activeFilesPath` empty: the per-user list.
  explicit TGDatabaseSosa(std::string activeFilesPath);

  // The attached maker; valid until the next _RAZ.
  TV5SosaMaker& SosaMaker();
  const TV5SosaMaker& SosaMaker() const;
};

}  // namespace genvora
