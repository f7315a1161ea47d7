// genvora ancestors FILE CODE: the ancestors of a person, as putting them
// into the basket gathers them (cli/KinshipList.cpp).
#include "cli/Commands.h"
#include "cli/KinshipList.h"

namespace genvora::cli {

void RegisterAncestorsCommand(CLI::App& app) {
  RegisterKinshipListCommand(app, "ancestors", "List the ancestors of a person, father's line first, then the person",
                             KinshipWalk::Ancestors);
}

}  // namespace genvora::cli
