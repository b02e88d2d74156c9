#pragma once
// How the tray looks on a Linux desktop: the appearance setting through the
// Settings portal on the session bus, the colours an XEmbed tray publishes,
// and what the screen shows where the icon is. Made on the main thread,
// which every change reaches.

#include <QDBusConnection>

#include <memory>

#include "app/platform/dbus/appearance_portal.hpp"
#include "app/platform/tray_look.hpp"
#include "app/platform/x11/xcb_tray_colors.hpp"
#include "app/platform/x11/xcb_tray_ground.hpp"

namespace kestrove {

class LinuxTrayLook final : public TrayLookSource {
public:
    explicit LinuxTrayLook(QDBusConnection sessionBus);

    TrayLook look() const override { return {portal_.scheme(), trayText_, iconOnScreen_}; }
    void followIcon(std::optional<std::uint32_t> window) override;

private:
    void changed();

    AppearancePortal portal_;
    std::optional<Rgb> trayText_;
    XcbTrayColors trayColors_;  // after trayText_: its reports reach it
    std::optional<std::uint32_t> iconWindow_;
    SharedImage iconOnScreen_;
    std::unique_ptr<XcbTrayGround> ground_;  // last: its reports reach iconOnScreen_
};

}  // namespace kestrove
