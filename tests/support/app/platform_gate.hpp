#pragma once
// Holds a worker at one point until the test lets it through, so a test can
// queue, replace and cancel work behind it.

#include <condition_variable>
#include <mutex>

namespace kestrove::testing {

class Gate {
public:
    // On the worker: says it has come and waits to be let through.
    void pass() {
        std::unique_lock lock(mutex_);
        entered_ = true;
        cv_.notify_all();
        cv_.wait(lock, [&] { return open_; });
    }
    void waitEntered() {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return entered_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        open_ = true;
        cv_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool entered_ = false, open_ = false;
};

}  // namespace kestrove::testing
