#pragma once
// Time for the engine: a monotonic clock for durations, the wall clock for
// stored and shown dates, and one-shot timers. Tests run on a virtual one.

#include <chrono>
#include <functional>

#include "core/foundation/pending.hpp"

namespace kestrove {

class EngineClock {
public:
    virtual ~EngineClock() = default;
    virtual std::chrono::steady_clock::time_point now() const = 0;
    virtual std::chrono::system_clock::time_point wallNow() const = 0;
    // `fire` runs once on the main thread after `delay`, unless the handle
    // is cancelled or dropped first.
    [[nodiscard]] virtual Pending after(std::chrono::milliseconds delay, std::function<void()> fire) = 0;
    // `fire` runs once on the main thread at the instant `when` of now()'s
    // clock (at once when it is past). Timers set for one instant may share
    // one wake of the thread.
    [[nodiscard]] virtual Pending at(std::chrono::steady_clock::time_point when, std::function<void()> fire) {
        return after(std::chrono::ceil<std::chrono::milliseconds>(when - now()), std::move(fire));
    }
};

}  // namespace kestrove
