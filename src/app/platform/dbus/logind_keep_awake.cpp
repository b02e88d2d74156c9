#include "app/platform/dbus/logind_keep_awake.hpp"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QObject>

#include <fcntl.h>
#include <unistd.h>

#include "app/platform/dbus/dbus_call.hpp"

namespace kestrove {

LogindKeepAwake::LogindKeepAwake(QDBusConnection systemBus)
    : bus_(std::move(systemBus)), context_(std::make_unique<QObject>()) {}

LogindKeepAwake::~LogindKeepAwake() {
    context_.reset();
    release();
}

void LogindKeepAwake::set(bool on) {
    wanted_ = on;
    if (!on) return release();
    if (held() || asking_ || !bus_.isConnected()) return;
    QDBusMessage inhibit = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    // "idle" holds off logind's idle action only: a "sleep" lock would also
    // refuse a suspend the user asks for.
    inhibit << QStringLiteral("idle") << QStringLiteral("Kestrove")
            << QStringLiteral("Kestrove is watching your screen") << QStringLiteral("block");
    asking_ = true;
    whenAnswered(bus_.asyncCall(inhibit), context_.get(), [this](const QDBusMessage& reply) { answered(reply); });
}

void LogindKeepAwake::answered(const QDBusMessage& reply) {
    asking_ = false;
    // A refusal is silent: the next set(true) asks again.
    const auto lock = firstArgument(reply).value<QDBusUnixFileDescriptor>();
    if (!lock.isValid()) return;
    // Our own copy: the message's copy closes with the message.
    const int fd = ::fcntl(lock.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return;
    if (!wanted_ || held()) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

void LogindKeepAwake::release() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

}  // namespace kestrove
