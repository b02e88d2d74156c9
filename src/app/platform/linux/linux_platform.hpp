#pragma once
// The real platform: Qt's screens, XCB for the window list and capture,
// Tesseract for text, AT-SPI for direct reading, libcurl for the server,
// D-Bus for notifications, the screen's lock and keep-awake.

#include "app/platform/platform.hpp"

namespace kestrove {

// On the main thread, once the application object exists; the platform
// must end before it does. `mainThread` posts to the Qt main thread
// (mainThreadExecutor()). The permission looks start at once; the warm-up
// of text recognition is the caller's to start.
Platform makeLinuxPlatform(Executor mainThread);

// What each of the direct reader's threads works with: AT-SPI, its own X
// window list and the process facts. `scale`: device pixels per point. Runs
// on that thread.
DirectPlatform linuxDirectPlatform(double scale);

}  // namespace kestrove
