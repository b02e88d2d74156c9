#pragma once
// A grid of instants on the steady clock, whole multiples of a step counted
// from the clock's epoch. Timers set on it fall together: on a machine whose
// caches go cold while a thread sleeps, one wake for many timers costs far
// less than one wake each.

#include <chrono>

namespace kestrove {

using SteadyTime = std::chrono::steady_clock::time_point;

// The first grid instant at or after `t`.
constexpr SteadyTime gridAtOrAfter(SteadyTime t, std::chrono::steady_clock::duration step) {
    const auto since = t.time_since_epoch();
    auto steps = since / step;
    if (steps * step < since) ++steps;
    return SteadyTime(steps * step);
}

// The first grid instant strictly after `t`.
constexpr SteadyTime gridAfter(SteadyTime t, std::chrono::steady_clock::duration step) {
    return gridAtOrAfter(t + std::chrono::steady_clock::duration(1), step);
}

}  // namespace kestrove
