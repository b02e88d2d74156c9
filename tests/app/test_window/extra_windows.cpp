#include "test_window/extra_windows.hpp"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

ExtraWindows::ExtraWindows() {
    c_ = xcb_connect(nullptr, nullptr);
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
}

ExtraWindows::~ExtraWindows() { xcb_disconnect(c_); }

xcb_atom_t ExtraWindows::atom(const char* name) {
    auto* r = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return a;
}

std::uint32_t ExtraWindows::make(const std::string& kind, int x, int y, int w, int h) {
    const bool popup = kind == "popup";
    const char* type = kind == "dock" ? "_NET_WM_WINDOW_TYPE_DOCK"
                       : kind == "desktop" ? "_NET_WM_WINDOW_TYPE_DESKTOP"
                                           : "_NET_WM_WINDOW_TYPE_NORMAL";
    if (!popup && kind != "above" && kind != "dock" && kind != "desktop" && kind != "faded") return 0;

    const xcb_window_t id = xcb_generate_id(c_);
    const std::uint32_t values[] = {0x3050c8u, popup ? 1u : 0u};
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, id, screen_->root, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    const char klass[] = "extra\0KestroveTestWindow";
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof klass, klass);
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    const xcb_atom_t typeAtom = atom(type);
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &typeAtom);
    if (kind == "above") {
        const xcb_atom_t above = atom("_NET_WM_STATE_ABOVE");
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 1, &above);
    }
    if (kind == "faded") {
        const std::uint32_t half = 0x7fffffffu;
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_WINDOW_OPACITY"), XCB_ATOM_CARDINAL, 32, 1,
                            &half);
    }
    xcb_map_window(c_, id);
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));  // all of it done
    return id;
}
