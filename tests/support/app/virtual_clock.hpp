#pragma once
// The engine's clock on virtual time: nothing moves until the test advances
// it; advancing runs every timer that falls due, in time order, including
// timers that the fired ones set.

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "app/engine/clock.hpp"

namespace kestrove::fakes {

class VirtualClock final : public EngineClock {
public:
    std::chrono::steady_clock::time_point now() const override { return now_; }
    std::chrono::system_clock::time_point wallNow() const override { return wall_; }

    [[nodiscard]] Pending after(std::chrono::milliseconds delay, std::function<void()> fire) override {
        auto completion = std::make_shared<Completion>();
        const auto due = now_ + std::max(delay, std::chrono::milliseconds(0));
        const auto key = std::make_pair(due, next_++);
        timers_.emplace(key, Timer{completion, std::move(fire)});
        completion->onCancel([this, key] { timers_.erase(key); });
        return Pending(completion);
    }

    // Moves time on by `d`, firing what falls due on the way.
    void advance(std::chrono::steady_clock::duration d) {
        const auto end = now_ + d;
        while (!timers_.empty() && timers_.begin()->first.first <= end) {
            auto node = timers_.extract(timers_.begin());
            wall_ += node.key().first - now_;
            now_ = node.key().first;
            node.mapped().completion->deliver([](std::function<void()> work) { work(); }, std::move(node.mapped().fire));
        }
        wall_ += end - now_;
        now_ = end;
    }
    // Steps the wall clock alone, as a user or NTP would.
    void setWall(std::chrono::system_clock::time_point wall) { wall_ = wall; }
    std::size_t timersWaiting() const { return timers_.size(); }

private:
    struct Timer {
        std::shared_ptr<Completion> completion;
        std::function<void()> fire;
    };
    std::chrono::steady_clock::time_point now_{std::chrono::hours(1000)};
    std::chrono::system_clock::time_point wall_{std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + std::chrono::hours(9)};
    std::map<std::pair<std::chrono::steady_clock::time_point, long>, Timer> timers_;
    long next_ = 0;
};

}  // namespace kestrove::fakes
