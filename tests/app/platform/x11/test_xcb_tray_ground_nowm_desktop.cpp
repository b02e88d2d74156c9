// What the screen shows where the tray icon is, read again when something
// is drawn there though nothing moves: the icon drawing itself, or the tray
// drawing over the icon's place. A window of the test stands for the tray,
// its child for the icon; no window manager, so the tray is a top-level.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "app/platform/x11/xcb_tray_ground.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

constexpr std::uint32_t dark = 0x202020, light = 0xeeeeee, grey = 0x808080;

// The red channel of the picture's middle pixel.
int middle(const Image& shown) {
    const std::size_t at = (static_cast<std::size_t>(shown.height / 2) * shown.width + shown.width / 2) * 4;
    return shown.rgba[at];
}

struct Windows {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_window_t tray = 0;
    xcb_window_t icon = 0;

    Windows() {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        tray = xcb_generate_id(c);
        icon = xcb_generate_id(c);
        const std::uint32_t ground[] = {dark};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, tray, screen->root, 100, 100, 72, 32, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, ground);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, icon, tray, 24, 4, 24, 24, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_BACK_PIXEL, ground);
        xcb_map_window(c, icon);
        xcb_map_window(c, tray);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // mapped before it is read
    }
    ~Windows() { xcb_disconnect(c); }

    // Fills `on` with `colour`; the tray's fill reaches into the icon.
    void fill(xcb_window_t on, std::uint32_t colour) {
        const xcb_gcontext_t gc = xcb_generate_id(c);
        const std::uint32_t values[] = {colour, XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS};
        xcb_create_gc(c, gc, on, XCB_GC_FOREGROUND | XCB_GC_SUBWINDOW_MODE, values);
        const xcb_rectangle_t all{0, 0, 200, 200};
        xcb_poly_fill_rectangle(c, on, gc, 1, &all);
        xcb_free_gc(c, gc);
        xcb_flush(c);
    }
};

TEST(XcbTrayGround, WhatIsDrawnOverTheIconsPlaceIsReadAgain) {
    Windows w;
    ASSERT_EQ(xcb_connection_has_error(w.c), 0);
    std::vector<SharedImage> told;
    XcbTrayGround ground(w.icon, [&](SharedImage shown) { told.push_back(std::move(shown)); });
    ASSERT_TRUE(waitFor([&] { return !told.empty(); })) << "the first picture";
    ASSERT_TRUE(told.back());
    EXPECT_EQ(told.back()->width, 24);
    EXPECT_EQ(middle(*told.back()), 0x20);

    struct Case {
        const char* what;
        std::function<xcb_window_t()> drawnOn;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {"the icon draws itself", [&] { return w.icon; }, light},
        {"the tray draws over the icon's place", [&] { return w.tray; }, grey},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t before = told.size();
        w.fill(c.drawnOn(), c.colour);
        EXPECT_TRUE(waitFor([&] {
            return told.size() > before && told.back() && middle(*told.back()) == int(c.colour & 0xff);
        })) << told.size() - before << " new pictures";
    }

    // The icon destroyed: nothing is shown there any more.
    xcb_destroy_window(w.c, w.icon);
    xcb_flush(w.c);
    EXPECT_TRUE(waitFor([&] { return !told.back(); }));
}

}  // namespace
}  // namespace kestrove
