// mkkolo's command line:
//   mkkolo [-o OUTDIR] [-j N] [-q] [--level N] PATH...
//   mkkolo --version
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mkkolo/console.h"

namespace mkkolo {

constexpr int kExitOk = 0;      // every job produced its .kolo
constexpr int kExitFailed = 1;  // a job failed, or a path named nothing to read
constexpr int kExitUsage = 2;
// A request to stop came (Ctrl+C and the like): 128 + SIGINT, as shells
// report a program that SIGINT ended.
constexpr int kExitInterrupted = 130;

struct Environment {
    std::optional<std::u16string> sourceDateEpoch;  // SOURCE_DATE_EPOCH, when set
    unsigned processors = 1;                        // the default number of workers
};

// Runs mkkolo on the arguments that follow the program name and returns the
// exit status.
int RunMkkolo(const std::vector<std::u16string>& args, const Environment& environment,
              Console& console);

}  // namespace mkkolo
