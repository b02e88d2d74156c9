#include "app/platform/linux/linux_session_permissions.hpp"

#include <QDBusMessage>

#include "app/platform/atspi/accessibility_status.hpp"
#include "app/platform/dbus/dbus_call.hpp"

namespace kestrove {

LinuxSessionPermissions::LinuxSessionPermissions(ScreenCapturer& capturer, Notifier& notifier,
                                                 QDBusConnection session, Executor mainThread)
    : capturer_(capturer), notifier_(notifier), bus_(std::move(session)), main_(std::move(mainThread)) {}

Pending LinuxSessionPermissions::screen(std::function<void(ScreenAccess)> done) {
    if (!isX11Session())
        return Pending::answered(main_, [done = std::move(done)] { done(ScreenAccess::notX11); });
    return capturer_.refreshAllowed(
        [done = std::move(done)](bool allowed) { done(allowed ? ScreenAccess::allowed : ScreenAccess::noComposite); });
}

Pending LinuxSessionPermissions::notifications(std::function<void(NotificationState)> done) {
    return notifier_.status([done = std::move(done)](NotificationStatus status) {
        switch (status) {
        case NotificationStatus::allowed: return done(NotificationState::allowed);
        case NotificationStatus::denied: return done(NotificationState::denied);
        case NotificationStatus::notDetermined: break;
        }
        done(NotificationState::unknown);
    });
}

// A call to the accessibility bus launcher; `done` gets the reply (or the
// error, at the latest after the time-out) while the handle is held.
Pending LinuxSessionPermissions::ask(const QDBusMessage& message, std::function<void(const QDBusMessage&)> done) {
    auto completion = std::make_shared<Completion>();
    whenAnswered(bus_.asyncCall(message, AccessibilityStatus::timeoutMs), &context_,
                 [completion, done = std::move(done)](const QDBusMessage& reply) {
                     completion->deliver(inlineExecutor(), [done, reply] { done(reply); });
                 });
    return Pending(completion);
}

Pending LinuxSessionPermissions::accessibility(std::function<void(bool)> done) {
    return ask(AccessibilityStatus::askEnabled(), [done = std::move(done)](const QDBusMessage& reply) {
        done(AccessibilityStatus::enabledIn(reply));
    });
}

Pending LinuxSessionPermissions::enableAccessibility(std::function<void(bool)> done) {
    return ask(AccessibilityStatus::askToSet(true), [done = std::move(done)](const QDBusMessage& reply) {
        done(reply.type() == QDBusMessage::ReplyMessage);
    });
}

}  // namespace kestrove
