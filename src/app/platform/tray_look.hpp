#pragma once
// What the desktop tells of how its tray looks, so the tray's mark can be
// drawn in the tray's own text colour, as a template picture is: what the
// screen shows around the icon where it is known, else the appearance
// setting, else the colours the tray itself publishes.

#include <cstdint>
#include <functional>
#include <optional>

#include "core/picture/image.hpp"

namespace kestrove {

// The desktop's appearance setting: whether its user prefers dark or light.
enum class ColorScheme { noPreference, dark, light };

// A colour as the tray tells it, 8 bits a channel.
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

struct TrayLook {
    ColorScheme scheme = ColorScheme::noPreference;
    std::optional<Rgb> trayText;  // the text colour a tray publishes, when it does
    // The icon's window as the screen shows it (device pixels): the tray's
    // ground with the icon on it. None while unknown.
    SharedImage iconOnScreen;
    bool operator==(const TrayLook&) const = default;
};

class TrayLookSource {
public:
    virtual ~TrayLookSource() = default;
    // What is known now; never waits.
    virtual TrayLook look() const = 0;
    // The X window that shows our icon in an XEmbed tray, none when there
    // is none: what the screen shows there becomes look().iconOnScreen.
    virtual void followIcon(std::optional<std::uint32_t> window) = 0;
    // Told on the main thread after look() changed.
    std::function<void()> onChange;
};

}  // namespace kestrove
