// Running jobs side by side while reporting them one after the other, in
// their own order.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/message.h"

namespace mkkolo {

struct JobResult {
    enum class Status { kSucceeded, kFailed, kNotRun };
    platform::Message report;  // everything the job has to say, whole
    Status status = Status::kFailed;
    platform::Message warnings;  // what it warns of, to be told with its report
};

// Hears from RunJobs, always on the thread that called it.
class JobListener {
  public:
    virtual ~JobListener() = default;
    // A job's result, once it and every job before it have finished.
    virtual void Deliver(std::size_t job, JobResult result) = 0;
    // How many jobs have finished, whenever that number grows.
    virtual void Finished(std::size_t count) = 0;
};

// Runs jobs 0 to count - 1 by calling `run` on up to `workers` threads.
// `chains` lists every job exactly once: the jobs of one chain run one after
// the other, in the chain's order, on one thread, never beside each other.
// Chains start in the order of their first jobs. Returns when every result
// has been delivered.
void RunJobs(std::size_t count, const std::vector<std::vector<std::size_t>>& chains,
             unsigned workers, const std::function<JobResult(std::size_t)>& run,
             JobListener& listener);

}  // namespace mkkolo
