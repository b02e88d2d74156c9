// The whole new-watch road on a real desktop with the real platform: a box
// drawn with xdotool over the test window's price line, the panel beside it
// reading the area with Tesseract and taking the keyboard (keys typed into
// another window are not its), a typed sentence, the confirm card with the
// value read, and Start handing the watch to the manager's add.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>

#include "app/creation/cards.hpp"
#include "app/creation/input_stage.hpp"
#include "app/creation/key_panel.hpp"
#include "app/creation/new_watch_panel.hpp"
#include "app/creation/new_watch_road.hpp"
#include "app/creation/panel_root.hpp"
#include "app/engine/qt_clock.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "core/copy/copy_catalogue.hpp"
#include "support/app/desktop_fixture.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::waitFor;

void xdotool(const QStringList& args) { ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0); }
QString n(double v) { return QString::number(static_cast<int>(v)); }

// What the card says, as a screen reader would read it.
std::vector<QString> spokenTexts(QWidget& root) {
    std::vector<QString> out;
    for (QWidget* w : root.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&root)) continue;
        if (!w->accessibleName().isEmpty())
            out.push_back(w->accessibleName());
        else if (auto* label = qobject_cast<QLabel*>(w))
            out.push_back(label->text());
    }
    return out;
}

struct Added {
    WatchSpec spec;
    Image baseline;
    std::optional<DiffGrid> grid;
    std::optional<DirectStart> direct;
};

TEST(NewWatchRoadDesktop, FromADrawnBoxToAnAddedWatch) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    desktop::TestWindow window;
    XcbWindowList windows;
    const Rect client = window.where();
    ASSERT_TRUE(desktop::waitUntilListedAt(windows, window.id(), client));
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    RegionSelector selector(*platform.screens, *platform.capturer);
    QtClock clock;
    std::vector<Added> added;
    std::vector<std::string> problems;
    NewWatchHooks hooks;
    hooks.add = [&](const WatchSpec& s, std::shared_ptr<const Image> i, std::optional<DiffGrid> g,
                    std::optional<DirectStart> d) {
        added.push_back({s, *i, std::move(g), d});
    };
    hooks.showOnboarding = [&](bool) { problems.push_back("onboarding"); };
    hooks.alert = [&](const std::string& m, const std::string& d) { problems.push_back(m + " " + d); };
    NewWatchServices services{CloudSettings(std::make_shared<MemoryDefaults>(), std::nullopt), platform.cloud,
                              platform.mainThread, [] { return std::chrono::system_clock::now(); },
                              [](Date) { return std::string("12:00"); }};
    NewWatchRoad road(platform, selector, clock, std::move(services), std::move(hooks));
    // Warm the recogniser so the reading comes at its usual pace.
    platform.recognizer->warmUp();

    road.newWatch();
    ASSERT_TRUE(waitFor([&] { return !selector.overlays().empty(); }));
    waitFor([] { return false; }, 300);
    const Rect price{client.x + tw::price.x, client.y + tw::price.y, double(tw::price.w), double(tw::price.h)};
    xdotool({"mousemove", n(price.minX()), n(price.minY()), "mousedown", "1", "mousemove", n(price.minX() + price.width / 2),
             n(price.minY() + price.height / 2), "mousemove", n(price.maxX()), n(price.maxY()), "mouseup", "1"});

    // The panel opens before the reading is there, and says what it waits for.
    // Looked at after every round of events: a warm recogniser's answer may
    // come within the same 20 ms as the panel, and waitFor() would take both.
    std::optional<bool> readingWhenShown;
    std::optional<QString> waitingText;
    QElapsedTimer waited;
    waited.start();
    while (!(road.panel() && road.panel()->isShown()) && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ASSERT_TRUE(road.panel() && road.panel()->isShown()) << (problems.empty() ? "" : problems[0]);
    readingWhenShown = road.panel()->model().reading().has_value();
    if (auto* input = dynamic_cast<InputStage*>(road.panel()->root().stageView());
        input && input->indicator()->isVisibleTo(input))
        waitingText = input->indicator()->accessibleName();
    EXPECT_EQ(readingWhenShown, false);
    EXPECT_EQ(waitingText, QString::fromUtf8(Copy::readingArea.data(), int(Copy::readingArea.size())));
    NewWatchPanel& panel = *road.panel();
    const WatchRegion& region = panel.model().region();
    EXPECT_EQ((Rect{region.x, region.y, region.w, region.h}), price);
    ASSERT_TRUE(region.window) << "bound to the test window";
    EXPECT_EQ(region.window->id, window.id());
    EXPECT_GE(panel.frame().minY(), price.maxY()) << "below the box";

    ASSERT_TRUE(waitFor([&] { return panel.model().reading().has_value(); }, 10000));
    ASSERT_FALSE(panel.model().reading()->lines.empty());
    EXPECT_EQ(panel.model().reading()->lines[0].text, tw::initialPrice);

    ASSERT_TRUE(waitFor([&] { return panel.window().isActiveWindow(); })) << "the panel took the keyboard";
    // Keys typed into another window are not the panel's.
    xdotool({"windowactivate", "--sync", QString::number(window.id())});
    ASSERT_TRUE(waitFor([&] { return !panel.window().isActiveWindow(); }));
    xdotool({"key", "Escape", "key", "Return"});
    waitFor([] { return false; }, 300);
    EXPECT_EQ(road.panel(), &panel) << "not cancelled";
    EXPECT_TRUE(panel.isShown());
    xdotool({"windowactivate", "--sync", QString::number(panel.window().winId())});
    ASSERT_TRUE(waitFor([&] { return panel.window().isActiveWindow(); }));
    xdotool({"type", "--delay", "5", "the price drops below 100"});
    ASSERT_TRUE(waitFor([&] { return panel.model().text() == "the price drops below 100"; }));
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitFor([&] { return dynamic_cast<ConfirmCard*>(panel.root().stageView()) != nullptr; }));
    waitFor([] { return false; }, 300);
    const WatchSpec shown = panel.model().stage().as<NewWatchStage::Confirm>()->spec;
    EXPECT_EQ(shown.baseline.currentValue, 249.99) << "the value Tesseract read";
    const CardCopy card = Copy::card(shown);
    const auto texts = spokenTexts(panel.root());
    for (const std::string& expected : {card.headline, std::string("I'll bark when the price here is below 100."),
                                        *card.readLabel + " " + *card.readValue})
        EXPECT_NE(std::find(texts.begin(), texts.end(), QString::fromStdString(expected)), texts.end()) << expected;
    EXPECT_EQ(*card.readValue, "249.99");
    QProcess::execute("import", {"-window", "root", QStringLiteral(KESTROVE_SNAPSHOT_DIR "/creation/road-confirm.png")});

    xdotool({"key", "Return"});
    ASSERT_TRUE(waitFor([&] { return !added.empty(); }));
    EXPECT_EQ(road.panel(), nullptr);
    const Added& a = added[0];
    EXPECT_EQ(a.spec.type, WatchType::numberCompare);
    EXPECT_EQ(a.spec.value, 100);
    EXPECT_EQ(a.spec.id, shown.id);
    EXPECT_EQ(a.baseline.width, tw::price.w);
    EXPECT_EQ(a.baseline.height, tw::price.h);
    EXPECT_EQ(a.grid, PixelDiff::grid(a.baseline)) << "the crop's grid comes from the capturer's worker with it";
    // The accessibility bus reads the same price: the watch reads directly.
    ASSERT_TRUE(a.spec.direct);
    ASSERT_TRUE(a.direct);
    ASSERT_FALSE(a.direct->lines.empty());
    EXPECT_EQ(a.direct->lines[0].text, tw::initialPrice);
    EXPECT_TRUE(problems.empty());
}

}  // namespace
}  // namespace kestrove
