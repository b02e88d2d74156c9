#pragma once
// Where a result is handed back: a function that posts work. The application
// passes one that queues onto its main thread; tests pass a manual one.

#include <functional>

namespace kestrove {

using Executor = std::function<void(std::function<void()>)>;

// Runs the work at once on the posting thread (for blocking use).
inline Executor inlineExecutor() {
    return [](std::function<void()> work) { work(); };
}

}  // namespace kestrove
