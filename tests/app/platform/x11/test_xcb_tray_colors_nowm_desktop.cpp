// The text colour a tray publishes, followed as trays come, change their
// colours and go. The test plays the tray: it takes the tray selection,
// tells the root with a MANAGER message and sets the colours property.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/platform/x11/xcb_tray_colors.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

struct Tray {
    xcb_connection_t* c;
    int screenNumber = 0;
    xcb_window_t root = 0;
    xcb_window_t window = 0;

    Tray() : c(xcb_connect(nullptr, &screenNumber)) {
        auto roots = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&roots);
        root = roots.data->root;
    }
    ~Tray() { xcb_disconnect(c); }

    xcb_atom_t atom(const std::string& name) {
        auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.c_str()), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }
    // The text colour in 16-bit channels, then error, warning and success.
    void publish(std::uint16_t red, std::uint16_t green, std::uint16_t blue) {
        const std::uint32_t words[12] = {red, green, blue, 0xffff, 0, 0, 0xffff, 0xffff, 0, 0, 0xffff, 0};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom("_NET_SYSTEM_TRAY_COLORS"), XCB_ATOM_CARDINAL, 32,
                            12, words);
        xcb_flush(c);
    }
    // A tray starts: its window with its colours, the selection, the message.
    void start(std::uint16_t red, std::uint16_t green, std::uint16_t blue) {
        window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        publish(red, green, blue);
        const xcb_atom_t selection = atom("_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
        xcb_set_selection_owner(c, window, selection, XCB_CURRENT_TIME);
        xcb_client_message_event_t manager;
        std::memset(&manager, 0, sizeof manager);
        manager.response_type = XCB_CLIENT_MESSAGE;
        manager.format = 32;
        manager.window = root;
        manager.type = atom("MANAGER");
        manager.data.data32[0] = XCB_CURRENT_TIME;
        manager.data.data32[1] = selection;
        manager.data.data32[2] = window;
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&manager));
        xcb_flush(c);
    }
    void end() {
        xcb_destroy_window(c, window);
        xcb_flush(c);
    }
};

TEST(XcbTrayColors, TheTraysTextColourAsTraysComeChangeAndGo) {
    Tray tray;
    ASSERT_EQ(xcb_connection_has_error(tray.c), 0);
    std::vector<std::optional<Rgb>> told;
    XcbTrayColors colors([&](std::optional<Rgb> text) { told.push_back(text); });

    struct Step {
        const char* what;
        std::function<void()> act;
        std::optional<Rgb> text;
    };
    const Step steps[] = {
        {"a tray starts", [&] { tray.start(0xffff, 0x8000, 0x0000); }, Rgb{255, 128, 0}},
        {"it changes its colours", [&] { tray.publish(0x1234, 0xffff, 0x00ff); }, Rgb{0x12, 255, 0}},
        {"it ends", [&] { tray.end(); }, std::nullopt},
        {"another starts", [&] { tray.start(0, 0, 0xffff); }, Rgb{0, 0, 255}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        const std::size_t before = told.size();
        s.act();
        ASSERT_TRUE(waitFor([&] { return told.size() > before; }));
        EXPECT_EQ(told.size(), before + 1) << "told once";
        EXPECT_EQ(told.back(), s.text);
    }

    // Followed from its start where a tray runs already.
    std::optional<std::optional<Rgb>> atStart;
    XcbTrayColors later([&](std::optional<Rgb> text) { atStart = text; });
    ASSERT_TRUE(waitFor([&] { return atStart.has_value(); }));
    EXPECT_EQ(*atStart, (Rgb{0, 0, 255}));
}

}  // namespace
}  // namespace kestrove
