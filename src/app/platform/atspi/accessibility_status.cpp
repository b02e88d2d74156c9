#include "app/platform/atspi/accessibility_status.hpp"

#include <QDBusVariant>

namespace kestrove::AccessibilityStatus {

namespace {

QDBusMessage properties(const char* method, QVariantList arguments) {
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                    QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QLatin1String(method));
    m.setArguments(QVariantList{QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled")} + arguments);
    return m;
}

}  // namespace

QDBusMessage askEnabled() { return properties("Get", {}); }

QDBusMessage askToSet(bool on) { return properties("Set", {QVariant::fromValue(QDBusVariant(on))}); }

bool isOn(const QVariant& value) {
    const QVariant inner =
        value.typeId() == qMetaTypeId<QDBusVariant>() ? value.value<QDBusVariant>().variant() : value;
    return inner.typeId() == QMetaType::Bool && inner.toBool();
}

bool enabledIn(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return isOn(reply.arguments().constFirst());
}

bool enabled(QDBusConnection session) {
    if (!session.isConnected()) return false;
    return enabledIn(session.call(askEnabled(), QDBus::Block, timeoutMs));
}

bool setEnabled(bool on, QDBusConnection session) {
    if (!session.isConnected()) return false;
    return session.call(askToSet(on), QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage;
}

}  // namespace kestrove::AccessibilityStatus
