#pragma once
// The engine's clock on Qt's event loop: single-shot timers on the main
// thread, precise for short delays (flash blinks), coarse for long ones;
// those set for an instant share their wakes with the other main-thread
// timers set for it.

#include "app/engine/clock.hpp"

namespace kestrove {

class QtClock final : public EngineClock {
public:
    std::chrono::steady_clock::time_point now() const override { return std::chrono::steady_clock::now(); }
    std::chrono::system_clock::time_point wallNow() const override { return std::chrono::system_clock::now(); }
    [[nodiscard]] Pending after(std::chrono::milliseconds delay, std::function<void()> fire) override;
    [[nodiscard]] Pending at(std::chrono::steady_clock::time_point when, std::function<void()> fire) override;
};

}  // namespace kestrove
