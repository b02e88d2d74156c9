#include "app/platform/dbus/screen_lock_watch.hpp"

#include <QDBusMessage>
#include <QDBusObjectPath>

#include <unistd.h>

#include "app/platform/dbus/dbus_call.hpp"

namespace kestrove {

namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString busService = QStringLiteral("org.freedesktop.DBus");

QDBusMessage managerCall(const QString& method) {
    return QDBusMessage::createMethodCall(login1, QStringLiteral("/org/freedesktop/login1"),
                                          QStringLiteral("org.freedesktop.login1.Manager"), method);
}

QString sessionPathIn(const QDBusMessage& reply) { return firstArgument(reply).value<QDBusObjectPath>().path(); }

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
    if (!system_.isConnected()) return;
    // A logind that starts again has a new name and must be found again.
    system_.connect(QString(), QStringLiteral("/org/freedesktop/DBus"), busService,
                    QStringLiteral("NameOwnerChanged"), {login1}, QString(), this,
                    SLOT(logindOwnerChanged(QString, QString, QString)));
    findSession();
}

void ScreenLockWatch::findSession() {
    QDBusMessage bySelf = managerCall(QStringLiteral("GetSessionByPID"));
    bySelf << uint(::getpid());
    whenAnswered(system_.asyncCall(bySelf), this, [this](const QDBusMessage& reply) {
        if (sessionPathIn(reply).isEmpty()) return askBySessionId();
        follow(reply);
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
        if (!sessionPathIn(reply).isEmpty()) follow(reply);
    });
}

void ScreenLockWatch::follow(const QDBusMessage& reply) {
    unfollow();
    logind_ = reply.service();
    sessionPath_ = sessionPathIn(reply);
    system_.connect(QString(), sessionPath_, sessionInterface, QStringLiteral("Lock"), this, SLOT(sessionLocked()));
    system_.connect(QString(), sessionPath_, sessionInterface, QStringLiteral("Unlock"), this,
                    SLOT(sessionUnlocked()));
    system_.connect(QString(), sessionPath_, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                    SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
}

void ScreenLockWatch::unfollow() {
    if (sessionPath_.isEmpty()) return;
    system_.disconnect(QString(), sessionPath_, sessionInterface, QStringLiteral("Lock"), this,
                       SLOT(sessionLocked()));
    system_.disconnect(QString(), sessionPath_, sessionInterface, QStringLiteral("Unlock"), this,
                       SLOT(sessionUnlocked()));
    system_.disconnect(QString(), sessionPath_, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                       SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
    sessionPath_.clear();
    logind_.clear();
}

bool ScreenLockWatch::fromLogind() const { return calledFromDBus() && message().service() == logind_; }

void ScreenLockWatch::logindOwnerChanged(const QString& name, const QString&, const QString& newOwner) {
    if (!calledFromDBus() || message().service() != busService || name != login1) return;
    unfollow();
    if (!newOwner.isEmpty()) findSession();
}

void ScreenLockWatch::activeChanged(bool active) { changed_(active); }

void ScreenLockWatch::sessionLocked() {
    if (fromLogind()) changed_(true);
}

void ScreenLockWatch::sessionUnlocked() {
    if (fromLogind()) changed_(false);
}

void ScreenLockWatch::sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                               const QStringList&) {
    if (!fromLogind() || interface != sessionInterface) return;
    const auto hint = changed.constFind(QStringLiteral("LockedHint"));
    if (hint != changed.constEnd()) changed_(hint->toBool());
}

}  // namespace kestrove
