#include <gtest/gtest.h>

#include <cstdlib>

#include "app/platform/session_permissions.hpp"

namespace kestrove {
namespace {

void setOrUnset(const char* name, const char* value) { value ? ::setenv(name, value, 1) : ::unsetenv(name); }

// An X11 session is told by the environment alone: a display, and a session
// type that is not Wayland (an X display under Wayland is XWayland's).
TEST(SessionPermissions, AnX11SessionHasADisplayAndIsNotWayland) {
    struct Case {
        const char* display;
        const char* type;
        bool x11;
    };
    const Case cases[] = {
        {":0", nullptr, true},      {":0", "x11", true},     {":0", "tty", true},
        {":0", "wayland", false},   {nullptr, "x11", false}, {"", "x11", false},
        {nullptr, nullptr, false},  {":1", "", true},
    };
    for (const Case& c : cases) {
        setOrUnset("DISPLAY", c.display);
        setOrUnset("XDG_SESSION_TYPE", c.type);
        EXPECT_EQ(isX11Session(), c.x11) << (c.display ? c.display : "(no DISPLAY)") << " "
                                         << (c.type ? c.type : "(no type)");
    }
}

}  // namespace
}  // namespace kestrove
