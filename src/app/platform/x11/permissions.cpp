#include "app/platform/x11/permissions.hpp"

#include <cstdlib>
#include <string_view>

#include <xcb/composite.h>

#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove::Permissions {

bool isX11Session() {
    const char* display = std::getenv("DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return display && *display && !(type && std::string_view(type) == "wayland");
}

bool screenRecordingAllowed() {
    if (!isX11Session()) return false;
    XcbConnection x;
    return x.ok() && x.hasExtension(&xcb_composite_id);
}

}  // namespace kestrove::Permissions
