#pragma once
// An executor whose work runs only when the test says so, on the test's
// thread: the stand-in for the application's main thread.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "core/foundation/executor.hpp"

namespace kestrove::testing {

class ManualExecutor {
public:
    Executor executor() {
        return [q = queue_](std::function<void()> work) {
            std::lock_guard lock(q->mutex);
            q->jobs.push_back(std::move(work));
            q->posted.notify_all();
        };
    }

    // Runs everything queued now; returns how many jobs ran.
    std::size_t runPending() {
        std::deque<std::function<void()>> jobs;
        {
            std::lock_guard lock(queue_->mutex);
            jobs.swap(queue_->jobs);
        }
        for (auto& job : jobs) job();
        return jobs.size();
    }

    // Runs jobs as they come until `done` holds or `timeout` passes.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        using namespace std::chrono;
        const auto end = steady_clock::now() + timeout;
        while (!done()) {
            if (!waitForWork(duration_cast<milliseconds>(end - steady_clock::now()))) return done();
            runPending();
        }
        return true;
    }

    // Waits until a job is queued, without running it.
    bool waitForWork(std::chrono::milliseconds timeout) {
        std::unique_lock lock(queue_->mutex);
        return queue_->posted.wait_for(lock, timeout, [&] { return !queue_->jobs.empty(); });
    }

private:
    struct Queue {
        std::mutex mutex;
        std::condition_variable posted;
        std::deque<std::function<void()>> jobs;
    };
    std::shared_ptr<Queue> queue_ = std::make_shared<Queue>();
};

}  // namespace kestrove::testing
