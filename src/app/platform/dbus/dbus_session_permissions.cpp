#include "app/platform/dbus/dbus_session_permissions.hpp"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include "app/platform/x11/permissions.hpp"

namespace kestrove {

namespace {

constexpr int timeoutMs = 1000;
const QString a11yService = QStringLiteral("org.a11y.Bus");
const QString a11yPath = QStringLiteral("/org/a11y/bus");
const QString propertiesIface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString statusIface = QStringLiteral("org.a11y.Status");
const QString notificationService = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage busCall(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                          QStringLiteral("org.freedesktop.DBus"), method);
}

// Sends `message` without waiting; `reply` gets the answer (or the error,
// at the latest after the time-out) on the main thread.
void send(const QDBusConnection& bus, const QDBusMessage& message, std::function<void(const QDBusMessage&)> reply) {
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, timeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, reply = std::move(reply)](QDBusPendingCallWatcher*) {
                         reply(watcher->reply());
                         watcher->deleteLater();
                     });
}

// The answer reaches `done` only while the handle is held.
template <typename T>
std::function<void(T)> deliverTo(const std::shared_ptr<Completion>& completion, std::function<void(T)> done) {
    return [completion, done = std::move(done)](T value) {
        completion->deliver(inlineExecutor(), [done, value] { done(value); });
    };
}

QVariant firstArgument(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    QVariant v = reply.arguments().constFirst();
    if (v.canConvert<QDBusVariant>()) v = v.value<QDBusVariant>().variant();
    return v;
}

}  // namespace

DbusSessionPermissions::DbusSessionPermissions(ScreenCapturer& capturer, QDBusConnection session, Executor mainThread)
    : capturer_(capturer), bus_(std::move(session)), main_(std::move(mainThread)) {}

Pending DbusSessionPermissions::screen(std::function<void(ScreenAccess)> done) {
    if (!Permissions::isX11Session())
        return Pending::answered(main_, [done = std::move(done)] { done(ScreenAccess::notX11); });
    return capturer_.refreshAllowed(
        [done = std::move(done)](bool allowed) { done(allowed ? ScreenAccess::allowed : ScreenAccess::noComposite); });
}

Pending DbusSessionPermissions::notifications(std::function<void(NotificationState)> done) {
    if (!bus_.isConnected())
        return Pending::answered(main_, [done = std::move(done)] { done(NotificationState::unknown); });
    auto completion = std::make_shared<Completion>();
    auto answer = deliverTo(completion, std::move(done));
    QDBusMessage owner = busCall(QStringLiteral("NameHasOwner"));
    owner << notificationService;
    send(bus_, owner, [bus = bus_, completion, answer](const QDBusMessage& reply) {
        const QVariant owned = firstArgument(reply);
        if (!owned.isValid()) return answer(NotificationState::unknown);
        if (owned.toBool()) return answer(NotificationState::allowed);
        if (!completion->active()) return;
        // No one runs it now; the bus may still start it on the first notification.
        send(bus, busCall(QStringLiteral("ListActivatableNames")), [answer](const QDBusMessage& names) {
            const QVariant list = firstArgument(names);
            if (!list.isValid()) return answer(NotificationState::unknown);
            answer(list.toStringList().contains(notificationService) ? NotificationState::allowed : NotificationState::denied);
        });
    });
    return Pending(completion);
}

Pending DbusSessionPermissions::accessibility(std::function<void(bool)> done) {
    auto completion = std::make_shared<Completion>();
    QDBusMessage get = QDBusMessage::createMethodCall(a11yService, a11yPath, propertiesIface, QStringLiteral("Get"));
    get << statusIface << QStringLiteral("IsEnabled");
    send(bus_, get, [answer = deliverTo(completion, std::move(done))](const QDBusMessage& reply) {
        const QVariant enabled = firstArgument(reply);
        answer(enabled.isValid() && enabled.toBool());
    });
    return Pending(completion);
}

Pending DbusSessionPermissions::enableAccessibility(std::function<void(bool)> done) {
    auto completion = std::make_shared<Completion>();
    QDBusMessage set = QDBusMessage::createMethodCall(a11yService, a11yPath, propertiesIface, QStringLiteral("Set"));
    set << statusIface << QStringLiteral("IsEnabled") << QVariant::fromValue(QDBusVariant(true));
    send(bus_, set, [answer = deliverTo(completion, std::move(done))](const QDBusMessage& reply) {
        answer(reply.type() == QDBusMessage::ReplyMessage);
    });
    return Pending(completion);
}

}  // namespace kestrove
