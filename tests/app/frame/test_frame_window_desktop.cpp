// The frame window on an X server, with and without a compositing manager:
// what the screen shows, where clicks go, how it follows and stays on top.
// The screen around a frame is left in <build>/snapshots/frame_desktop.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include <cmath>

#include <unistd.h>

#include "app/frame/frame_layout.hpp"
#include "app/frame/frame_window.hpp"
#include "app/frame/widget_frame_factory.hpp"
#include "app/platform/x11/x11_frame_desktop.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/queued_window_list.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/window_tracker.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "app/platform/x11/xcb_windows.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/offscreen_app.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::waitFor;

void xdotool(const QStringList& args) { ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0); }

bool red(const Image& image, int x, int y) {
    const auto* p = &image.rgba[(std::size_t(y) * image.width + x) * 4];
    return std::abs(p[0] - 217) <= 3 && std::abs(p[1] - 43) <= 3 && std::abs(p[2] - 33) <= 3;
}

// Pixel for pixel the same in both pictures, within (x, y, w, h).
bool same(const Image& a, const Image& b, int x, int y, int w, int h) {
    const auto ca = cut(a, x, y, w, h), cb = cut(b, x, y, w, h);
    return ca && cb && desktop::maxChannelDifference(*ca, *cb) == 0;
}

struct FrameOnDesktop : ::testing::Test {
    QtScreens screens;
    XcbWindowList windows;
    XcbConnection x;
    XcbScreenCapturer capturer{screens};
    std::unique_ptr<QProcess> compositor;  // xcompmgr, stopped by its own pid
    std::shared_ptr<OwnWindows> own = std::make_shared<OwnWindows>();
    std::unique_ptr<X11FrameDesktop> desk;
    std::unique_ptr<WidgetFrameFactory> factory;
    std::shared_ptr<std::chrono::milliseconds> lastStepLate = std::make_shared<std::chrono::milliseconds>(0);
    std::unique_ptr<desktop::TestWindow> window;
    Rect client;

    void compose(bool on) {
        if (compositor) {
            compositor->terminate();
            if (!compositor->waitForFinished(3000)) compositor->kill();
            compositor->waitForFinished(2000);
            compositor.reset();
        }
        if (!on) return;
        compositor = std::make_unique<QProcess>();
        compositor->start(QStringLiteral("xcompmgr"), {});
        ASSERT_TRUE(compositor->waitForStarted(5000));
    }
    void start(bool compositing) {
        compose(compositing);
        desk = std::make_unique<X11FrameDesktop>();
        ASSERT_TRUE(waitFor([&] { return desk->compositing() == compositing; }));
        // The real timers, noting how late the latest step came.
        factory = std::make_unique<WidgetFrameFactory>(
            screens, *desk,
            [late = lastStepLate](std::chrono::milliseconds wait, std::function<void(std::chrono::milliseconds)> then) {
                qtFrameDelay()(wait, [late, then = std::move(then)](std::chrono::milliseconds l) {
                    *late = l;
                    then(l);
                });
            },
            own);
        window = std::make_unique<desktop::TestWindow>();
        client = window->where();
        ASSERT_TRUE(desktop::waitUntilListedAt(windows, window->id(), client));
    }
    void TearDown() override {
        window.reset();
        factory.reset();
        desk.reset();
        compose(false);
    }

    Rect onScreen(const tw::Box& b) const { return {client.x + b.x, client.y + b.y, double(b.w), double(b.h)}; }
    SelectedRegion select(const Rect& box) const {
        return SelectedRegion::make(*ScreenSpace::screenFor(box, screens.screens()), box);
    }
    Image shot(const Rect& r) {
        const Captured c = capturer.capture(select(r).region);
        return c.ok() ? c.value() : Image{};
    }
    // The screen's picture once two in a row agree.
    Image settledShot(const Rect& r) {
        Image last = shot(r);
        waitFor([&] { return std::exchange(last, shot(r)).rgba == last.rgba; });
        return last;
    }
    FrameWindow* newest() const { return factory->windows().back(); }
    // Where the frame told OwnWindows it paints, global points.
    std::vector<Rect> painted(const FrameWindow& frame) const {
        std::vector<Rect> out;
        const Point corner{std::floor(frame.geometry().x), std::floor(frame.geometry().y)};
        for (const OwnWindow& w : *own->all())
            if (w.id == frame.windowId() && w.kind == OwnWindow::Kind::frame && w.painted)
                for (const Rect& r : *w.painted) out.push_back(r.offsetBy(corner.x, corner.y));
        return out;
    }
    // Where a window is in the X server's stacking of shown windows, front to
    // back. Not our window list: that leaves our own frames out.
    std::optional<std::size_t> placeOf(std::uint32_t id) {
        const auto desk = xcbwindows::desk(x);
        const auto order = xcbwindows::stacking(x, desk);
        std::size_t place = 0;
        for (const auto& w : xcbwindows::describe(x, order, desk, 1, ::getpid())) {
            if (!w || !w->isOnScreen) continue;
            if (w->id == id) return place;
            ++place;
        }
        return std::nullopt;
    }
};

struct FrameOnScreen : FrameOnDesktop, ::testing::WithParamInterface<bool> {
    void SetUp() override { start(GetParam()); }
};

TEST_P(FrameOnScreen, RingAroundTheBoxLetsClicksThroughAndTheInsideStaysTheScreensOwnAlsoAfterAFlash) {
    const Rect box = onScreen(tw::price);
    // The frame window's area: 5 beyond the box, 23 above it for the tag.
    const Rect area{box.x - 5, box.y - 23, box.width + 10, box.height + 28};
    const int bx = 5, by = 23, w = tw::price.w, h = tw::price.h, midY = by + h / 2;
    // A compositor that just started may not have drawn the window yet.
    const Image own = window->grab(tw::price.x, tw::price.y, w, h);
    ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(shot(box), own) == 0; }));
    const Image before = settledShot(area);

    auto frame = factory->make(select(box).region, WatchStatus::watching, 5);
    ASSERT_TRUE(waitFor([&] { return red(shot(area), bx - 1, midY); }));
    const Image after = settledShot(area);
    const Image screen = shot(ScreenSpace::displays(screens.screens()).front());
    offscreen::saveSnapshot(QImage(screen.rgba.data(), screen.width, screen.height, QImage::Format_RGBA8888).copy(),
                            QStringLiteral("frame_desktop"), GetParam() ? "composited" : "masked");
    EXPECT_TRUE(red(after, bx - 2, midY) && red(after, bx + w, midY)) << "left and right";
    EXPECT_TRUE(red(after, bx + 100, by - 1) && red(after, bx + 100, by + h)) << "top and bottom";
    EXPECT_TRUE(red(after, 5, 10)) << "the tag";
    EXPECT_TRUE(same(after, before, bx, by, w, h)) << "the inside, pixel for pixel";
    EXPECT_TRUE(same(after, before, 160, 0, 280, 18)) << "beside the tag: nothing painted, never black";

    // Clicks on the red line, inside the box and on the tag reach the window underneath.
    for (const QPoint p : {QPoint(box.x - 2, box.y + 16), QPoint(box.x + 60, box.y + 16), QPoint(box.x + 6, box.y - 12)}) {
        int before = 0, n = 0, x = 0, y = 0;
        std::sscanf(window->command("clicks").c_str(), "clicks %d", &before);
        xdotool({"mousemove", "--sync", QString::number(p.x()), QString::number(p.y()), "click", "1"});
        ASSERT_TRUE(waitFor([&] {
            std::sscanf(window->command("clicks").c_str(), "clicks %d %d %d", &n, &x, &y);
            return n == before + 1;
        })) << p.x() << "," << p.y();
        EXPECT_EQ(QPoint(x, y), p - QPoint(client.x, client.y));
    }
    EXPECT_FALSE(newest()->isActiveWindow()) << "never focused";

    // Side by side and hidden frames' flashes are the controller's own test;
    // here the real timers give the 1.8 s.
    std::optional<qint64> doneAt;
    QElapsedTimer clock;
    clock.start();
    frame->flash("10:42", [&] { doneAt = clock.elapsed(); });
    ASSERT_TRUE(waitFor([&] {
        const Image now = shot(area);
        const auto* p = &now.rgba[(std::size_t(midY) * now.width + bx + 200) * 4];
        return p[0] > p[1] + 50 && p[0] > p[2] + 50;
    })) << "the fill shows during the flash";
    ASSERT_TRUE(waitFor([&] { return doneAt.has_value(); }, 3000));
    // Steps that came late are caught up by the next ones; only the last
    // one's own lateness (a busy machine's) is left at the end.
    const long long lastLate = lastStepLate->count();
    EXPECT_NEAR(*doneAt - lastLate, 1800, 200) << "its last step came " << lastLate << " ms late";
    std::printf("a flash completed after %lld ms, its last step %lld ms late\n", static_cast<long long>(*doneAt),
                lastLate);
    EXPECT_TRUE(waitFor([&] { return same(shot(area), before, bx, by, w, h); }, 1000)) << "the inside is its own again";
}

TEST_P(FrameOnScreen, AScreenSizedBoxHasItsRingOnEverySideAndItsFlashFillsItToTheFarCorner) {
    const Rect display = ScreenSpace::displays(screens.screens()).front();
    const Rect box{display.x + 40, display.y + 40, display.width - 80, display.height - 80};
    const Rect area{box.x - 5, box.y - 23, box.width + 10, box.height + 28};
    const Image before = settledShot(area);
    auto frame = factory->make(select(box).region, WatchStatus::watching, 5);
    // In the area's picture: the box starts at (5, 23).
    const int l = 5, t = 23, r = l + int(box.width), b = t + int(box.height);
    ASSERT_TRUE(waitFor([&] { return red(shot(area), r, b - 60); }));
    const Image after = settledShot(area);
    const auto keep = [&](const Image& i, const char* name) {
        offscreen::saveSnapshot(QImage(i.rgba.data(), i.width, i.height, QImage::Format_RGBA8888).copy(),
                                QStringLiteral("frame_desktop"),
                                QString::fromLatin1(GetParam() ? "composited_" : "masked_") + QLatin1String(name));
    };
    keep(after, "large");
    for (const QPoint p : {QPoint(l - 1, t + 60), QPoint(l - 1, b - 60), QPoint(r, t + 60), QPoint(r, b - 60),
                           QPoint(l + 100, t - 1), QPoint(r - 100, t - 1), QPoint(l + 100, b), QPoint(r - 100, b)})
        EXPECT_TRUE(red(after, p.x(), p.y())) << p.x() << "," << p.y();
    EXPECT_TRUE(red(after, 5, 10)) << "the tag";
    // Along the inside of its edges (the test window further in has a life of its own).
    const auto insideEdges = [&](const Image& now) {
        return same(now, before, l, t, 12, b - t) && same(now, before, r - 12, t, 12, b - t) &&
               same(now, before, l, t, r - l, 12) && same(now, before, l, b - 12, r - l, 12);
    };
    EXPECT_TRUE(insideEdges(after)) << "the inside, pixel for pixel";
    EXPECT_TRUE(same(after, before, 160, 0, 280, 18)) << "beside the tag";

    bool done = false;
    frame->flash("10:42", [&] { done = true; });
    auto filled = [&](const Image& now, int x, int y) {
        const auto* p = &now.rgba[(std::size_t(y) * now.width + x) * 4];
        return p[0] > p[1] + 50 && p[0] > p[2] + 50;
    };
    Image lit;
    ASSERT_TRUE(waitFor([&] {
        lit = shot(area);
        return filled(lit, l + 10, t + 10) && filled(lit, r - 10, b - 10) && filled(lit, (l + r) / 2, (t + b) / 2);
    })) << "the fill reaches every corner";
    keep(lit, "large_flash");
    ASSERT_TRUE(waitFor([&] { return done; }, 3000));
    EXPECT_TRUE(waitFor([&] { return insideEdges(shot(area)); }, 1000)) << "the inside is its own again";
    EXPECT_TRUE(red(shot(area), r, b - 60)) << "the ring stays";
}

INSTANTIATE_TEST_SUITE_P(Compositor, FrameOnScreen, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "WithCompositor" : "WithoutCompositor"; });

TEST_F(FrameOnDesktop, BoundFrameFollowsItsWindowHidesWhileCoveredAndReturns) {
    start(false);
    const WatchRegion region = WindowBinder::bind(select(onScreen(tw::status)), windows, screens).region;
    ASSERT_TRUE(region.window);
    auto frame = factory->make(region, WatchStatus::watching, 5);
    FrameWindow* shown = newest();
    EXPECT_FALSE(shown->isShown()) << "waits for the tracker";

    // As the watch manager drives it.
    QueuedWindowList queued(mainThreadExecutor(), [] { return std::make_unique<XcbWindowList>(); }, screens);
    WindowTracker tracker(queued, screens);
    tracker.setOnTick([&](const std::vector<WindowInfo>& list, const std::vector<Rect>& displays) {
        frame->follow(WindowTracking::framePlace(*region.window, region.size(), list, displays));
    });
    tracker.setRunning(true);
    auto expected = [&] {
        const Rect box = onScreen(tw::status);
        return FrameGeometry::around(box, ScreenSpace::screenFor(box, screens.screens())->frame).window;
    };
    ASSERT_TRUE(waitFor([&] { return shown->isShown() && shown->geometry() == expected(); }));

    const Rect before = client;
    xdotool({"windowmove", QString::number(window->id()), QString::number(before.x + 150), "300"});
    // Timed from when the server has the window moved: on a busy machine
    // xdotool's own start can take longer than the tracker's two ticks.
    ASSERT_TRUE(waitFor([&] {
        client = window->where();
        return client.x > before.x + 100;
    }));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitFor([&] { return shown->geometry() == expected(); }));
    std::printf("the frame followed its window from x %g to %g after %lld ms\n", before.x, client.x,
                static_cast<long long>(clock.elapsed()));
    EXPECT_LT(clock.elapsed(), 2 * WindowTracker::interval.count() + 200);
    EXPECT_EQ(newest(), shown) << "the same window, moved";

    ASSERT_NE(window->cover(), 0u);
    ASSERT_TRUE(waitFor([&] { return !shown->isShown() && !placeOf(shown->windowId()); })) << "hidden while covered";
    window->command("uncover");
    ASSERT_TRUE(waitFor([&] { return shown->isShown() && placeOf(shown->windowId()); })) << "back once uncovered";
}

TEST_F(FrameOnDesktop, FrameFollowsTheCompositorAndStaysAboveWindowsRaisedOverIt) {
    start(false);
    const Rect box = onScreen(tw::price);
    auto frame = factory->make(select(box).region, WatchStatus::watching, 5);
    // Without a compositor a window of another depth than the screen's is
    // composed by the server itself, at a cost that grows with its size.
    auto depth = [&] {
        const auto g = adopt(xcb_get_geometry_reply(x.get(), xcb_get_geometry(x.get(), newest()->windowId()), nullptr));
        return g ? int(g->depth) : 0;
    };
    EXPECT_FALSE(newest()->mask().isEmpty());
    EXPECT_EQ(depth(), x.screen()->root_depth);
    compose(true);
    ASSERT_TRUE(waitFor([&] { return newest()->compositing() && newest()->mask().isEmpty(); }));
    EXPECT_EQ(depth(), 32) << "translucent for the compositor";
    compose(false);
    ASSERT_TRUE(waitFor([&] { return !newest()->compositing() && !newest()->mask().isEmpty(); }));
    EXPECT_EQ(depth(), x.screen()->root_depth);
    const Image own = window->grab(tw::price.x, tw::price.y, tw::price.w, tw::price.h);
    EXPECT_EQ(desktop::maxChannelDifference(settledShot(box), own), 0);
    // Where it paints, for the display checks: never its quiet box.
    EXPECT_FALSE(painted(*newest()).empty());
    for (const Rect& a : painted(*newest())) EXPECT_FALSE(a.intersects(box));

    const std::uint32_t id = newest()->windowId();
    ASSERT_TRUE(waitFor([&] { return placeOf(id).has_value(); }));
    // Let the raise that comes with showing it reach the server first.
    waitFor([] { return false; }, 500);
    auto above = [&](std::uint32_t other) {
        const auto us = placeOf(id), them = placeOf(other);
        return us && them && *us < *them;  // front to back
    };
    // Over the tag and the ring's top-left corner, not the whole box.
    for (const char* kind : {"popup", "above"}) {
        const std::uint32_t other = window->extra(kind, {box.x - 20, box.y - 40, 150, 50});
        ASSERT_TRUE(other && waitFor([&] { return placeOf(other).has_value(); })) << kind;
        EXPECT_TRUE(waitFor([&] { return above(other); })) << kind;
    }
    window->command("raise");
    EXPECT_TRUE(waitFor([&] { return above(window->id()); })) << "the test window raised";
    frame->close();
    EXPECT_TRUE(factory->windows().empty());
    EXPECT_TRUE(waitFor([&] { return !this->own->isOurs(id); })) << "no longer ours once it is gone";
}

}  // namespace
}  // namespace kestrove
