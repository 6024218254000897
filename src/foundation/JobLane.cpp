#include "foundation/JobLane.h"

#include <chrono>
#include <system_error>

#include "foundation/Cpus.h"

JobLane::JobLane() : threaded_(usableCpus() >= 2) {}

JobLane::~JobLane()
{
    {
        std::unique_lock lock(mutex_);
        while (runQueued(lock)) {
        }
        stopping_ = true;
    }
    workAdded_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::size_t JobLane::submit(std::function<void()> job)
{
    std::lock_guard lock(mutex_);
    // Started only once a second job comes: a single one runs inside wait().
    if (threaded_ && !thread_.joinable() && !queue_.empty()) {
        threaded_ = false;
        try {
            thread_ = std::thread([this] { runWorker(); });
        } catch (const std::system_error&) {
            // No thread: the jobs run on the caller's, in wait().
        }
    }
    const std::size_t ticket = done_.size();
    done_.push_back(false);
    queue_.emplace_back(ticket, std::move(job));
    // Each wake-up is a system call and a switch: only an idle worker is woken.
    if (workerIdle_)
        workAdded_.notify_one();
    return ticket;
}

void JobLane::wait(std::size_t ticket, const std::function<void()>& idle)
{
    std::unique_lock lock(mutex_);
    while (!done_[ticket]) {
        if (runQueued(lock))
            continue;
        awaited_ = ticket;
        if (!idle) {
            jobDone_.wait(lock);
        } else if (jobDone_.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::timeout) {
            lock.unlock();
            idle();
            lock.lock();
        }
    }
    awaited_ = kNone;
}

// Runs the oldest queued job on this thread, if there is one.
bool JobLane::runQueued(std::unique_lock<std::mutex>& lock)
{
    if (queue_.empty())
        return false;
    auto [ticket, job] = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    job();
    lock.lock();
    done_[ticket] = true;
    if (ticket == awaited_)
        jobDone_.notify_one();
    return true;
}

void JobLane::runWorker()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        workerIdle_ = true;
        workAdded_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        workerIdle_ = false;
        if (stopping_)
            return;
        runQueued(lock);
    }
}
