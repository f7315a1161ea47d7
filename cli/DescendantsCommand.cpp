// genvora descendants FILE CODE: the descendants of a person and their
// spouses, as the basket gathers them (cli/KinshipList.cpp).
#include "cli/Commands.h"
#include "cli/KinshipList.h"

namespace genvora::cli {

void RegisterDescendantsCommand(CLI::App& app) {
  RegisterKinshipListCommand(app, "descendants",
                             "List the descendants of a person and their spouses, then the person",
                             KinshipWalk::Descendants);
}

}  // namespace genvora::cli
