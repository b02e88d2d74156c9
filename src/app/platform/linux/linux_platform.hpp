#pragma once
// The real platform: Qt's screens, XCB for the window list and capture,
// Tesseract for text, AT-SPI for direct reading, libcurl for the server,
// D-Bus for notifications, the screen's lock and keep-awake.

#include <functional>
#include <memory>

#include "app/platform/platform.hpp"

namespace kestrove {

class AtspiBus;

// On the main thread, once the application object exists; the platform
// must end before it does. `mainThread` posts to the Qt main thread
// (mainThreadExecutor()). The permission looks start at once; the warm-up
// of text recognition is the caller's to start.
Platform makeLinuxPlatform(Executor mainThread);

// What each of the direct reader's threads works with: AT-SPI, an X window
// list and the process facts. `scale`: device pixels per point. Runs on that
// thread. `bus`: the accessibility bus connection shared with the reader's
// other threads; one of its own when none. `windows`: the window list shared
// with them; one of its own when none.
DirectPlatform linuxDirectPlatform(double scale, std::shared_ptr<AtspiBus> bus = nullptr,
                                   std::unique_ptr<WindowList> windows = nullptr);
// What a direct reader makes its threads' platforms with: one connection to
// the accessibility bus for all of them (so that what a program announced
// is known to every thread) and one window list, ended with the last of them.
std::function<DirectPlatform()> linuxDirectPlatforms(double scale);

}  // namespace kestrove
