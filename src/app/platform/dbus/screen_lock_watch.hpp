#pragma once
// Whether the screen is locked, as the desktop tells it: ActiveChanged of the
// screen savers on the session bus (freedesktop, GNOME, MATE, Cinnamon) and
// our logind session's Lock/Unlock signals and LockedHint on the system bus.
// Every signal is passed on as it comes; a bus that is missing is left out.
// Nothing waits on a bus: logind is known by the sender of its answers, not
// by asking for its owner (QtDBus would ask synchronously).

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

#include <functional>

namespace kestrove {

class ScreenLockWatch final : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    using Changed = std::function<void(bool locked)>;

    ScreenLockWatch(QDBusConnection sessionBus, QDBusConnection systemBus, Changed changed);

    // Whether our logind session was found and its signals are followed.
    bool followsSession() const { return !sessionPath_.isEmpty(); }

private slots:
    void activeChanged(bool active);
    void sessionLocked();
    void sessionUnlocked();
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList& invalidated);
    void logindOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    void findSession();
    void askBySessionId();
    void follow(const QDBusMessage& reply);
    void unfollow();
    bool fromLogind() const;

    QDBusConnection session_;
    QDBusConnection system_;
    Changed changed_;
    QString logind_;  // logind's unique name on the system bus
    QString sessionPath_;
};

}  // namespace kestrove
