#include "app/platform/linux/linux_tray_look.hpp"

namespace kestrove {

LinuxTrayLook::LinuxTrayLook(QDBusConnection sessionBus)
    : portal_(std::move(sessionBus), [this] { changed(); }),
      trayColors_([this](std::optional<Rgb> text) {
          trayText_ = text;
          changed();
      }) {}

void LinuxTrayLook::followIcon(std::optional<std::uint32_t> window) {
    if (window == iconWindow_) return;
    iconWindow_ = window;
    ground_.reset();
    const bool told = iconOnScreen_ != nullptr;
    iconOnScreen_ = nullptr;
    if (window)
        ground_ = std::make_unique<XcbTrayGround>(*window, [this](SharedImage shown) {
            iconOnScreen_ = std::move(shown);
            changed();
        });
    if (told) changed();
}

void LinuxTrayLook::changed() {
    if (onChange) onChange();
}

}  // namespace kestrove
