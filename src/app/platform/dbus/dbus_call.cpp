#include "app/platform/dbus/dbus_call.hpp"

#include <QDBusPendingCallWatcher>

namespace kestrove {

void whenAnswered(const QDBusPendingCall& call, QObject* context, std::function<void(const QDBusMessage&)> done) {
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [done = std::move(done)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         done(w->reply());
                     });
}

QVariant firstArgument(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return reply.arguments().constFirst();
}

}  // namespace kestrove
