#pragma once
// Timers of the main thread set for instants of the steady clock. All that
// are set for one instant fire in one wake of the thread, in the order they
// were set, however far apart they were set: with their instants on a shared
// grid (core/foundation/time_grid.hpp) the quiet engine's periodic work wakes
// the thread once, not once for each. Main thread only.

#include <functional>

#include "core/foundation/pending.hpp"
#include "core/foundation/time_grid.hpp"

namespace kestrove {

namespace SharedWakes {

// `fire` runs on the main thread at `when` or just after, never before,
// unless the handle is cancelled or dropped first.
[[nodiscard]] Pending at(SteadyTime when, std::function<void()> fire);

// How many times the timers have woken the thread so far.
long wakesSoFar();

}  // namespace SharedWakes

}  // namespace kestrove
