#pragma once
// Stand-ins for the desktop's own services on a test's bus: the screen savers
// that announce ActiveChanged (freedesktop and GNOME names), a notification
// service that records every Notify call and answers or refuses it, a
// desktop power manager's suspend inhibition, and the Settings portal's
// appearance setting.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <set>
#include <vector>

namespace kestrove::testing {

class FakeScreenSavers {
public:
    explicit FakeScreenSavers(QDBusConnection bus);  // owns both names
    ~FakeScreenSavers();

    enum class Name { freedesktop, gnome };
    void activeChanged(Name name, bool active);

private:
    QDBusConnection bus_;
};

struct NotifyCall {
    QString app, icon, summary, body;
    uint replaces = 0;
    QStringList actions;
    QVariantMap hints;
    int timeout = 0;
};

class FakeNotifications final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit FakeNotifications(QDBusConnection bus);  // owns org.freedesktop.Notifications
    ~FakeNotifications() override;

    std::vector<NotifyCall> calls;
    bool refuse = false;  // answer "notifications are off"
    // Says notification `id` closed, as a service does when it expires.
    void close(uint id);

public slots:
    Q_SCRIPTABLE uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                             const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);

private:
    QDBusConnection bus_;
};

// org.freedesktop.PowerManagement.Inhibit: a cookie per Inhibit, given back by UnInhibit.
class FakePowerManagement final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PowerManagement.Inhibit")
public:
    explicit FakePowerManagement(QDBusConnection bus);  // owns org.freedesktop.PowerManagement
    ~FakePowerManagement() override;

    std::vector<std::pair<QString, QString>> inhibits;  // application, reason
    std::set<uint> held;                                // cookies not given back

public slots:
    Q_SCRIPTABLE uint Inhibit(const QString& application, const QString& reason);
    Q_SCRIPTABLE void UnInhibit(uint cookie);

private:
    QDBusConnection bus_;
};

// org.freedesktop.portal.Settings of org.freedesktop.portal.Desktop with the
// appearance's "color-scheme" (0 no preference, 1 dark, 2 light): ReadOne
// as portals of version 2 have it, or Read alone as older ones, which wrap
// the value in one more variant; SettingChanged when it changes.
class FakeAppearancePortal final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    FakeAppearancePortal(QDBusConnection bus, uint scheme, bool readOne = true);  // owns the portal's name
    ~FakeAppearancePortal() override;

    void setScheme(uint scheme);  // tells SettingChanged
    // A change of another setting, or of this one from another connection.
    void announce(const QString& group, const QString& key, uint value);
    static void announceFrom(QDBusConnection bus, uint scheme);

    int reads = 0;

public slots:
    Q_SCRIPTABLE QDBusVariant ReadOne(const QString& group, const QString& key);
    Q_SCRIPTABLE QDBusVariant Read(const QString& group, const QString& key);

private:
    QDBusConnection bus_;
    uint scheme_;
    bool readOne_;
};

}  // namespace kestrove::testing
