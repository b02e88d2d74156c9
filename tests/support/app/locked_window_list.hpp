#pragma once
// A test's FakeWindowList read by a real list's worker: every reading takes
// a lock the test also takes to change the list, and is counted. Given
// `tell`, it hears its changes: the test then tells them through it.

#include <atomic>
#include <functional>
#include <mutex>

#include "support/app/fakes.hpp"

namespace kestrove::fakes {

class LockedWindowList final : public WindowList {
public:
    LockedWindowList(FakeWindowList& inner, std::mutex& lock, std::atomic<int>& reads,
                     std::function<void()>* tell = nullptr)
        : inner_(inner), lock_(lock), reads_(reads), tell_(tell) {}
    ~LockedWindowList() override {
        if (!tell_) return;
        std::lock_guard held(lock_);
        *tell_ = nullptr;
    }
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
    bool hearChanges(std::function<void()> changed) override {
        if (!tell_) return false;
        std::lock_guard held(lock_);
        *tell_ = std::move(changed);
        return true;
    }

private:
    FakeWindowList& inner_;
    std::mutex& lock_;
    std::atomic<int>& reads_;
    std::function<void()>* tell_;  // under lock_
};

}  // namespace kestrove::fakes
