#include "app/platform/dbus/screen_lock_watch.hpp"

#include <QDBusMessage>
#include <QDBusObjectPath>

#include <unistd.h>

#include "app/platform/dbus/dbus_call.hpp"

namespace kestrove {

namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");

QDBusMessage managerCall(const QString& method) {
    return QDBusMessage::createMethodCall(login1, QStringLiteral("/org/freedesktop/login1"),
                                          QStringLiteral("org.freedesktop.login1.Manager"), method);
}

}  // namespace

ScreenLockWatch::ScreenLockWatch(QDBusConnection sessionBus, QDBusConnection systemBus, Changed changed)
    : session_(std::move(sessionBus)), system_(std::move(systemBus)), changed_(std::move(changed)) {
    if (session_.isConnected()) {
        // Any sender, any path: KDE speaks from two paths, GNOME from its own name.
        for (const char* saver : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver", "org.mate.ScreenSaver",
                                  "org.cinnamon.ScreenSaver"})
            session_.connect(QString(), QString(), QString::fromLatin1(saver), QStringLiteral("ActiveChanged"), this,
                             SLOT(activeChanged(bool)));
    }
    if (system_.isConnected()) findSession();
}

void ScreenLockWatch::findSession() {
    QDBusMessage bySelf = managerCall(QStringLiteral("GetSessionByPID"));
    bySelf << uint(::getpid());
    whenAnswered(system_.asyncCall(bySelf), this, [this](const QDBusMessage& reply) {
        const auto path = firstArgument(reply).value<QDBusObjectPath>().path();
        if (path.isEmpty()) return askBySessionId();
        follow(path);
    });
}

// A process started outside the login session (a user service) finds it by
// the id the session left in the environment.
void ScreenLockWatch::askBySessionId() {
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (id.isEmpty()) return;
    QDBusMessage byId = managerCall(QStringLiteral("GetSession"));
    byId << id;
    whenAnswered(system_.asyncCall(byId), this, [this](const QDBusMessage& reply) {
        const auto path = firstArgument(reply).value<QDBusObjectPath>().path();
        if (!path.isEmpty()) follow(path);
    });
}

void ScreenLockWatch::follow(const QString& path) {
    system_.connect(login1, path, sessionInterface, QStringLiteral("Lock"), this, SLOT(sessionLocked()));
    system_.connect(login1, path, sessionInterface, QStringLiteral("Unlock"), this, SLOT(sessionUnlocked()));
    system_.connect(login1, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                    QStringLiteral("PropertiesChanged"), this,
                    SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
    followsSession_ = true;
}

void ScreenLockWatch::activeChanged(bool active) { changed_(active); }
void ScreenLockWatch::sessionLocked() { changed_(true); }
void ScreenLockWatch::sessionUnlocked() { changed_(false); }

void ScreenLockWatch::sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                               const QStringList&) {
    if (interface != sessionInterface) return;
    const auto hint = changed.constFind(QStringLiteral("LockedHint"));
    if (hint != changed.constEnd()) changed_(hint->toBool());
}

}  // namespace kestrove
