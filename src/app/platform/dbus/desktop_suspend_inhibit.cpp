#include "app/platform/dbus/desktop_suspend_inhibit.hpp"

#include <QDBusMessage>
#include <QObject>

#include "app/platform/dbus/dbus_call.hpp"

namespace kestrove {

namespace {

QDBusMessage call(const char* method) {
    return QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.PowerManagement"), QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
        QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), QString::fromLatin1(method));
}

}  // namespace

DesktopSuspendInhibit::DesktopSuspendInhibit(QDBusConnection sessionBus)
    : bus_(std::move(sessionBus)), context_(std::make_unique<QObject>()) {}

DesktopSuspendInhibit::~DesktopSuspendInhibit() {
    context_.reset();
    release();
}

void DesktopSuspendInhibit::set(bool on) {
    wanted_ = on;
    if (!on) return release();
    if (held() || asking_ || !bus_.isConnected()) return;
    QDBusMessage inhibit = call("Inhibit");
    inhibit << QStringLiteral("Kestrove") << QStringLiteral("Kestrove is watching your screen");
    asking_ = true;
    whenAnswered(bus_.asyncCall(inhibit), context_.get(), [this](const QDBusMessage& reply) { answered(reply); });
}

void DesktopSuspendInhibit::answered(const QDBusMessage& reply) {
    asking_ = false;
    // No such service, or a refusal: silent; the next set(true) asks again.
    const QVariant cookie = firstArgument(reply);
    if (!cookie.isValid()) return;
    cookie_ = cookie.toUInt();
    if (!wanted_) release();
}

void DesktopSuspendInhibit::release() {
    if (!cookie_) return;
    QDBusMessage uninhibit = call("UnInhibit");
    uninhibit << *cookie_;
    bus_.send(uninhibit);
    cookie_.reset();
}

}  // namespace kestrove
