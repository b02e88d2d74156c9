#include "app/platform/x11/permissions.hpp"

#include <xcb/composite.h>

#include "app/platform/session_permissions.hpp"
#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove::Permissions {

bool screenRecordingAllowed() {
    if (!isX11Session()) return false;
    XcbConnection x;
    return x.ok() && x.hasExtension(&xcb_composite_id);
}

}  // namespace kestrove::Permissions
