// Drawing a box on a real X server with xdotool, on two screens (the
// server's one output split in two monitors), with and without a
// compositing manager. Pictures of the screen while drawing are left in
// <build>/snapshots/creation/overlay-*.png.

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include "app/creation/overlay_window.hpp"
#include "app/creation/region_selector.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

bool run(const QString& program, const QStringList& args) { return QProcess::execute(program, args) == 0; }
void xdotool(const QStringList& args) { ASSERT_TRUE(run(QStringLiteral("xdotool"), args)); }
QString n(int v) { return QString::number(v); }

// A drag with the left button, in steps, from one point to another.
void drag(int x0, int y0, int x1, int y1) {
    QStringList args{"mousemove", n(x0), n(y0), "mousedown", "1"};
    for (int i = 1; i <= 4; ++i) args << "mousemove" << n(x0 + (x1 - x0) * i / 4) << n(y0 + (y1 - y0) * i / 4);
    xdotool(args << "mouseup" << "1");
}

struct Drawing : ::testing::Test {
    // Something bright on each screen, which a black or dimmed overlay would hide.
    desktop::TestWindow window;
    std::unique_ptr<desktop::TestWindow> second;  // made once the screens are split
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    XcbScreenCapturer shots{*platform.screens};
    std::unique_ptr<QProcess> compositor;
    RegionSelector selector{*platform.screens, *platform.capturer};
    std::vector<std::optional<SelectedRegion>> results;

    void SetUp() override {
        ASSERT_TRUE(run("xrandr", {"--setmonitor", "kestrove-left", "640/169x800/212+0+0", "screen", "--setmonitor",
                                   "kestrove-right", "640/169x800/212+640+0", "none"}));
        ASSERT_TRUE(waitFor([&] { return platform.screens->screens().size() == 2; }));
        second = std::make_unique<desktop::TestWindow>(QStringList{"--x", "800", "--y", "420"});
    }
    void TearDown() override {
        selector.cancel();
        run("xrandr", {"--delmonitor", "kestrove-left", "--delmonitor", "kestrove-right"});
        if (compositor) {
            compositor->terminate();
            if (!compositor->waitForFinished(3000)) compositor->kill();
        }
    }
    void compose() {
        compositor = std::make_unique<QProcess>();
        compositor->start(QStringLiteral("xcompmgr"), {});
        ASSERT_TRUE(compositor->waitForStarted(5000));
        waitFor([] { return false; }, 500);
    }

    ScreenInfo screenAt(double x) const {
        for (const auto& s : platform.screens->screens())
            if (x >= s.frame.minX() && x < s.frame.maxX()) return s;
        return {};
    }
    // Starts a selection and waits until every overlay shows and has the keyboard.
    void begin() {
        selector.begin([this](std::optional<SelectedRegion> r) { results.push_back(std::move(r)); });
        ASSERT_TRUE(waitFor([&] {
            const auto o = selector.overlays();
            return o.size() == 2 && std::all_of(o.begin(), o.end(), [](OverlayWindow* w) { return w->isVisible(); });
        }));
        waitFor([] { return false; }, 300);
    }
    // A result, and the overlays gone, so the next selection starts afresh.
    bool ended() {
        return waitFor([&] { return !results.empty() && selector.overlays().empty() && !selector.running(); }, 3000);
    }
    Image screen() {
        // Both monitors, side by side.
        const Captured c = shots.capture({screenAt(0).displayID, 0, 0, 640, 800, 1, std::nullopt});
        const Captured d = shots.capture({screenAt(700).displayID, 0, 0, 640, 800, 1, std::nullopt});
        if (!c.ok() || !d.ok()) return {};
        Image both(1280, 800);
        for (int y = 0; y < 800; ++y) {
            std::copy_n(&c.value().rgba[std::size_t(y) * 640 * 4], 640 * 4, &both.rgba[std::size_t(y) * 1280 * 4]);
            std::copy_n(&d.value().rgba[std::size_t(y) * 640 * 4], 640 * 4, &both.rgba[(std::size_t(y) * 1280 + 640) * 4]);
        }
        return both;
    }
    void save(const Image& image, const QString& name) {
        QImage q(image.rgba.data(), image.width, image.height, image.width * 4, QImage::Format_RGBA8888);
        offscreen::saveSnapshot(q, "creation", name);
    }
};

// The mean brightness of the 16 by 16 block at (x, y): the bare root's
// weave alternates black and white pixels.
double brightness(const Image& image, int x, int y) {
    double sum = 0;
    for (int j = y; j < y + 16; ++j)
        for (int i = x; i < x + 16; ++i) {
            const auto* p = &image.rgba[(std::size_t(j) * image.width + i) * 4];
            sum += (p[0] + p[1] + p[2]) / 3.0;
        }
    return sum / 256;
}

// Which corner comes first is the geometry's own test.
TEST_F(Drawing, ADragGivesItsBoxOnItsScreenAndOnlyABoxEndsTheDrawing) {
    const ScreenInfo right = screenAt(700);
    begin();
    drag(900, 180, 700, 100);
    ASSERT_TRUE(ended());
    ASSERT_TRUE(results[0]);
    EXPECT_EQ(results[0]->screen, right);
    EXPECT_EQ(results[0]->rect, (Rect{700, 100, 200, 80}));
    EXPECT_EQ(results[0]->region, (WatchRegion{right.displayID, 60, 100, 200, 80, 1, std::nullopt}));

    // Too small boxes and clicks leave the overlay up; the box stops at the edge of its screen.
    results.clear();
    begin();
    drag(100, 100, 107, 300);  // 7 by 200
    xdotool({"click", "1"});
    waitFor([] { return false; }, 500);
    EXPECT_TRUE(results.empty());
    ASSERT_EQ(selector.overlays().size(), 2u);
    EXPECT_FALSE(selector.overlays()[0]->dimmed()) << "the small box was cleared";
    drag(600, 100, 800, 200);
    ASSERT_TRUE(ended());
    ASSERT_TRUE(results[0]);
    EXPECT_EQ(results[0]->rect, (Rect{600, 100, 40, 100}));
    EXPECT_EQ(results[0]->screen, screenAt(100));

    // Escape, with the pointer on the other screen than the one that took the keyboard, and a
    // right click end with nothing.
    for (const QStringList& end : {QStringList{"mousemove", "900", "400", "key", "Escape"},
                                   QStringList{"mousemove", "300", "300", "click", "3"}}) {
        xdotool({"mousemove", "100", "100"});
        results.clear();
        begin();
        xdotool(end);
        ASSERT_TRUE(ended()) << end.join(' ').toStdString();
        EXPECT_FALSE(results[0]);
    }
}

void showsTheScreenAsItWas(Drawing& t, const char* name) {
    xdotool({"mousemove", "1000", "700"});
    // A white spot in each window, away from its texts.
    const auto spot = [](desktop::TestWindow& w) {
        const Rect r = w.where();
        return std::pair<int, int>(int(r.minX() + r.width - 60), int(r.minY() + r.height - 40));
    };
    const auto [lx, ly] = spot(t.window);
    const auto [rx, ry] = spot(*t.second);
    ASSERT_GE(rx, 640) << "the second window is on the right screen";
    // Both windows drawn (a compositor just started repaints them), and the
    // screen still.
    Image before, last;
    ASSERT_TRUE(waitFor([&] {
        before = std::exchange(last, t.screen());
        return last.width == 1280 && before.rgba == last.rgba && brightness(before, lx, ly) > 200 && brightness(before, rx, ry) > 200;
    }, 10000)) << "still: " << (before.rgba == last.rgba) << " left " << (last.width ? brightness(last, lx, ly) : -1)
                << " right " << (last.width ? brightness(last, rx, ry) : -1);
    t.begin();
    const Image up = t.screen();
    t.save(up, QStringLiteral("overlay-%1-up").arg(name));
    EXPECT_LE(desktop::maxChannelDifference(before, up), 8) << "no screen is dimmed or blacked before a drag";

    // Mid-drag: both screens dim, the box on the right screen is cut out.
    xdotool({"mousemove", "700", "100", "mousedown", "1", "mousemove", "800", "150", "mousemove", "900", "180"});
    // Until the overlay's repaint reaches the screen: a busy machine took
    // longer than 400 ms.
    Image drawing;
    waitFor([&] {
        drawing = t.screen();
        return brightness(drawing, lx, ly) < brightness(before, lx, ly) * 0.75 &&
               brightness(drawing, rx, ry) < brightness(before, rx, ry) * 0.75;
    });
    t.save(drawing, QStringLiteral("overlay-%1-drawing").arg(name));
    xdotool({"mouseup", "1"});
    EXPECT_LT(brightness(drawing, lx, ly), brightness(before, lx, ly) * 0.75) << "the other screen dims";
    EXPECT_LT(brightness(drawing, rx, ry), brightness(before, rx, ry) * 0.75) << "so does the rest of its own";
    EXPECT_NEAR(brightness(drawing, 780, 130), brightness(before, 780, 130), 4) << "the box is left clear";
}

TEST_F(Drawing, TheOverlayShowsTheScreenAsItWasWithAndWithoutACompositor) {
    showsTheScreenAsItWas(*this, "plain");
    if (HasFatalFailure()) return;
    compose();
    showsTheScreenAsItWas(*this, "composited");
}

}  // namespace
}  // namespace kestrove
