#include "support/app/fake_desktop_services.hpp"

#include <QDBusMessage>

#include <stdexcept>

namespace kestrove::testing {

namespace {

struct Saver {
    const char* service;
    const char* path;
};

Saver saver(FakeScreenSavers::Name name) {
    if (name == FakeScreenSavers::Name::gnome) return {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"};
    return {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"};
}

}  // namespace

FakeScreenSavers::FakeScreenSavers(QDBusConnection bus) : bus_(std::move(bus)) {
    for (auto name : {Name::freedesktop, Name::gnome})
        if (!bus_.registerService(QString::fromLatin1(saver(name).service)))
            throw std::runtime_error("the fake screen saver could not own its name");
}

FakeScreenSavers::~FakeScreenSavers() {
    for (auto name : {Name::freedesktop, Name::gnome}) bus_.unregisterService(QString::fromLatin1(saver(name).service));
}

void FakeScreenSavers::activeChanged(Name name, bool active) {
    const Saver s = saver(name);
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(s.path), QString::fromLatin1(s.service),
                                                     QStringLiteral("ActiveChanged"));
    signal << active;
    bus_.send(signal);
}

FakeNotifications::FakeNotifications(QDBusConnection bus) : bus_(std::move(bus)) {
    if (!bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                             QDBusConnection::ExportScriptableContents) ||
        !bus_.registerService(QStringLiteral("org.freedesktop.Notifications")))
        throw std::runtime_error("the fake notification service could not register");
}

FakeNotifications::~FakeNotifications() {
    bus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
}

uint FakeNotifications::Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                               const QString& body, const QStringList& actions, const QVariantMap& hints,
                               int timeout) {
    calls.push_back({app, icon, summary, body, replaces, actions, hints, timeout});
    if (refuse)
        sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"), QStringLiteral("notifications are off"));
    return uint(calls.size());
}

void FakeNotifications::close(uint id) {
    QDBusMessage closed = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                     QStringLiteral("org.freedesktop.Notifications"),
                                                     QStringLiteral("NotificationClosed"));
    closed << id << uint(1);
    bus_.send(closed);
}

FakePowerManagement::FakePowerManagement(QDBusConnection bus) : bus_(std::move(bus)) {
    if (!bus_.registerObject(QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"), this,
                             QDBusConnection::ExportScriptableContents) ||
        !bus_.registerService(QStringLiteral("org.freedesktop.PowerManagement")))
        throw std::runtime_error("the fake power manager could not register");
}

FakePowerManagement::~FakePowerManagement() {
    bus_.unregisterService(QStringLiteral("org.freedesktop.PowerManagement"));
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"));
}

uint FakePowerManagement::Inhibit(const QString& application, const QString& reason) {
    inhibits.emplace_back(application, reason);
    const uint cookie = 100 + uint(inhibits.size());
    held.insert(cookie);
    return cookie;
}

void FakePowerManagement::UnInhibit(uint cookie) { held.erase(cookie); }

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");

void sendSettingChanged(QDBusConnection& bus, const QString& group, const QString& key, uint value) {
    QDBusMessage signal = QDBusMessage::createSignal(portalPath, settingsInterface, QStringLiteral("SettingChanged"));
    signal << group << key << QVariant::fromValue(QDBusVariant(value));
    bus.send(signal);
}

}  // namespace

FakeAppearancePortal::FakeAppearancePortal(QDBusConnection bus, uint scheme, bool readOne)
    : bus_(std::move(bus)), scheme_(scheme), readOne_(readOne) {
    if (!bus_.registerObject(portalPath, this, QDBusConnection::ExportScriptableContents) ||
        !bus_.registerService(QStringLiteral("org.freedesktop.portal.Desktop")))
        throw std::runtime_error("the fake portal could not register");
}

FakeAppearancePortal::~FakeAppearancePortal() {
    bus_.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    bus_.unregisterObject(portalPath);
}

void FakeAppearancePortal::setScheme(uint scheme) {
    scheme_ = scheme;
    announce(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), scheme);
}

void FakeAppearancePortal::announce(const QString& group, const QString& key, uint value) {
    sendSettingChanged(bus_, group, key, value);
}

void FakeAppearancePortal::announceFrom(QDBusConnection bus, uint scheme) {
    sendSettingChanged(bus, QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), scheme);
}

QDBusVariant FakeAppearancePortal::ReadOne(const QString& group, const QString& key) {
    if (!readOne_) {
        sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), QStringLiteral("no ReadOne here"));
        return {};
    }
    ++reads;
    if (group != QLatin1String("org.freedesktop.appearance") || key != QLatin1String("color-scheme")) {
        sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such setting"));
        return {};
    }
    return QDBusVariant(scheme_);
}

QDBusVariant FakeAppearancePortal::Read(const QString& group, const QString& key) {
    ++reads;
    if (group != QLatin1String("org.freedesktop.appearance") || key != QLatin1String("color-scheme")) {
        sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such setting"));
        return {};
    }
    return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme_)));
}

}  // namespace kestrove::testing
