// The frame window on an X server, with and without a compositing manager:
// what the screen shows, where clicks go, how it follows and stays on top.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include "app/frame/frame_layout.hpp"
#include "app/frame/frame_window.hpp"
#include "app/frame/widget_frame_factory.hpp"
#include "app/frame/x11_frame_desktop.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/window_tracker.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/offscreen_app.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::waitFor;

// xcompmgr for as long as it lives, stopped by its own pid.
class Compositor {
public:
    Compositor() {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("xcompmgr"), {});
        process_.waitForStarted(5000);
    }
    ~Compositor() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }

private:
    QProcess process_;
};

void xdotool(const QStringList& args) { ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0) << args.join(' ').toStdString(); }

Image part(const Image& from, int x, int y, int w, int h) {
    Image out(w, h);
    for (int row = 0; row < h; ++row)
        std::copy_n(&from.rgba[(std::size_t(y + row) * from.width + x) * 4], std::size_t(w) * 4, &out.rgba[std::size_t(row) * w * 4]);
    return out;
}

void save(const Image& image, const QString& name) {
    offscreen::saveSnapshot(QImage(image.rgba.data(), image.width, image.height, QImage::Format_RGBA8888).copy(),
                            QStringLiteral("frame_desktop"), name);
}

std::array<int, 3> rgb(const Image& image, int x, int y) {
    const auto* p = &image.rgba[(std::size_t(y) * image.width + x) * 4];
    return {p[0], p[1], p[2]};
}

bool red(const Image& image, int x, int y) {
    const auto [r, g, b] = rgb(image, x, y);
    return std::abs(r - 217) <= 3 && std::abs(g - 43) <= 3 && std::abs(b - 33) <= 3;
}

std::optional<std::size_t> placeOf(const std::vector<WindowInfo>& list, std::uint32_t id) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].id == id) return i;
    return std::nullopt;
}

struct FrameOnDesktop : ::testing::Test {
    QtScreens screens;
    XcbWindowList windows;
    XcbScreenCapturer capturer{screens};
    std::unique_ptr<Compositor> compositor;
    std::unique_ptr<X11FrameDesktop> desk;
    std::unique_ptr<WidgetFrameFactory> factory;
    std::unique_ptr<desktop::TestWindow> window;
    Rect client;

    void start(bool compositing) {
        if (compositing) compositor = std::make_unique<Compositor>();
        desk = std::make_unique<X11FrameDesktop>();
        ASSERT_TRUE(desk->isConnected());
        if (compositing) {
            ASSERT_TRUE(waitFor([&] { return desk->compositing(); }));
        }
        ASSERT_EQ(desk->compositing(), compositing);
        factory = std::make_unique<WidgetFrameFactory>(screens, *desk);
        window = std::make_unique<desktop::TestWindow>();
        client = window->where();
        ASSERT_TRUE(desktop::waitUntilListedAt(windows, window->id(), client));
    }
    void TearDown() override {
        window.reset();
        factory.reset();
        desk.reset();
        compositor.reset();
    }

    Rect onScreen(const tw::Box& b) const { return {client.x + b.x, client.y + b.y, double(b.w), double(b.h)}; }
    SelectedRegion select(const Rect& box) const {
        return SelectedRegion::make(*ScreenSpace::screenFor(box, screens.screens()), box);
    }
    Image shot(const Rect& r) {
        const Captured c = capturer.capture(select(r).region);
        EXPECT_TRUE(c.ok());
        return c.ok() ? c.image() : Image{};
    }
    // The screen's picture once two in a row agree.
    Image settledShot(const Rect& r) {
        Image last = shot(r), now;
        waitFor([&] {
            now = shot(r);
            const bool same = now.rgba == last.rgba;
            last = now;
            return same;
        });
        return last;
    }
    FrameWindow* newest() const { return factory->windows().back(); }
    bool listed(std::uint32_t id) {
        return placeOf(windows.list(WindowListOptions::onScreenOnly), id).has_value();
    }
    std::pair<int, QPoint> clicks() {
        int n = 0, x = 0, y = 0;
        std::sscanf(window->command("clicks").c_str(), "clicks %d %d %d", &n, &x, &y);
        return {n, {x, y}};
    }
};

// What a screenshot shows, and where clicks go, with and without a compositor.
struct FrameOnScreen : FrameOnDesktop, ::testing::WithParamInterface<bool> {
    void SetUp() override { start(GetParam()); }
};

TEST_P(FrameOnScreen, RingAroundTheBoxWhoseInsideStaysTheScreensOwnAlsoAfterAFlash) {
    const Rect box = onScreen(tw::price);
    // The frame window's area: 5 beyond the box, 23 above it for the tag.
    const Rect area{box.x - 5, box.y - 23, box.width + 10, box.height + 28};
    const int bx = 5, by = 23, midY = by + tw::price.h / 2;
    const Image before = settledShot(area);

    auto frame = factory->make(select(box).region, WatchStatus::watching, 5);
    ASSERT_TRUE(waitFor([&] { return red(shot(area), bx - 1, midY); })) << "the red line left of the box";
    const Image after = settledShot(area);
    const QString mode = GetParam() ? QStringLiteral("composited") : QStringLiteral("masked");
    save(before, mode + QStringLiteral("_before"));
    save(after, mode);
    EXPECT_TRUE(red(after, bx - 2, midY));
    EXPECT_TRUE(red(after, bx + tw::price.w, midY)) << "right";
    EXPECT_TRUE(red(after, bx + 100, by - 1)) << "top";
    EXPECT_TRUE(red(after, bx + 100, by + tw::price.h)) << "bottom";
    EXPECT_TRUE(red(after, 5, 10)) << "the tag";
    EXPECT_EQ(desktop::maxChannelDifference(part(after, bx, by, tw::price.w, tw::price.h),
                                            part(before, bx, by, tw::price.w, tw::price.h)),
              0)
        << "the inside, pixel for pixel";
    EXPECT_EQ(desktop::maxChannelDifference(part(after, 160, 0, 280, 18), part(before, 160, 0, 280, 18)), 0)
        << "beside the tag: nothing painted there, never black";

    bool done = false;
    frame->flash("10:42", [&] { done = true; });
    ASSERT_TRUE(waitFor([&] {
        const auto [r, g, b] = rgb(shot(area), bx + 200, midY);
        return r > g + 50 && r > b + 50;
    })) << "the fill shows during the flash";
    ASSERT_TRUE(waitFor([&] { return done; }, 3000));
    EXPECT_TRUE(waitFor([&] {
        return desktop::maxChannelDifference(part(shot(area), bx, by, tw::price.w, tw::price.h),
                                             part(before, bx, by, tw::price.w, tw::price.h)) == 0;
    }, 1000)) << "the inside is the screen's own again";
}

TEST_P(FrameOnScreen, ClicksOnTheRingTheBoxAndTheTagReachTheWindowUnderneath) {
    const Rect box = onScreen(tw::price);
    auto frame = factory->make(select(box).region, WatchStatus::watching, 5);
    ASSERT_TRUE(waitFor([&] { return red(shot(box.offsetBy(-2, 0)), 0, 10); }));
    const QPoint points[] = {
        {int(box.x) - 2, int(box.y) + 16},   // the red line
        {int(box.x) + 60, int(box.y) + 16},  // inside the box
        {int(box.x) + 6, int(box.y) - 12},   // the tag
    };
    for (const QPoint& p : points) {
        const int before = clicks().first;
        xdotool({"mousemove", "--sync", QString::number(p.x()), QString::number(p.y()), "click", "1"});
        std::pair<int, QPoint> now;
        ASSERT_TRUE(waitFor([&] { return (now = clicks()).first == before + 1; })) << p.x() << "," << p.y();
        EXPECT_EQ(now.second, p - QPoint(int(client.x), int(client.y)));
    }
    EXPECT_FALSE(newest()->isActiveWindow()) << "never focused";
}

INSTANTIATE_TEST_SUITE_P(Compositor, FrameOnScreen, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "WithCompositor" : "WithoutCompositor"; });

TEST_F(FrameOnDesktop, ACompositorComingAndGoingSwitchesTheShape) {
    start(false);
    const Rect box = onScreen(tw::price);
    auto frame = factory->make(select(box).region, WatchStatus::watching, 5);
    EXPECT_FALSE(newest()->mask().isEmpty());
    compositor = std::make_unique<Compositor>();
    ASSERT_TRUE(waitFor([&] { return newest()->compositing() && newest()->mask().isEmpty(); }));
    compositor.reset();
    ASSERT_TRUE(waitFor([&] { return !newest()->compositing() && !newest()->mask().isEmpty(); }));
    const Image inside = settledShot(box);
    EXPECT_EQ(desktop::maxChannelDifference(inside, window->grab(tw::price.x, tw::price.y, tw::price.w, tw::price.h)), 0);
}

TEST_F(FrameOnDesktop, FlashesCompleteAfterOnePointEightSecondsSideBySideAndWhenHidden) {
    start(false);
    auto a = factory->make(select(onScreen(tw::status)).region, WatchStatus::watching, 5);
    auto b = factory->make(select(onScreen(tw::counter)).region, WatchStatus::watching, 5);
    const auto bound = WindowBinder::bind(select(onScreen(tw::price)), windows, screens);
    ASSERT_TRUE(bound.region.window);
    auto hidden = factory->make(bound.region, WatchStatus::watching, 5);
    hidden->follow(WindowTracking::FramePlace::hide());

    QElapsedTimer clock;
    std::vector<std::pair<char, qint64>> done;
    clock.start();
    for (auto [name, frame] : {std::pair{'a', a.get()}, {'b', b.get()}, {'h', hidden.get()}})
        frame->flash("10:42", [&, name = name] { done.emplace_back(name, clock.elapsed()); });
    ASSERT_TRUE(waitFor([&] { return done.size() == 3; }, 4000));
    waitFor([] { return false; }, 300);
    ASSERT_EQ(done.size(), 3u) << "each completes once";
    for (auto [name, at] : done) {
        EXPECT_NEAR(at, 1800, 200) << name;
        std::printf("flash %c completed after %lld ms\n", name, static_cast<long long>(at));
    }
    EXPECT_FALSE(a->model().flashing);
}

TEST_F(FrameOnDesktop, BoundFrameFollowsItsWindowHidesWhileCoveredAndReturns) {
    start(false);
    const auto bound = WindowBinder::bind(select(onScreen(tw::status)), windows, screens);
    ASSERT_TRUE(bound.region.window);
    const WatchRegion region = bound.region;
    auto frame = factory->make(region, WatchStatus::watching, 5);
    FrameWindow* shown = newest();
    EXPECT_FALSE(shown->isShown()) << "waits for the tracker";

    WindowTracker tracker(windows, screens);
    tracker.setOnTick([&](const std::vector<WindowInfo>& list, const std::vector<Rect>& displays) {
        frame->follow(WindowTracking::framePlace(*region.window, region.size(), list, displays));
    });
    tracker.setRunning(true);
    auto expected = [&] {
        const Rect box = onScreen(tw::status);
        return FrameGeometry::around(box, ScreenSpace::screenFor(box, screens.screens())->frame).window;
    };
    ASSERT_TRUE(waitFor([&] { return shown->isShown() && shown->geometry() == expected(); }));

    QElapsedTimer clock;
    clock.start();
    xdotool({"windowmove", QString::number(window->id()), "400", "300"});
    ASSERT_TRUE(waitFor([&] {
        client = window->where();
        return client.x != tw::defaultX && shown->geometry() == expected();
    }));
    const qint64 followed = clock.elapsed();
    std::printf("the frame followed its window after %lld ms\n", static_cast<long long>(followed));
    EXPECT_LT(followed, 2 * WindowTracker::interval.count() + 200);
    EXPECT_EQ(newest(), shown) << "the same window, moved";

    const std::uint32_t cover = window->cover();
    ASSERT_NE(cover, 0u);
    ASSERT_TRUE(waitFor([&] { return !shown->isShown(); })) << "hidden while the box is covered";
    EXPECT_FALSE(listed(shown->windowId()));
    window->command("uncover");
    ASSERT_TRUE(waitFor([&] { return shown->isShown(); })) << "back once the cover is gone";
    EXPECT_TRUE(waitFor([&] { return listed(shown->windowId()); }));
}

TEST_F(FrameOnDesktop, FrameStaysAboveWindowsRaisedOverIt) {
    start(false);
    const Rect box = onScreen(tw::price);
    auto frame = factory->make(select(box).region, WatchStatus::watching, 5);
    const std::uint32_t id = newest()->windowId();
    ASSERT_TRUE(waitFor([&] { return listed(id); }));
    // Let the raise that comes with showing it reach the server first.
    waitFor([] { return false; }, 500);
    auto above = [&](std::uint32_t other) {
        const auto list = windows.list(WindowListOptions::onScreenOnly);
        const auto us = placeOf(list, id), them = placeOf(list, other);
        return us && them && *us < *them;  // front to back
    };
    // Over the tag and the ring's top-left corner, not the whole box.
    const Rect over{box.x - 20, box.y - 40, 150, 50};
    for (const char* kind : {"popup", "above"}) {
        const std::uint32_t other = window->extra(kind, over);
        ASSERT_NE(other, 0u) << kind;
        ASSERT_TRUE(waitFor([&] { return listed(other); })) << kind;
        EXPECT_TRUE(waitFor([&] { return above(other); })) << kind;
    }
    window->command("raise");
    EXPECT_TRUE(waitFor([&] { return above(window->id()); })) << "the test window raised";
    waitFor([] { return false; }, 300);
    EXPECT_TRUE(above(window->id())) << "and it stays so";
}

TEST_F(FrameOnDesktop, OwnAreasCoverTheRingAndTagButNotTheBox) {
    start(false);
    const Rect box = onScreen(tw::price);
    auto frame = factory->make(select(box).region, WatchStatus::watching, 5);
    auto meets = [&](const Rect& r) {
        for (const Rect& a : factory->shownAreas())
            if (a.intersects(r)) return true;
        return false;
    };
    ASSERT_TRUE(waitFor([&] { return newest()->isShown(); }));
    EXPECT_FALSE(meets(box));
    EXPECT_TRUE(meets({box.x - 3, box.y, 2, 2}));
    frame->flash("10:42", [] {});
    EXPECT_TRUE(meets(box)) << "a flashing frame reads as ours";
    frame->close();
    EXPECT_TRUE(factory->shownAreas().empty());
    EXPECT_TRUE(factory->windows().empty());
}

}  // namespace
}  // namespace kestrove
