// What mkkolo's exit status tells a script.
#pragma once

namespace mkkolo {

constexpr int kExitOk = 0;      // every job produced its .kolo
constexpr int kExitFailed = 1;  // a job failed, or a path named nothing to read
constexpr int kExitUsage = 2;
// A request to stop came (Ctrl+C and the like): 128 + SIGINT, as shells
// report a program that SIGINT ended.
constexpr int kExitInterrupted = 130;

}  // namespace mkkolo
