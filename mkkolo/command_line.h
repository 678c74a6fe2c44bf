// mkkolo's command line:
//   mkkolo [-o OUTDIR] [-j N] [-q] [--level N] PATH...   pack
//   mkkolo -n [--strict] [-o OUTDIR] PATH...       what would be packed
//   mkkolo -l|-t FILE...                           what .kolo and .pak files hold
//   mkkolo -x [-o DIR] [--force] FILE...           their files written out
//   mkkolo -h | --version
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mkkolo/exit_status.h"
#include "platform/console.h"

namespace mkkolo {

struct Environment {
    std::optional<std::u16string> sourceDateEpoch;  // SOURCE_DATE_EPOCH, when set
    unsigned processors = 1;                        // the default number of workers
};

// Runs mkkolo on the arguments that follow the program name and returns the
// exit status.
int RunMkkolo(const std::vector<std::u16string>& args, const Environment& environment,
              platform::Console& console);

// The program: RunMkkolo on the standard streams, in this program's
// environment.
int MkkoloMain(const std::vector<std::u16string>& args);

}  // namespace mkkolo
