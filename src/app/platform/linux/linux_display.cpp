#include "app/platform/linux/linux_display.hpp"

#include <cstdlib>

#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove {

std::optional<std::string> displayProblem() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return "needs an X11 display, and DISPLAY is not set";
    if (!XcbConnection().ok()) return std::string("cannot reach the X display ") + display;
    return std::nullopt;
}

}  // namespace kestrove
