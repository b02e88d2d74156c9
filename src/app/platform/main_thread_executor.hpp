#pragma once
// The one way work is handed to the thread that runs Qt's event loop (from a
// worker, or from that thread itself for a later turn of its loop).

#include <functional>

#include "core/foundation/executor.hpp"

class QObject;

namespace kestrove {

// Queues `work` onto the thread of `context`, to run after what that
// thread's loop is doing now; work whose context is gone by then is
// dropped, so `work` may use what `context`'s owner holds.
void postTo(QObject* context, std::function<void()> work);

// postTo the application object: work posted once it is gone is dropped.
Executor mainThreadExecutor();

}  // namespace kestrove
