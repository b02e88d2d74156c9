#pragma once
// The desktop's appearance setting ("color-scheme" of
// "org.freedesktop.appearance") through the Settings portal on the session
// bus: read once the portal answers, and followed through its
// SettingChanged signal. Nothing waits on the bus. Without a portal, or
// until it answers, there is no preference.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

#include <functional>

#include "app/platform/tray_look.hpp"

namespace kestrove {

// The setting's value as the portal sends it (a number in one or two
// variants): 1 prefers dark, 2 light, anything else no preference.
ColorScheme colorSchemeOf(const QVariant& value);

class AppearancePortal final : public QObject {
    Q_OBJECT
public:
    // `changed` runs on the thread that makes this object, after scheme() changed.
    AppearancePortal(QDBusConnection bus, std::function<void()> changed);

    ColorScheme scheme() const { return scheme_; }

private slots:
    void settingChanged(const QDBusMessage& signal);
    void portalOwnerChanged(const QDBusMessage& signal);

private:
    void read(const QString& method);
    void take(ColorScheme scheme);

    QDBusConnection bus_;
    std::function<void()> changed_;
    ColorScheme scheme_ = ColorScheme::noPreference;
    QString portal_;  // the unique name of the portal that answered
    int reads_ = 0;   // only the latest read's answer counts
};

}  // namespace kestrove
