// The panel's content offscreen: the wall by the number of watches and its
// limit, the desk's rows, and the rules and tile in both schemes. (Pictures
// of every state are the snapshot tool's.)
#include <gtest/gtest.h>

#include <QAccessible>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>

#include <algorithm>
#include <limits>

#include "app/menu/menu_desk.hpp"
#include "app/menu/menu_wall.hpp"
#include "app/menu/monitor_cards.hpp"
#include "app/menu/toggle_switch.hpp"
#include "app/menu/wall_parts.hpp"
#include "menu_samples.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

using namespace menu_samples;

Release release(std::optional<std::string> notes) {
    return {"1.5", 15, *Url::parse("https://example.org/download"), std::move(notes)};
}

void watches(MenuModel& m, int n) {
    const WatchStatus order[] = {WatchStatus::watching, WatchStatus::lostSight, WatchStatus::paused,
                                 WatchStatus::finished, WatchStatus::watching};
    std::vector<MenuModel::Monitor> rows;
    std::map<std::string, QImage> pictures;
    for (int i = 0; i < n; ++i) {
        rows.push_back(monitor("w" + std::to_string(i), order[i % 5],
                               i == 0 ? "the total drops below 200" : "the upload finishes"));
        if (i != 1) pictures["w" + std::to_string(i)] = picture(640, 240);
    }
    m.setMonitors(rows, pictures);
}

// Two large monitors whose wall is 400 high: pictures of 120 and 94 points.
void wall400(MenuModel& m) {
    m.setMonitors({monitor("a", WatchStatus::watching, "the build is green"),
                   monitor("b", WatchStatus::watching, "the download is done")},
                  {{"a", picture(640, 240)}, {"b", picture(640, 188)}});
}

struct MenuViewTest : ::testing::Test {
    void SetUp() override { offscreen::app(); }
};

TEST_F(MenuViewTest, TheWallFollowsTheNumberOfWatches) {
    MenuModel model;
    int newWatch = 0;
    model.onNewWatch = [&] { ++newWatch; };
    Shown s = show(model, false);
    MenuWall& wall = *s.view->wall();
    EXPECT_TRUE(wall.freeMonitor()->isVisible());
    EXPECT_FALSE(wall.tile()->isVisible()) << "no tile without a watch";
    EXPECT_EQ(wall.height(), 252);
    QTest::mouseClick(wall.freeMonitor()->button(), Qt::LeftButton);
    EXPECT_EQ(newWatch, 1);

    for (int n : {1, 2}) {
        watches(model, n);
        EXPECT_FALSE(wall.freeMonitor()->isVisible());
        EXPECT_TRUE(wall.tile()->isVisible());
        EXPECT_FALSE(wall.grid()->grid());
        EXPECT_NE(dynamic_cast<LargeMonitor*>(wall.grid()->card("w0")), nullptr);
        EXPECT_EQ(wall.grid()->height(), static_cast<int>(model.wallHeight())) << n;
    }
    EXPECT_EQ(wall.grid()->card("w1")->geometry(), QRect(0, 209 + 8, 352, 153)) << "no picture: 64 + 89";
    watches(model, 3);
    ASSERT_TRUE(wall.grid()->grid());
    EXPECT_EQ(wall.grid()->card("w0")->geometry(), QRect(0, 0, 172, 148));
    EXPECT_EQ(wall.grid()->card("w1")->geometry(), QRect(180, 0, 172, 148));
    EXPECT_EQ(wall.grid()->card("w2")->geometry(), QRect(0, 156, 172, 148)) << "a lone last monitor at the left";
    EXPECT_EQ(wall.grid()->height(), 304);
    QTest::mouseClick(wall.tile(), Qt::LeftButton, {}, QPoint(176, 28));
    EXPECT_EQ(newWatch, 2);
    model.setMonitors({});
    EXPECT_TRUE(wall.freeMonitor()->isVisible());
    EXPECT_EQ(wall.grid()->card("w0"), nullptr);
}

TEST_F(MenuViewTest, TheMonitorsScrollAboveTheLimitAndTheTileStaysBelow) {
    struct Case {
        double limit;
        bool scrolls;
        int frame;
    } const cases[] = {
        {std::numeric_limits<double>::infinity(), false, 400},
        {400, false, 400},
        {300, true, 300},
        {100, true, 148},
    };
    for (const Case& c : cases) {
        MenuModel model;
        wall400(model);
        ASSERT_EQ(model.wallHeight(), 400);
        model.setWallLimit(c.limit);
        Shown s = show(model, true);
        MenuWall& wall = *s.view->wall();
        EXPECT_EQ(wall.scrolling(), c.scrolls) << c.limit;
        EXPECT_EQ(wall.scroller()->height(), c.frame) << c.limit;
        EXPECT_EQ(wall.grid()->height(), 400);
        EXPECT_EQ(wall.tile()->geometry().top(), c.frame + 8) << "the tile under the scrolling part";
        const int before = wall.scroller()->verticalScrollBar()->value();
        QWheelEvent wheel(QPointF(100, 100), QPointF(), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(wall.scroller()->viewport(), &wheel);
        EXPECT_EQ(wall.scroller()->verticalScrollBar()->value() > before, c.scrolls) << c.limit;
    }
}

TEST_F(MenuViewTest, TheDeskRowsFollowTheModel) {
    MenuModel model;
    std::vector<std::string> calls;
    model.onPauseAll = [&] { calls.push_back("pauseAll"); };
    model.onConnectTelegram = [&] { calls.push_back("connect"); };
    model.onDisconnectTelegram = [&] { calls.push_back("disconnect"); };
    model.onSetLocalOnly = [&](bool on) { calls.push_back(on ? "localOn" : "localOff"); };
    model.onOpenUpdate = [&] { calls.push_back("open"); };
    model.onQuit = [&] { calls.push_back("quit"); };
    model.onSetKeepAwake = [&](bool on) { calls.push_back(on ? "awakeOn" : "awakeOff"); };
    Shown s = show(model, false);
    MenuDesk& desk = *s.view->desk();

    EXPECT_EQ(desk.rulesShown(), 2);
    EXPECT_TRUE(desk.updateRow()->isHidden());
    model.setUpdate(UpdateNote::out(release(std::nullopt)));
    EXPECT_EQ(desk.rulesShown(), 3);
    EXPECT_EQ(desk.updateText()->text(), "Kestrove 1.5 is out");
    EXPECT_EQ(desk.updateText()->toolTip(), "") << "a release without notes";
    model.setUpdate(UpdateNote::out(release("Faster checks.")));
    EXPECT_EQ(desk.updateText()->toolTip(), "Faster checks.");
    QTest::mouseClick(desk.updateButton(), Qt::LeftButton);
    for (auto [note, text] : {std::pair{UpdateNote::checking(), "Checking for a newer version…"},
                              {UpdateNote::upToDate(), "You're up to date"},
                              {UpdateNote::unknown(), "Can't check right now"},
                              {UpdateNote::notSetUp(), "Kestrove's server isn't set up yet"}}) {
        model.setUpdate(note);
        EXPECT_EQ(desk.updateText()->text(), QString::fromUtf8(text));
        EXPECT_FALSE(desk.updateButton()->isVisible());
    }

    model.setAllPaused(true);
    EXPECT_EQ(desk.pauseAll()->text(), "Resume All");
    EXPECT_FALSE(desk.pauseAll()->isEnabled());
    EXPECT_FALSE(desk.clearFinished()->isVisible());
    EXPECT_EQ(desk.more()->mapTo(&desk, QPoint(desk.more()->width(), 0)).x(), desk.width() - 4)
        << "More stays at the right edge";
    model.setHasFinished(true);
    EXPECT_TRUE(desk.clearFinished()->isVisible());
    model.setCanPauseAll(true);
    QTest::mouseClick(desk.pauseAll(), Qt::LeftButton);

    EXPECT_EQ(desk.chatButton()->text(), "Connect…");
    EXPECT_EQ(desk.chatButton()->accessibleName(), "Connect Telegram");
    QTest::mouseClick(desk.chatButton(), Qt::LeftButton);
    model.setTelegramConnected(true);
    EXPECT_EQ(desk.chatButton()->accessibleName(), "Disconnect Telegram");
    EXPECT_EQ(desk.chatLine()->text(), "Connected. Barks also reach your phone.");
    QTest::mouseClick(desk.chatButton(), Qt::LeftButton);

    // Nothing writes the model back: the switch keeps showing the old value.
    QTest::mouseClick(desk.localOnly(), Qt::LeftButton);
    EXPECT_FALSE(desk.localOnly()->on());
    model.setLocalOnly(true);
    EXPECT_TRUE(desk.localOnly()->on());
    EXPECT_EQ(desk.localOnly()->accessibleName(), "Local Only");
    desk.keepAwake()->trigger();
    EXPECT_FALSE(desk.keepAwake()->isChecked()) << "the menu entry shows the model's value";

    s.window->activateWindow();
    QTest::keyClick(s.window.get(), Qt::Key_Q, Qt::ControlModifier);
    const std::vector<std::string> expected = {"open", "pauseAll", "connect", "disconnect", "localOn", "awakeOn", "quit"};
    EXPECT_EQ(calls, expected);
}

// Every name and description offered to a screen reader by the elements
// under `a` that show.
void spoken(QAccessibleInterface* a, QStringList& out) {
    if (!a || a->state().invisible) return;
    for (const auto kind : {QAccessible::Name, QAccessible::Description})
        if (const QString text = a->text(kind); !text.isEmpty()) out << text;
    for (int i = 0; i < a->childCount(); ++i) spoken(a->child(i), out);
}

TEST_F(MenuViewTest, TheLocalOnlyRowIsReadOnceThroughItsSwitch) {
    MenuModel model;
    Shown s = show(model, false);
    QStringList said;
    spoken(QAccessible::queryAccessibleInterface(s.view), said);
    EXPECT_EQ(said.count(QStringLiteral("Local Only")), 1) << said.join(" | ").toStdString();
    EXPECT_EQ(said.count(QStringLiteral("No picture of your screen leaves this computer.")), 1);
    // The texts still show.
    const QList<QLabel*> labels = s.view->desk()->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* l) {
        return l->text() == QStringLiteral("Local Only") && l->isVisible();
    }));
}

TEST_F(MenuViewTest, RulesAndTileInBothSchemes) {
    for (const auto& scheme : offscreen::appearances) {
        MenuModel model;
        watches(model, 1);
        Shown s = show(model, scheme.dark);
        const QColor ground = palette(scheme.dark).color(QPalette::Window);
        MenuDesk& desk = *s.view->desk();
        // The first rule, in panel coordinates.
        const QPoint rule = desk.rules().front()->mapTo(s.window.get(), QPoint(100, 0));
        const QColor ink = scheme.dark ? Qt::white : Qt::black;
        EXPECT_TRUE(near(s.image.pixel(rule), blend(ground, ink, scheme.dark ? 0.12 : 0.10), 2)) << scheme.name;
        EXPECT_TRUE(near(s.image.pixel(rule + QPoint(0, 1)), ground, 0)) << "one point high";
        NewWatchTile& tile = *s.view->wall()->tile();
        const QPoint inTile = tile.mapTo(s.window.get(), QPoint(60, 4));
        EXPECT_TRUE(near(s.image.pixel(inTile), blend(ground, ink, scheme.dark ? 0.07 : 0.05), 2)) << scheme.name;
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(&tile, &enter);
        const QImage hovered = s.window->grab().toImage();
        EXPECT_TRUE(near(hovered.pixel(inTile), blend(ground, ink, scheme.dark ? 0.11 : 0.08), 2)) << scheme.name;
    }
}

}  // namespace
}  // namespace kestrove
