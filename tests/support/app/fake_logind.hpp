#pragma once
// logind as the keep-awake hold and the screen-lock watch use it, on a test's
// own bus: the Manager's Inhibit (answers one end of a pipe and keeps the
// other, so a test sees when the hold is let go), Suspend (refused, as logind
// refuses it, while a "sleep" lock in block mode is held), the idle action
// (held off while an "idle" lock in block mode is held), GetSessionByPID and
// GetSession, and one Session with Lock/Unlock and a LockedHint property.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace kestrove::testing {

struct InhibitCall {
    QString what, who, why, mode;
    int held = -1;  // our end of the pipe (read side), -1 when refused
};

class FakeLogindSession;

class FakeLogind final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    static constexpr const char* sessionPath = "/org/freedesktop/login1/session/_31";
    static constexpr const char* sessionId = "1";

    explicit FakeLogind(QDBusConnection bus);  // owns org.freedesktop.login1 on `bus`
    ~FakeLogind() override;

    std::vector<InhibitCall> inhibits;
    int refuseInhibits = 0;          // so many Inhibit calls answer an error
    bool holdAnswers = false;        // Inhibit answers wait for answerHeld()
    bool refuseSessionByPid = false;  // as for a process outside the session

    void answerHeld();
    // Whether the writing end of the pipe handed out by Inhibit call `i` is
    // closed everywhere (its reading end sees end of file).
    bool released(std::size_t i) const;

    // Whether logind's idle action would wait now.
    bool idleActionHeldOff() const;
    int suspends = 0;  // Suspend calls that went through

    void lock();
    void unlock();
    void setLockedHint(bool locked);

public slots:
    Q_SCRIPTABLE void Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode);
    Q_SCRIPTABLE void Suspend(bool interactive);
    Q_SCRIPTABLE QDBusObjectPath GetSessionByPID(uint pid);
    Q_SCRIPTABLE QDBusObjectPath GetSession(const QString& id);

private:
    void answer(const QDBusMessage& call, std::size_t index);
    // A lock of that kind in block mode whose descriptor is still open somewhere.
    bool blocked(const QString& kind) const;

    QDBusConnection bus_;
    std::unique_ptr<FakeLogindSession> session_;
    std::vector<std::pair<QDBusMessage, std::size_t>> held_;
};

}  // namespace kestrove::testing
