#include "app/platform/session_permissions.hpp"

#include <cstdlib>
#include <string_view>

namespace kestrove {

bool isX11Session() {
    const char* display = std::getenv("DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return display && *display && !(type && std::string_view(type) == "wayland");
}

}  // namespace kestrove
