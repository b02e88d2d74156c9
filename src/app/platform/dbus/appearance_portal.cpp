#include "app/platform/dbus/appearance_portal.hpp"

#include <QDBusMessage>
#include <QDBusVariant>

#include "app/platform/dbus/dbus_call.hpp"

namespace kestrove {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");
const QString busService = QStringLiteral("org.freedesktop.DBus");

}  // namespace

ColorScheme colorSchemeOf(const QVariant& value) {
    QVariant v = value;
    // ReadOne wraps the value once, the older Read twice.
    for (int i = 0; i < 3 && v.userType() == qMetaTypeId<QDBusVariant>(); ++i) v = v.value<QDBusVariant>().variant();
    if (v.typeId() != QMetaType::UInt && v.typeId() != QMetaType::Int) return ColorScheme::noPreference;
    switch (v.toUInt()) {
        case 1: return ColorScheme::dark;
        case 2: return ColorScheme::light;
        default: return ColorScheme::noPreference;
    }
}

AppearancePortal::AppearancePortal(QDBusConnection bus, std::function<void()> changed)
    : bus_(std::move(bus)), changed_(std::move(changed)) {
    if (!bus_.isConnected()) return;
    // Any sender (naming the portal would make QtDBus ask for its owner and
    // wait); only the portal's own signals are taken.
    // The whole message: a slot taking a QDBusVariant is refused until
    // QtDBus has registered that type, which nothing may have done yet.
    bus_.connect(QString(), portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
                 SLOT(settingChanged(QDBusMessage)));
    // A portal that starts later, or again, is read again.
    bus_.connect(QString(), QStringLiteral("/org/freedesktop/DBus"), busService, QStringLiteral("NameOwnerChanged"),
                 {portalService}, QString(), this, SLOT(portalOwnerChanged(QDBusMessage)));
    read(QStringLiteral("ReadOne"));
}

void AppearancePortal::read(const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, method);
    call << appearance << colorSchemeKey;
    const int asked = ++reads_;
    whenAnswered(bus_.asyncCall(call), this, [this, method, asked](const QDBusMessage& reply) {
        if (asked != reads_) return;  // a portal that has gone since
        if (reply.type() == QDBusMessage::ErrorMessage) {
            // Portals before version 2 have Read alone.
            if (method == QLatin1String("ReadOne") &&
                reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod"))
                read(QStringLiteral("Read"));
            return;
        }
        portal_ = reply.service();
        take(colorSchemeOf(firstArgument(reply)));
    });
}

// The portal's signals come after its answer; one sent before it is told
// by the answer itself.
void AppearancePortal::settingChanged(const QDBusMessage& signal) {
    const QList<QVariant> args = signal.arguments();
    if (portal_.isEmpty() || signal.service() != portal_ || args.size() != 3) return;
    if (args[0].toString() == appearance && args[1].toString() == colorSchemeKey) take(colorSchemeOf(args[2]));
}

void AppearancePortal::portalOwnerChanged(const QDBusMessage& signal) {
    const QList<QVariant> args = signal.arguments();
    if (signal.service() != busService || args.size() != 3 || args[0].toString() != portalService) return;
    portal_.clear();
    if (args[2].toString().isEmpty()) {
        ++reads_;
        take(ColorScheme::noPreference);
    } else {
        read(QStringLiteral("ReadOne"));
    }
}

void AppearancePortal::take(ColorScheme scheme) {
    if (scheme == scheme_) return;
    scheme_ = scheme;
    if (changed_) changed_();
}

}  // namespace kestrove
