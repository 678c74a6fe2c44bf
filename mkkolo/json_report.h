// mkkolo's report for scripts (--json): what a run did, or with -n what it
// would do, as one JSON document that words the skins' verdicts. Its members
// and the names of the faults' kinds are a stable interface (see the
// README).
#pragma once

#include <string>
#include <vector>

#include "pipeline/verdict.h"

namespace mkkolo {

// The document, in UTF-8 and ending in a line end: each skin that was
// judged (not those a request to stop left undone), in job order, then how
// many were made and failed. Neither DEL nor a C1 control stands in it as it
// is, so that it can be shown on a terminal.
std::string JsonReport(const std::vector<pipeline::SkinVerdict>& verdicts, bool dryRun);

// The stable name of a fault's kind.
const char* KindName(pipeline::Fault::Kind kind);

}  // namespace mkkolo
