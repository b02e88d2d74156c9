#include "test_window/extra_windows.hpp"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include <xcb/shape.h>

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

xcb_visualid_t ExtraWindows::alphaVisual() {
    for (auto d = xcb_screen_allowed_depths_iterator(screen_); d.rem; xcb_depth_next(&d)) {
        if (d.data->depth != 32) continue;
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) return v.data->visual_id;
    }
    return 0;
}

std::uint32_t ExtraWindows::make(const std::string& kind, int x, int y, int w, int h) {
    const bool popup = kind == "popup" || kind == "shaped";
    const bool alpha = kind == "alpha";
    const char* type = kind == "dock" ? "_NET_WM_WINDOW_TYPE_DOCK"
                       : kind == "desktop" ? "_NET_WM_WINDOW_TYPE_DESKTOP"
                                           : "_NET_WM_WINDOW_TYPE_NORMAL";
    if (!popup && !alpha && kind != "above" && kind != "dock" && kind != "desktop" && kind != "faded") return 0;
    const xcb_visualid_t visual = alpha ? alphaVisual() : screen_->root_visual;
    if (!visual) return 0;

    const xcb_window_t id = xcb_generate_id(c_);
    if (alpha) {
        // Half-transparent green (premultiplied); a window of another depth
        // needs a colormap and a border pixel of its own.
        const xcb_colormap_t colormap = xcb_generate_id(c_);
        xcb_create_colormap(c_, XCB_COLORMAP_ALLOC_NONE, colormap, screen_->root, visual);
        const std::uint32_t values[] = {0x80105020u, 0, colormap};
        xcb_create_window(c_, 32, id, screen_->root, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                          static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_COLORMAP, values);
    } else {
        const std::uint32_t values[] = {0x3050c8u, popup ? 1u : 0u};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, id, screen_->root, static_cast<std::int16_t>(x),
                          static_cast<std::int16_t>(y), static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    }
    if (kind == "shaped") {
        // A ring a quarter of its size wide: the middle shows what lies below.
        const std::int16_t bx = static_cast<std::int16_t>(w / 4), by = static_cast<std::int16_t>(h / 4);
        const xcb_rectangle_t ring[] = {
            {0, 0, static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(by)},
            {0, static_cast<std::int16_t>(h - by), static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(by)},
            {0, by, static_cast<std::uint16_t>(bx), static_cast<std::uint16_t>(h - 2 * by)},
            {static_cast<std::int16_t>(w - bx), by, static_cast<std::uint16_t>(bx), static_cast<std::uint16_t>(h - 2 * by)},
        };
        xcb_shape_rectangles(c_, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED, id, 0, 0, 4, ring);
    }
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
