#include "mkkolo/job_runner.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace mkkolo {
namespace {

class Board {
  public:
    Board(std::size_t count, const std::vector<std::vector<std::size_t>>& chains,
          const std::function<JobResult(std::size_t)>& run)
        : m_chains(chains), m_run(run), m_results(count) {}

    // A worker: takes the next chain nobody has taken, until none is left.
    void Work() {
        for (;;) {
            std::size_t chain;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_nextChain == m_chains.size()) return;
                chain = m_nextChain++;
            }
            for (std::size_t job : m_chains[chain]) {
                JobResult result = m_run(job);
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_results[job] = std::move(result);
                    ++m_finished;
                }
                m_changed.notify_one();
            }
        }
    }

    // Hands every result on in job order as it becomes deliverable.
    void Deliver(JobListener& listener) {
        std::size_t next = 0, heard = 0;
        while (next < m_results.size()) {
            std::vector<JobResult> ready;
            std::size_t first = next;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] { return m_finished != heard || m_results[next]; });
                while (next < m_results.size() && m_results[next]) {
                    ready.push_back(std::move(*m_results[next]));
                    m_results[next++].reset();
                }
                heard = m_finished;
            }
            // The listener is called without the lock, so workers go on.
            for (JobResult& result : ready) listener.Deliver(first++, std::move(result));
            listener.Finished(heard);
        }
    }

  private:
    const std::vector<std::vector<std::size_t>>& m_chains;
    const std::function<JobResult(std::size_t)>& m_run;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::optional<JobResult>> m_results;
    std::size_t m_finished = 0;
    std::size_t m_nextChain = 0;
};

}  // namespace

void RunJobs(std::size_t count, const std::vector<std::vector<std::size_t>>& chains,
             unsigned workers, const std::function<JobResult(std::size_t)>& run,
             JobListener& listener) {
    Board board(count, chains, run);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < workers && i < chains.size(); ++i) {
        try {
            threads.emplace_back(&Board::Work, &board);
        } catch (const std::system_error&) {
            break;  // the system gives no more threads: fewer workers it is
        }
    }
    // Without any thread, the jobs run here before their results are told.
    if (threads.empty()) board.Work();
    board.Deliver(listener);
    for (std::thread& thread : threads) thread.join();
}

}  // namespace mkkolo
