#pragma once
// A test's FakeWindowList read by a real list's worker: every reading takes
// a lock the test also takes to change the list, and is counted.

#include <atomic>
#include <mutex>

#include "support/app/fakes.hpp"

namespace kestrove::fakes {

class LockedWindowList final : public WindowList {
public:
    LockedWindowList(FakeWindowList& inner, std::mutex& lock, std::atomic<int>& reads)
        : inner_(inner), lock_(lock), reads_(reads) {}
    std::vector<WindowInfo> list(WindowListOptions o) override {
        std::lock_guard held(lock_);
        ++reads_;
        return inner_.list(o);
    }
    std::optional<std::string> bundleID(std::uint32_t w) override {
        std::lock_guard held(lock_);
        return inner_.bundleID(w);
    }
    bool isConnected() const override {
        std::lock_guard held(lock_);
        return inner_.isConnected();
    }

private:
    FakeWindowList& inner_;
    std::mutex& lock_;
    std::atomic<int>& reads_;
};

}  // namespace kestrove::fakes
