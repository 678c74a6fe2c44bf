// Running jobs side by side while telling of them one after the other, in
// their own order.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace mkkolo {

// Hears from RunJobs, always on the thread that called it.
class JobListener {
  public:
    virtual ~JobListener() = default;
    // A job has finished, and every job before it.
    virtual void Deliver(std::size_t job) = 0;
    // How many jobs have finished, whenever that number grows.
    virtual void Finished(std::size_t count) = 0;
    // Every tenth of a second while jobs run: the first job in job order
    // that has started and not finished, if there is one.
    virtual void Tick(std::optional<std::size_t> underWay) = 0;
};

// How often JobListener::Tick is called.
constexpr std::chrono::milliseconds kTickInterval{100};

// Runs jobs 0 to count - 1 by calling `run` on up to `workers` threads; each
// job keeps what it comes to where the caller reads it once it is
// delivered. `chains` lists every job exactly once: the jobs of one chain
// run one after the other, in the chain's order, on one thread, never beside
// each other. Chains start in the order of their first jobs. Returns when
// every job has been delivered.
void RunJobs(std::size_t count, const std::vector<std::vector<std::size_t>>& chains,
             unsigned workers, const std::function<void(std::size_t)>& run, JobListener& listener);

}  // namespace mkkolo
