// The panel window and its controller offscreen: where it goes, how tall it
// is, the wall's limit, which closings call back; and the open panel
// following the real watch manager in place. Escape, clicks and other
// windows on a real desktop are the tray desktop test's.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "app/menu/menu_desk.hpp"
#include "app/look/panel_fit.hpp"
#include "app/menu/wall_parts.hpp"
#include "core/menu/menu_placement.hpp"
#include "menu_samples.hpp"
#include "status_fixture.hpp"

namespace kestrove::testing {
namespace {

struct MenuPanelTest : ::testing::Test {
    void SetUp() override {
        offscreen::app();
        QCursor::setPos(-1000, -1000);
    }
    QScreen* screen() { return QGuiApplication::primaryScreen(); }
    QRect visible() { return screen()->availableGeometry(); }
};

TEST_F(MenuPanelTest, ShownUnderTheIconAtItsContentsHeight) {
    MenuModel model;
    MenuPanelController panel(model);
    EXPECT_EQ(panel.window()->size(), QSize(372, 200)) << "before the first show";
    panel.fitWall();
    EXPECT_EQ(model.wallLimit(), std::numeric_limits<double>::infinity()) << "no screen known yet";

    const Rect icon{double(visible().center().x()), double(visible().top()) - 24, 24, 24};
    panel.show(icon, screen(), false);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(model.wallLimit(), MenuPlacement::wallLimit(visible().height(), false));
    const int content = panelContentHeight(*panel.view(), 372);
    EXPECT_EQ(panel.window()->geometry(),
              QRect(qRound(icon.x + 12 - 186), visible().top() + 6, 372, content));
    EXPECT_EQ(content, 10 + 252 + panel.view()->desk()->height() + 10);

    // More rows: the panel grows downwards, its top edge kept.
    model.setUpdate(UpdateNote::checking());
    panel.fitWall();
    EXPECT_EQ(model.wallLimit(), MenuPlacement::wallLimit(visible().height(), true));
    EXPECT_EQ(panel.window()->height(), panelContentHeight(*panel.view(), 372));
    EXPECT_GT(panel.window()->height(), content);
    EXPECT_EQ(panel.window()->y(), visible().top() + 6);
    EXPECT_EQ(panel.view()->height(), panel.window()->height());
}

TEST_F(MenuPanelTest, TheWallNeverPushesThePanelOffTheScreen) {
    // Many watches: the wall scrolls at its limit, and the whole panel fits
    // inside the visible frame less 12, with or without the update row.
    for (bool update : {false, true}) {
        MenuModel model;
        std::vector<MenuModel::Monitor> rows;
        for (int i = 0; i < 30; ++i) {
            std::string id = "w";
            id += std::to_string(i);
            rows.push_back(menu_samples::monitor(id, WatchStatus::watching, "x"));
        }
        model.setMonitors(rows);
        if (update) model.setUpdate(UpdateNote::upToDate());
        MenuPanelController panel(model);
        panel.show({100, -24, 24, 24}, screen(), false);
        EXPECT_TRUE(panel.view()->wall()->scrolling());
        EXPECT_LE(panelContentHeight(*panel.view(), 372), visible().height() - 12) << update;
        EXPECT_LE(panel.window()->geometry().bottom(), visible().bottom() - 6 + 1);
    }
}

// (Escape, on a real desktop, is the tray test's.)
TEST_F(MenuPanelTest, ScreenChangesCloseOnlyAnActivatedPanel) {
    MenuModel model;
    MenuPanelController panel(model);
    int closed = 0;
    panel.onClose = [&] { ++closed; };

    panel.show({100, -24, 24, 24}, screen(), false);
    emit screen()->availableGeometryChanged(visible());
    EXPECT_TRUE(panel.isVisible()) << "shown without activation it stays";
    panel.close();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(closed, 0) << "close() does not call back";

    panel.show({100, -24, 24, 24}, screen(), true);
    emit screen()->geometryChanged(screen()->geometry());
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(closed, 1);
    emit screen()->geometryChanged(screen()->geometry());
    EXPECT_EQ(closed, 1) << "the watchers went with the panel";
}

using LivePanelTest = StatusMenuTest;

TEST_F(LivePanelTest, TheOpenPanelFollowsTheManagerInPlace) {
    for (const char* id : {"a", "b", "c"}) added(makeSpec(id, 10));
    open();
    ASSERT_TRUE(grid().grid());
    auto* cardA = static_cast<SmallMonitor*>(grid().card("a"));
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(cardA, &enter);
    ASSERT_TRUE(cardA->hovered());

    manager->pause("b");
    EXPECT_EQ(grid().card("a"), cardA) << "the same card, refreshed in place";
    EXPECT_TRUE(cardA->hovered()) << "hover survives the rebuild";
    EXPECT_EQ(grid().card("b")->monitor().status, WatchStatus::paused);
    EXPECT_EQ(grid().card("b")->pos(), QPoint(0, 156)) << "paused rows go after watching ones";

    added(makeSpec("d", 40));
    EXPECT_EQ(grid().card("d")->pos(), QPoint(0, 156)) << "a new watching row before the paused one";
    EXPECT_EQ(grid().card("b")->pos(), QPoint(180, 156));
    finish("d");
    EXPECT_EQ(grid().card("d")->monitor().status, WatchStatus::finished);
    EXPECT_TRUE(menu->panel().view()->desk()->clearFinished()->isVisible());
    manager->remove("c");
    manager->remove("d");
    EXPECT_FALSE(grid().grid()) << "two left: large cards";
    EXPECT_EQ(grid().card("c"), nullptr);
    EXPECT_EQ(menu->panel().window()->height(), panelContentHeight(*menu->panel().view(), 372))
        << "the panel follows its content";

    // The live picture refreshes as the runner publishes.
    auto feedPixel = [&] {
        auto* card = grid().card("a");
        return card->grab().toImage().pixel(card->feedRect().center().toPoint());
    };
    runners.latest("a")->host->publishPicture("a", std::make_shared<const Image>(solid(640, 240, 20)));
    EXPECT_TRUE(menu_samples::near(feedPixel(), QColor(20, 20, 20), 2));
    runners.latest("a")->host->publishPicture("a", std::make_shared<const Image>(solid(640, 240, 220)));
    EXPECT_TRUE(menu_samples::near(feedPixel(), QColor(220, 220, 220), 2));
}

TEST_F(LivePanelTest, TheIconTogglesThePanelAndItsHighlight) {
    item.press();
    EXPECT_TRUE(menu->panelVisible());
    EXPECT_FALSE(item.look().highlighted) << "set one turn of the main loop later";
    QApplication::processEvents();
    EXPECT_TRUE(item.look().highlighted);
    EXPECT_EQ(menu->panel().window()->geometry().center().x(), 412 - 1) << "centred under the icon";
    item.press();
    EXPECT_FALSE(menu->panelVisible());
    EXPECT_FALSE(item.look().highlighted);

    // No place from the tray: at the pointer.
    item.area.reset();
    QCursor::setPos(300, 300);
    item.press();
    EXPECT_EQ(menu->panel().window()->x(), 300 - 186);
}

}  // namespace
}  // namespace kestrove::testing
