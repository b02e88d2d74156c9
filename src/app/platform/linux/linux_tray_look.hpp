#pragma once
// How the tray looks on a Linux desktop: the appearance setting through the
// Settings portal on the session bus, and the colours an XEmbed tray
// publishes. Made on the main thread, which every change reaches.

#include <QDBusConnection>

#include "app/platform/dbus/appearance_portal.hpp"
#include "app/platform/tray_look.hpp"
#include "app/platform/x11/xcb_tray_colors.hpp"

namespace kestrove {

class LinuxTrayLook final : public TrayLookSource {
public:
    explicit LinuxTrayLook(QDBusConnection sessionBus);

    TrayLook look() const override { return {portal_.scheme(), trayText_}; }

private:
    void changed();

    AppearancePortal portal_;
    std::optional<Rgb> trayText_;
    XcbTrayColors trayColors_;  // last: its reports reach trayText_
};

}  // namespace kestrove
