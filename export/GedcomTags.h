// The standard GEDCOM tag of an event type, shared by the exporters.
#pragma once

#include "records/TV5EventList.h"

namespace genvora {

// The tag of a type that has a standard one ("BIRT", "MARR"...; the generic
// event types answer "EVEN"); null for the others, which go out as EVEN
// with their name. The type codes are on-disk values.
const char* GedcomEventTag(TV5EventList type);

}  // namespace genvora
