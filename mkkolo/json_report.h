// mkkolo's report for scripts (--json): what a run did, or with -n what it
// would do, as one JSON document. Its members and the names of the
// warnings' kinds are a stable interface (see the README).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mkkolo/batch.h"
#include "mkkolo/pairing.h"

namespace mkkolo {

// The document, in UTF-8 and ending in a line end: each job of `pairing`
// that has an outcome, in job order, then how many were made and failed.
// Neither DEL nor a C1 control stands in it as it is, so that it can be
// shown on a terminal.
std::string JsonReport(const Pairing& pairing,
                       const std::vector<std::optional<JobOutcome>>& outcomes, bool dryRun);

}  // namespace mkkolo
