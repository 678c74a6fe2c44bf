#include "mkkolo/job_runner.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace mkkolo {
namespace {

class Board {
  public:
    Board(std::size_t count, const std::vector<std::vector<std::size_t>>& chains,
          const std::function<void(std::size_t)>& run)
        : m_chains(chains), m_run(run), m_started(count, false), m_done(count, false) {}

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
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_started[job] = true;
                }
                m_run(job);
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_done[job] = true;
                    ++m_finished;
                }
                m_changed.notify_one();
            }
        }
    }

    // Tells of every job in job order as it becomes deliverable, and ticks
    // meanwhile.
    void Deliver(JobListener& listener) {
        using Clock = std::chrono::steady_clock;
        std::size_t next = 0, heard = 0;
        Clock::time_point tick = Clock::now() + kTickInterval;
        while (next < m_done.size()) {
            const std::size_t first = next, before = heard;
            bool ticks = false;
            std::optional<std::size_t> underWay;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait_until(lock, tick,
                                     [&] { return m_finished != heard || m_done[next]; });
                while (next < m_done.size() && m_done[next]) ++next;
                heard = m_finished;
                ticks = Clock::now() >= tick;
                if (ticks) underWay = FirstUnderWay(next);
            }
            // The listener is called without the lock, so workers go on.
            for (std::size_t job = first; job < next; ++job) listener.Deliver(job);
            if (heard != before) listener.Finished(heard);
            if (ticks) {
                listener.Tick(underWay);
                tick = Clock::now() + kTickInterval;
            }
        }
    }

  private:
    // With the lock held: the first job from `from` on that has started and
    // not finished.
    std::optional<std::size_t> FirstUnderWay(std::size_t from) const {
        for (std::size_t job = from; job < m_done.size(); ++job) {
            if (m_started[job] && !m_done[job]) return job;
        }
        return std::nullopt;
    }

    const std::vector<std::vector<std::size_t>>& m_chains;
    const std::function<void(std::size_t)>& m_run;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<bool> m_started;
    std::vector<bool> m_done;
    std::size_t m_finished = 0;
    std::size_t m_nextChain = 0;
};

}  // namespace

void RunJobs(std::size_t count, const std::vector<std::vector<std::size_t>>& chains,
             unsigned workers, const std::function<void(std::size_t)>& run, JobListener& listener) {
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
