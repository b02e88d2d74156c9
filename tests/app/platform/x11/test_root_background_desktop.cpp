// A display box on the bare root with one of our windows over part of it:
// what lies under ours is the root's background as the server paints it (a
// solid colour, or the desktop's picture when one is published), else, when
// nothing honest can be had (a pattern, a compositor's own painting), the
// last picture of the box; never seen, the box is still read around it.
#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <functional>

#include "app/platform/own_windows.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/platform_boxes.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

bool run(const QString& program, const QStringList& args) { return QProcess::execute(program, args) == 0; }

// Sets the root's background: one colour, or vertical stripes of two
// (optionally published as the desktop's picture), as a desktop tool would.
class Root {
public:
    ~Root() {
        if (pixmap_) xcb_free_pixmap(x_.get(), pixmap_);
        xcb_flush(x_.get());
    }
    void solid(const char* colour) {
        forget();
        ASSERT_TRUE(run(QStringLiteral("xsetroot"), {"-solid", colour}));
    }
    void stripes(std::uint32_t a, std::uint32_t b, bool published) {
        forget();
        xcb_connection_t* c = x_.get();
        pixmap_ = xcb_generate_id(c);
        const std::uint16_t w = x_.screen()->width_in_pixels, h = x_.screen()->height_in_pixels;
        xcb_create_pixmap(c, x_.screen()->root_depth, pixmap_, x_.root(), w, h);
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, pixmap_, 0, nullptr);
        for (int x = 0; x < w; x += 8) {
            const std::uint32_t colour = (x / 8) % 2 ? a : b;
            xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &colour);
            const xcb_rectangle_t r{static_cast<std::int16_t>(x), 0, 8, h};
            xcb_poly_fill_rectangle(c, pixmap_, gc, 1, &r);
        }
        xcb_free_gc(c, gc);
        xcb_change_window_attributes(c, x_.root(), XCB_CW_BACK_PIXMAP, &pixmap_);
        xcb_clear_area(c, 0, x_.root(), 0, 0, 0, 0);
        if (published)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, x_.root(), x_.atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP, 32, 1,
                                &pixmap_);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // all of it done
    }

private:
    void forget() {
        xcb_delete_property(x_.get(), x_.root(), x_.atom("_XROOTPMAP_ID"));
        std::free(xcb_get_input_focus_reply(x_.get(), xcb_get_input_focus(x_.get()), nullptr));
    }
    XcbConnection x_;
    xcb_pixmap_t pixmap_ = 0;
};

struct RootUnderOurs : ::testing::Test {
    QtScreens screens;
    std::shared_ptr<OwnWindows> own = std::make_shared<OwnWindows>();
    XcbScreenCapturer capturer{screens, own};
    XcbScreenCapturer screen{screens};  // as it shows, ours included
    desktop::TestWindow window;         // its extra windows stand in for ours
    Root root;
    std::unique_ptr<QProcess> compositor;

    void TearDown() override {
        if (!compositor) return;
        compositor->terminate();
        if (!compositor->waitForFinished(3000)) compositor->kill();
        compositor->waitForFinished(2000);
    }

    WatchRegion region(const Rect& box) const { return desktop::select(box, screens).region; }
    Image raw(const Rect& box) {
        const Captured c = screen.captureScreen(region(box));
        return c.ok() ? c.value() : Image{};
    }
    // The screen's picture once two a fifth of a second apart agree (a
    // compositor paints over what the server drew a moment later).
    Image settled(const Rect& box) {
        Image last = raw(box);
        waitFor([&] {
            waitFor([] { return false; }, 200);
            return std::exchange(last, raw(box)).rgba == last.rgba;
        });
        return last;
    }
    // A window of "ours" over `at`, shown on the screen.
    std::uint32_t ours(const Rect& at, const Rect& box) {
        const Image before = settled(box);
        const std::string line = window.command("extra popup " + std::to_string(int(at.x)) + " " + std::to_string(int(at.y)) +
                                                " " + std::to_string(int(at.width)) + " " + std::to_string(int(at.height)));
        const auto id = static_cast<std::uint32_t>(std::stoul(line.substr(line.find(' ') + 1)));
        own->set({id, OwnWindow::Kind::floating, std::nullopt});
        EXPECT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(box), before) > 60; })) << "ours shows";
        return id;
    }
    Captured capture(const Rect& box) { return capturer.capture(region(box)); }
};

// A box whose right half lies under one of ours; the root's background is
// set before the box is first read, then changed while ours covers it.
TEST_F(RootUnderOurs, TheBareRootUnderOursIsItsBackgroundWhenTheServerCanTellIt) {
    struct Case {
        const char* what;
        std::function<void()> before, after;
        bool composited;
        bool told;  // the server tells what lies under ours; else the last picture stands
    };
    const Case cases[] = {
        {"a solid colour", [&] { root.solid("#406080"); }, [&] { root.solid("#a03020"); }, false, true},
        {"the desktop's picture, published", [&] { root.stripes(0x203040, 0xc0a060, true); },
         [&] { root.stripes(0x101010, 0xf0f0f0, true); }, false, true},
        {"a pattern, not published", [&] { root.stripes(0x602020, 0x20a0a0, false); },
         [&] { root.stripes(0x101010, 0xf0f0f0, false); }, false, false},
        {"a compositor's own painting", [&] { root.solid("#406080"); }, [&] { root.solid("#a03020"); }, true, false},
    };
    const auto half = [](const Image& i, int from) {
        Image out(i.width / 2, i.height);
        for (int y = 0; y < i.height; ++y)
            std::copy_n(&i.rgba[(std::size_t(y) * i.width + from) * 4], out.width * 4,
                        &out.rgba[std::size_t(y) * out.width * 4]);
        return out;
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.composited) {
            compositor = std::make_unique<QProcess>();
            compositor->start(QStringLiteral("xcompmgr"), {});
            ASSERT_TRUE(compositor->waitForStarted(5000));
        }
        c.before();
        const Rect box{640.0 + 40 * n, 40.0 + 150 * n, 200, 100};
        ++n;
        const Image bare = settled(box);
        const Captured first = capture(box);
        ASSERT_TRUE(first.ok()) << c.what;
        EXPECT_EQ(desktop::maxChannelDifference(first.value(), bare), 0) << c.what << ": nothing of ours yet";
        const std::uint32_t id = ours({box.x + 100, box.y - 20, 200, box.height + 40}, box);
        const Captured under = capture(box);
        ASSERT_TRUE(under.ok()) << c.what << ": " << under.error().description();
        EXPECT_EQ(desktop::maxChannelDifference(under.value(), bare), 0) << c.what << ": as it was";
        c.after();
        settled(box);
        const Captured later = capture(box);
        ASSERT_TRUE(later.ok()) << c.what;
        ASSERT_TRUE(run(QStringLiteral("xdotool"), {"windowunmap", "--sync", QString::number(id)}));
        const Image truth = settled(box);
        EXPECT_EQ(desktop::maxChannelDifference(half(later.value(), 0), half(truth, 0)), 0) << c.what << ": the shown half";
        EXPECT_EQ(desktop::maxChannelDifference(half(later.value(), 100), half(c.told ? truth : bare, 100)), 0)
            << c.what << (c.told ? ": the hidden half is the new background" : ": the hidden half as last seen");
    }
}

// Parts never seen under ours: a box first read while ours covers part of
// it is judged over a flat ground filled in from what shows; a box ours
// covers whole, never seen, cannot be read at all (for now, under a panel).
TEST_F(RootUnderOurs, PartsNeverSeenAreFilledFromWhatShowsAndAWholeBoxIsUnreadable) {
    root.stripes(0x602020, 0x20a0a0, false);
    const Rect part{700, 300, 200, 100}, whole{700, 450, 200, 100};
    ours({part.x + 150, part.y - 20, 200, part.height + 40}, part);
    const std::uint32_t over = ours({whole.x - 20, whole.y - 20, whole.width + 40, whole.height + 40}, whole);
    const Captured read = capture(part);
    ASSERT_TRUE(read.ok()) << read.error().description();
    const Image shows = raw(part);
    for (int y = 0; y < part.height; y += 9) {
        const std::uint8_t* edge = &read.value().rgba[(std::size_t(y) * 200 + 149) * 4];
        for (int x = 0; x < 150; x += 7)
            EXPECT_EQ(read.value().rgba[(std::size_t(y) * 200 + x) * 4], shows.rgba[(std::size_t(y) * 200 + x) * 4]);
        for (int x = 150; x < 200; x += 7)
            EXPECT_TRUE(std::equal(edge, edge + 4, &read.value().rgba[(std::size_t(y) * 200 + x) * 4]))
                << "row " << y << ": the hidden part takes the last pixel seen beside it";
    }
    // Under a panel it is read again once the panel goes; under a window
    // that stays, it is unreadable.
    for (const auto& [passing, error] : {std::pair(true, CaptureError::Kind::coveredForNow),
                                         std::pair(false, CaptureError::Kind::unpainted)}) {
        own->set({over, OwnWindow::Kind::floating, std::nullopt, passing});
        const Captured none = capture(whole);
        ASSERT_FALSE(none.ok());
        EXPECT_EQ(none.error().kind, error);
    }
}

}  // namespace
}  // namespace kestrove
