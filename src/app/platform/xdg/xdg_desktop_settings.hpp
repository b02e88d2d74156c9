#pragma once
// The first settings program found on PATH: gnome-control-center,
// systemsettings or xfce4-settings-manager, started detached.

#include <QString>

#include "app/platform/desktop_settings.hpp"

namespace kestrove {

class XdgDesktopSettings final : public DesktopSettings {
public:
    XdgDesktopSettings();
    bool available() const override { return !program_.isEmpty(); }
    bool open(SettingsPage page) override;

private:
    QString program_;  // full path, or empty
    QString name_;
};

}  // namespace kestrove
