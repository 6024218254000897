#include "foundation/JobLane.h"

#include <chrono>
#include <system_error>

#include "foundation/Cpus.h"

JobLane::JobLane()
{
    if (usableCpus() < 2)
        return;
    try {
        thread_ = std::thread([this] { runWorker(); });
    } catch (const std::system_error&) {
        // No thread: the jobs run on the caller's, in wait().
    }
}

JobLane::~JobLane()
{
    {
        std::unique_lock lock(mutex_);
        while (runQueued(lock)) {
        }
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::size_t JobLane::submit(std::function<void()> job)
{
    std::lock_guard lock(mutex_);
    const std::size_t ticket = done_.size();
    done_.push_back(false);
    queue_.emplace_back(ticket, std::move(job));
    changed_.notify_all();
    return ticket;
}

void JobLane::wait(std::size_t ticket, const std::function<void()>& idle)
{
    std::unique_lock lock(mutex_);
    while (!done_[ticket]) {
        if (runQueued(lock))
            continue;
        if (!idle) {
            changed_.wait(lock);
        } else if (changed_.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::timeout) {
            lock.unlock();
            idle();
            lock.lock();
        }
    }
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
    changed_.notify_all();
    return true;
}

void JobLane::runWorker()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        runQueued(lock);
    }
}
