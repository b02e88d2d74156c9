// The hot key against a real X server: xdotool presses it as a user would.
#include <gtest/gtest.h>

#include <QProcess>

#include <xcb/xcb_keysyms.h>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_hot_key.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/stderr_capture.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

constexpr xcb_keysym_t b = 0x62;
constexpr std::uint16_t altShift = XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT;

void run(const QString& program, const QStringList& args) {
    ASSERT_EQ(QProcess::execute(program, args), 0) << program.toStdString() << " " << args.join(' ').toStdString();
}

// Presses and counts what reached the action once the event loop came round.
struct Presses {
    int count = 0;
    std::unique_ptr<XcbHotKey> key = XcbHotKey::grab(b, altShift, [this] { ++count; });

    bool press(const QString& keys, int expected) {
        run("xdotool", {"key", keys});
        return waitFor([&] { return count == expected; }) && count == expected;
    }
    // Pressed until it arrives: presses before a new keymap is taken up are lost.
    bool pressUntil(const QString& keys, int expected) {
        for (int i = 0; i < 20 && count < expected; ++i) {
            run("xdotool", {"key", keys});
            waitFor([&] { return count >= expected; }, 250);
        }
        return count == expected;
    }
    bool stillAt(int expected) {
        waitFor([] { return false; }, 300);
        return count == expected;
    }
};

// Another client holding the combination.
struct Holder {
    XcbConnection x;
    std::vector<xcb_keycode_t> codes;
    Holder() {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(x.get());
        xcb_keycode_t* found = xcb_key_symbols_get_keycode(symbols, b);
        for (xcb_keycode_t* k = found; k && *k != XCB_NO_SYMBOL; ++k) codes.push_back(*k);
        std::free(found);
        xcb_key_symbols_free(symbols);
    }
    // The X error code of grabbing it, 0 when granted.
    int grab() {
        auto error = adopt(xcb_request_check(
            x.get(), xcb_grab_key_checked(x.get(), 1, x.root(), altShift, codes.at(0), XCB_GRAB_MODE_ASYNC,
                                          XCB_GRAB_MODE_ASYNC)));
        return error ? error->error_code : 0;
    }
};

TEST(HotKey, PressRunsTheActionWhateverTheLocks) {
    Presses presses;
    ASSERT_TRUE(presses.key);
    // No lock, NumLock, both, CapsLock; then none again.
    int pressed = 0;
    for (const char* lock : {"", "Num_Lock", "Caps_Lock", "Num_Lock"}) {
        if (*lock) run("xdotool", {"key", lock});
        EXPECT_TRUE(presses.press("alt+shift+b", ++pressed)) << "after " << lock;
    }
    run("xdotool", {"key", "Caps_Lock"});
    for (const char* other : {"alt+b", "shift+b", "ctrl+alt+shift+b", "alt+shift+n"}) {
        run("xdotool", {"key", other});
        EXPECT_TRUE(presses.stillAt(4)) << other;
    }
}

TEST(HotKey, FollowsTheKeyToItsNewPlaceInTheKeymap) {
    Presses presses;
    ASSERT_TRUE(presses.key);
    Holder probe;
    ASSERT_FALSE(probe.codes.empty());
    // B moves to a keycode nothing uses; the old one types nothing.
    const int old = probe.codes.front();
    run("xmodmap", {"-e", QStringLiteral("keycode %1 =").arg(old), "-e", "keycode 250 = b B"});
    EXPECT_TRUE(presses.pressUntil("alt+shift+b", 1));
    EXPECT_EQ(Holder().codes, std::vector<xcb_keycode_t>{250}) << "xdotool pressed the new keycode";
}

TEST(HotKey, AGrabHeldElsewhereIsRefusedAndReleasingFreesIt) {
    {
        Holder other;
        ASSERT_EQ(other.grab(), 0);
        testing::StderrCapture log;
        EXPECT_EQ(Presses().key, nullptr);
        EXPECT_NE(log.text().find("Kestrove: could not register hotkey: Alt+Shift+B is taken by another program\n"),
                  std::string::npos)
            << log.text();
    }
    {
        Presses presses;
        ASSERT_TRUE(presses.key) << "the failed attempt left nothing behind";
        EXPECT_EQ(Holder().grab(), 10) << "held while it lives";
    }
    EXPECT_EQ(Holder().grab(), 0) << "released with it";
}

}  // namespace
}  // namespace kestrove
