#include "support/app/fake_logind.hpp"

#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <stdexcept>

namespace kestrove::testing {

class FakeLogindSession final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint READ lockedHint SCRIPTABLE true)
public:
    bool locked = false;
    bool lockedHint() const { return locked; }
signals:
    Q_SCRIPTABLE void Lock();
    Q_SCRIPTABLE void Unlock();
};

FakeLogind::FakeLogind(QDBusConnection bus) : bus_(std::move(bus)), session_(std::make_unique<FakeLogindSession>()) {
    const auto options = QDBusConnection::ExportScriptableContents;
    if (!bus_.registerObject(QStringLiteral("/org/freedesktop/login1"), this, options) ||
        !bus_.registerObject(QString::fromLatin1(sessionPath), session_.get(), options) ||
        !bus_.registerService(QStringLiteral("org.freedesktop.login1")))
        throw std::runtime_error("the fake logind could not register");
}

FakeLogind::~FakeLogind() {
    bus_.unregisterService(QStringLiteral("org.freedesktop.login1"));
    bus_.unregisterObject(QString::fromLatin1(sessionPath));
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
    for (const auto& call : inhibits)
        if (call.held >= 0) ::close(call.held);
}

void FakeLogind::Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode) {
    inhibits.push_back({what, who, why, mode, -1});
    if (refuseInhibits > 0) {
        --refuseInhibits;
        sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"), QStringLiteral("not now"));
        return;
    }
    setDelayedReply(true);
    if (holdAnswers) held_.emplace_back(message(), inhibits.size() - 1);
    else answer(message(), inhibits.size() - 1);
}

void FakeLogind::answer(const QDBusMessage& call, std::size_t index) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("no pipe");
    inhibits[index].held = ends[0];
    // The message takes its own copy; ours closes here, so only the caller's remains.
    bus_.send(call.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
    ::close(ends[1]);
}

void FakeLogind::answerHeld() {
    for (const auto& [call, index] : held_) answer(call, index);
    held_.clear();
}

bool FakeLogind::released(std::size_t i) const {
    if (i >= inhibits.size() || inhibits[i].held < 0) return false;
    pollfd p{inhibits[i].held, POLLIN, 0};
    if (::poll(&p, 1, 0) != 1) return false;
    char byte;
    return ::read(inhibits[i].held, &byte, 1) == 0;
}

bool FakeLogind::blocked(const QString& kind) const {
    for (std::size_t i = 0; i < inhibits.size(); ++i) {
        const InhibitCall& call = inhibits[i];
        if (call.held >= 0 && call.mode == QLatin1String("block") && call.what.split(u':').contains(kind) &&
            !released(i))
            return true;
    }
    return false;
}

bool FakeLogind::idleActionHeldOff() const { return blocked(QStringLiteral("idle")); }

void FakeLogind::Suspend(bool) {
    if (blocked(QStringLiteral("sleep"))) {
        sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                       QStringLiteral("Operation denied due to active block inhibitor"));
        return;
    }
    ++suspends;
}

QDBusObjectPath FakeLogind::GetSessionByPID(uint) {
    if (refuseSessionByPid) {
        sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSessionForPID"), QStringLiteral("not in a session"));
        return {};
    }
    return QDBusObjectPath(QString::fromLatin1(sessionPath));
}

QDBusObjectPath FakeLogind::GetSession(const QString& id) {
    if (id != QLatin1String(sessionId)) {
        sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSuchSession"), QStringLiteral("no such session"));
        return {};
    }
    return QDBusObjectPath(QString::fromLatin1(sessionPath));
}

void FakeLogind::lock() { emit session_->Lock(); }
void FakeLogind::unlock() { emit session_->Unlock(); }

void FakeLogind::setLockedHint(bool locked) {
    session_->locked = locked;
    QDBusMessage changed = QDBusMessage::createSignal(QString::fromLatin1(sessionPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("PropertiesChanged"));
    changed << QStringLiteral("org.freedesktop.login1.Session")
            << QVariantMap{{QStringLiteral("LockedHint"), locked}} << QStringList();
    bus_.send(changed);
}

}  // namespace kestrove::testing

#include "fake_logind.moc"
