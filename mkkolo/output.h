// What mkkolo prints as the result it was asked for (-l, -t, -x, --json) must
// arrive whole.
#pragma once

#include "platform/console.h"

namespace mkkolo {

// Whether everything went out on standard output; if not, says so on
// standard error.
bool OutputArrived(platform::Console& console);

}  // namespace mkkolo
