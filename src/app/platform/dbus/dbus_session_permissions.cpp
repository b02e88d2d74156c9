#include "app/platform/dbus/dbus_session_permissions.hpp"

#include <QDBusMessage>
#include <QDBusVariant>

#include "app/platform/dbus/dbus_call.hpp"

namespace kestrove {

namespace {

constexpr int timeoutMs = 1000;

}  // namespace

DbusSessionPermissions::DbusSessionPermissions(ScreenCapturer& capturer, Notifier& notifier, QDBusConnection session,
                                               Executor mainThread)
    : capturer_(capturer), notifier_(notifier), bus_(std::move(session)), main_(std::move(mainThread)) {}

Pending DbusSessionPermissions::screen(std::function<void(ScreenAccess)> done) {
    if (!isX11Session())
        return Pending::answered(main_, [done = std::move(done)] { done(ScreenAccess::notX11); });
    return capturer_.refreshAllowed(
        [done = std::move(done)](bool allowed) { done(allowed ? ScreenAccess::allowed : ScreenAccess::noComposite); });
}

Pending DbusSessionPermissions::notifications(std::function<void(NotificationState)> done) {
    return notifier_.status([done = std::move(done)](NotificationStatus status) {
        switch (status) {
        case NotificationStatus::allowed: return done(NotificationState::allowed);
        case NotificationStatus::denied: return done(NotificationState::denied);
        case NotificationStatus::notDetermined: break;
        }
        done(NotificationState::unknown);
    });
}

// A property call on the accessibility bus launcher; `done` gets the reply
// (or the error, at the latest after the time-out) while the handle is held.
Pending DbusSessionPermissions::ask(const QString& method, const QVariantList& arguments,
                                    std::function<void(const QDBusMessage&)> done) {
    auto completion = std::make_shared<Completion>();
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"), method);
    message.setArguments(arguments);
    whenAnswered(bus_.asyncCall(message, timeoutMs), &context_, [completion, done = std::move(done)](const QDBusMessage& reply) {
        completion->deliver(inlineExecutor(), [done, reply] { done(reply); });
    });
    return Pending(completion);
}

Pending DbusSessionPermissions::accessibility(std::function<void(bool)> done) {
    return ask(QStringLiteral("Get"), {QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled")},
               [done = std::move(done)](const QDBusMessage& reply) {
                   QVariant enabled = firstArgument(reply);
                   if (enabled.canConvert<QDBusVariant>()) enabled = enabled.value<QDBusVariant>().variant();
                   done(enabled.isValid() && enabled.toBool());
               });
}

Pending DbusSessionPermissions::enableAccessibility(std::function<void(bool)> done) {
    return ask(QStringLiteral("Set"),
               {QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled"), QVariant::fromValue(QDBusVariant(true))},
               [done = std::move(done)](const QDBusMessage& reply) {
                   done(reply.type() == QDBusMessage::ReplyMessage);
               });
}

}  // namespace kestrove
