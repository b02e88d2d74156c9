#pragma once
// Whether the screen is locked, as the desktop tells it: ActiveChanged of the
// screen savers on the session bus (freedesktop, GNOME, MATE, Cinnamon) and
// our logind session's Lock/Unlock signals and LockedHint on the system bus.
// Every signal is passed on as it comes; a bus that is missing is left out.

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <functional>

namespace kestrove {

class ScreenLockWatch final : public QObject {
    Q_OBJECT
public:
    using Changed = std::function<void(bool locked)>;

    ScreenLockWatch(QDBusConnection sessionBus, QDBusConnection systemBus, Changed changed);

    // Whether our logind session was found and its signals are followed.
    bool followsSession() const { return followsSession_; }

private slots:
    void activeChanged(bool active);
    void sessionLocked();
    void sessionUnlocked();
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList& invalidated);

private:
    void findSession();
    void askBySessionId();
    void follow(const QString& sessionPath);

    QDBusConnection session_;
    QDBusConnection system_;
    Changed changed_;
    bool followsSession_ = false;
};

}  // namespace kestrove
