#pragma once
// Hands work to the thread that runs Qt's event loop.

#include "core/foundation/executor.hpp"

namespace kestrove {

// Queues each piece of work onto the application object's thread; work
// posted once the application object is gone is dropped.
Executor mainThreadExecutor();

}  // namespace kestrove
