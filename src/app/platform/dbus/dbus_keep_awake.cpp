#include "app/platform/dbus/dbus_keep_awake.hpp"

#include <QDBusUnixFileDescriptor>
#include <QObject>

#include <fcntl.h>
#include <unistd.h>

#include "app/platform/dbus/dbus_call.hpp"

namespace kestrove {

namespace {

const QString who = QStringLiteral("Kestrove");
const QString why = QStringLiteral("Kestrove is watching your screen");

QDBusMessage powerManagement(const char* method) {
    return QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.PowerManagement"), QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
        QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), QString::fromLatin1(method));
}

}  // namespace

std::unique_ptr<DbusKeepAwake> DbusKeepAwake::logindIdle(QDBusConnection systemBus) {
    QDBusMessage inhibit = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    // "idle" holds off logind's idle action only: a "sleep" lock would also
    // refuse a suspend the user asks for.
    inhibit << QStringLiteral("idle") << who << why << QStringLiteral("block");
    return std::make_unique<DbusKeepAwake>(
        std::move(systemBus), inhibit, [](const QDBusMessage& answer, QDBusConnection) -> std::optional<Release> {
            const auto lock = firstArgument(answer).value<QDBusUnixFileDescriptor>();
            if (!lock.isValid()) return std::nullopt;
            // Our own copy: the message's copy closes with the message.
            const int fd = ::fcntl(lock.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
            if (fd < 0) return std::nullopt;
            return Release([fd] { ::close(fd); });
        });
}

std::unique_ptr<DbusKeepAwake> DbusKeepAwake::desktopSuspend(QDBusConnection sessionBus) {
    QDBusMessage inhibit = powerManagement("Inhibit");
    inhibit << who << why;
    return std::make_unique<DbusKeepAwake>(
        std::move(sessionBus), inhibit, [](const QDBusMessage& answer, QDBusConnection bus) -> std::optional<Release> {
            const QVariant cookie = firstArgument(answer);
            if (!cookie.isValid()) return std::nullopt;
            return Release([bus, cookie = cookie.toUInt()]() mutable {
                QDBusMessage uninhibit = powerManagement("UnInhibit");
                uninhibit << cookie;
                bus.send(uninhibit);
            });
        });
}

DbusKeepAwake::DbusKeepAwake(QDBusConnection bus, QDBusMessage inhibit, HoldIn holdIn)
    : bus_(std::move(bus)),
      inhibit_(std::move(inhibit)),
      holdIn_(std::move(holdIn)),
      context_(std::make_unique<QObject>()) {}

DbusKeepAwake::~DbusKeepAwake() {
    context_.reset();
    release();
}

void DbusKeepAwake::set(bool on) {
    wanted_ = on;
    if (!on) return release();
    if (held() || asking_ || !bus_.isConnected()) return;
    asking_ = true;
    whenAnswered(bus_.asyncCall(inhibit_), context_.get(), [this](const QDBusMessage& reply) { answered(reply); });
}

void DbusKeepAwake::answered(const QDBusMessage& reply) {
    asking_ = false;
    std::optional<Release> hold = holdIn_(reply, bus_);
    if (!hold) return;
    // Let go meanwhile: the hold goes back at once.
    if (!wanted_ || held()) return (*hold)();
    release_ = std::move(*hold);
}

void DbusKeepAwake::release() {
    if (!release_) return;
    const Release release = std::move(release_);
    release_ = nullptr;
    release();
}

}  // namespace kestrove
