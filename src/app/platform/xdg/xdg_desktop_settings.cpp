#include "app/platform/xdg/xdg_desktop_settings.hpp"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace kestrove {

namespace {

const char* const programs[] = {"gnome-control-center", "systemsettings", "xfce4-settings-manager"};

// The page's argument for the programs that have one.
QStringList pageArguments(const QString& name, SettingsPage page) {
    if (page != SettingsPage::notifications) return {};
    if (name == QLatin1String("gnome-control-center")) return {QStringLiteral("notifications")};
    if (name == QLatin1String("systemsettings")) return {QStringLiteral("kcm_notifications")};
    return {};
}

}  // namespace

XdgDesktopSettings::XdgDesktopSettings() {
    for (const char* name : programs) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(name));
        if (path.isEmpty()) continue;
        program_ = path;
        name_ = QLatin1String(name);
        return;
    }
}

bool XdgDesktopSettings::open(SettingsPage page) {
    if (program_.isEmpty()) return false;
    return QProcess::startDetached(program_, pageArguments(name_, page));
}

}  // namespace kestrove
