// genvora ancestors FILE CODE: the ancestors of a person as the basket
// gathers them (cli/KinshipList.cpp).
#include "cli/Commands.h"
#include "cli/KinshipList.h"

namespace genvora::cli {

void RegisterAncestorsCommand(CLI::App& app) {
  RegisterKinshipListCommand(app, "ancestors", "list the ancestors of a person, as the basket gathers them",
                             KinshipWalk::Ancestors);
}

}  // namespace genvora::cli
