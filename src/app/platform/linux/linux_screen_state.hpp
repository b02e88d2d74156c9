#pragma once
// The screen's state on a Linux desktop: display sleep from the X server,
// lock from the screen savers and logind, arrangement changes from Qt. Made
// on the main thread, which every notice reaches.

#include <QDBusConnection>

#include "app/platform/dbus/screen_lock_watch.hpp"
#include "app/platform/qt/qt_screen_changes.hpp"
#include "app/platform/screen_state.hpp"
#include "app/platform/x11/xcb_display_sleep.hpp"

namespace kestrove {

class LinuxScreenState final : public ScreenState {
public:
    LinuxScreenState(QDBusConnection sessionBus, QDBusConnection systemBus);

    // For the tests: whether the logind session and the X server are followed.
    bool followsSession() const { return lock_.followsSession(); }
    bool followsDisplaySleep() const { return sleep_.following(); }

private:
    QtScreenChanges changes_;
    ScreenLockWatch lock_;
    XcbDisplaySleep sleep_;
};

}  // namespace kestrove
