#pragma once
// The session's permissions, each from the backend that knows it: the screen
// from the capturer's own look at the X server, notifications from the
// notifier, and accessibility from the accessibility bus launcher's
// org.a11y.Status over D-Bus (never libatspi).

#include <QDBusConnection>
#include <QObject>

#include "app/platform/notifier.hpp"
#include "app/platform/screen_capturer.hpp"
#include "app/platform/session_permissions.hpp"
#include "core/foundation/executor.hpp"

namespace kestrove {

class LinuxSessionPermissions final : public SessionPermissions {
public:
    // `capturer` and `notifier` must outlive this object; `mainThread`
    // posts to the main thread.
    LinuxSessionPermissions(ScreenCapturer& capturer, Notifier& notifier, QDBusConnection session, Executor mainThread);

    Pending screen(std::function<void(ScreenAccess)> done) override;
    Pending notifications(std::function<void(NotificationState)> done) override;
    Pending accessibility(std::function<void(bool)> done) override;
    Pending enableAccessibility(std::function<void(bool)> done) override;

private:
    Pending ask(const QDBusMessage& message, std::function<void(const QDBusMessage&)> done);

    ScreenCapturer& capturer_;
    Notifier& notifier_;
    QDBusConnection bus_;
    Executor main_;
    QObject context_;  // answers still on their way die with this object
};

}  // namespace kestrove
