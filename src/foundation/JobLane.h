#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs independent jobs on a second thread while the caller goes on, and lets
// the caller wait for any of them: a caller that waits for a job not yet begun
// runs queued jobs itself meanwhile, so both CPUs share the work. Without a
// second CPU, or when no thread can start, every job runs inside wait(). The
// destructor waits for every job.
class JobLane {
public:
    JobLane();
    ~JobLane();
    JobLane(const JobLane&) = delete;
    JobLane& operator=(const JobLane&) = delete;

    // Queues `job`; the number returned names it to wait().
    std::size_t submit(std::function<void()> job);
    // Returns once job `ticket` has run; calls `idle` now and then meanwhile.
    void wait(std::size_t ticket, const std::function<void()>& idle = {});

private:
    bool runQueued(std::unique_lock<std::mutex>& lock);
    void runWorker();

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::mutex mutex_;
    std::condition_variable workAdded_, jobDone_;
    std::deque<std::pair<std::size_t, std::function<void()>>> queue_;
    std::vector<bool> done_;
    std::size_t awaited_ = kNone; // the job the caller waits for
    bool threaded_;            // a worker may still be started
    bool workerIdle_ = false, stopping_ = false;
    std::thread thread_;
};
