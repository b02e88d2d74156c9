#pragma once
// The session's permissions through D-Bus and the capturer: the screen from
// the capturer's own look at the X server, notifications from the bus
// (NameHasOwner, then ListActivatableNames), accessibility from the
// accessibility bus launcher's org.a11y.Status. Never calls libatspi.

#include <QDBusConnection>

#include "app/platform/screen_capturer.hpp"
#include "app/platform/session_permissions.hpp"
#include "core/foundation/executor.hpp"

namespace kestrove {

class DbusSessionPermissions final : public SessionPermissions {
public:
    // `capturer` must outlive this object; `mainThread` posts to the main thread.
    DbusSessionPermissions(ScreenCapturer& capturer, QDBusConnection session, Executor mainThread);

    Pending screen(std::function<void(ScreenAccess)> done) override;
    Pending notifications(std::function<void(NotificationState)> done) override;
    Pending accessibility(std::function<void(bool)> done) override;
    Pending enableAccessibility(std::function<void(bool)> done) override;

private:
    ScreenCapturer& capturer_;
    QDBusConnection bus_;
    Executor main_;
};

}  // namespace kestrove
