#include "app/platform/linux/linux_tray_look.hpp"

namespace kestrove {

LinuxTrayLook::LinuxTrayLook(QDBusConnection sessionBus)
    : portal_(std::move(sessionBus), [this] { changed(); }),
      trayColors_([this](std::optional<Rgb> text) {
          trayText_ = text;
          changed();
      }) {}

void LinuxTrayLook::changed() {
    if (onChange) onChange();
}

}  // namespace kestrove
