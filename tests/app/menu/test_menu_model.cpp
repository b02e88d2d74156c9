// The panel's model: picture sizes in points and which changes are
// announced.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include <limits>

#include "menu_samples.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

using namespace menu_samples;

struct MenuModelTest : ::testing::Test {
    void SetUp() override { offscreen::app(); }
};

TEST_F(MenuModelTest, PictureSizesAreInPointsOfTheBoxDisplay) {
    MenuModel model;
    EXPECT_EQ(model.wallLimit(), std::numeric_limits<double>::infinity()) << "never fitted: never scrolls";
    auto m = monitor("a", WatchStatus::watching, "x");
    EXPECT_EQ(model.pictureSize(m), std::nullopt);
    model.setMonitors({m}, {{"a", picture(640, 240)}});
    for (auto [scale, size] : {std::pair{2.0, Size{320, 120}}, {0.5, Size{640, 240}}, {1.0, Size{640, 240}}}) {
        m.scale = scale;
        EXPECT_EQ(model.pictureSize(m), size) << scale;
    }
    EXPECT_EQ(model.wallHeight(), 120 + 89) << "the row's own scale, 2";
    model.setPictures({{"a", QImage()}});
    EXPECT_EQ(model.pictureSize(m), std::nullopt) << "a null picture counts as none";
}

TEST_F(MenuModelTest, OnlyRealChangesAreAnnounced) {
    MenuModel model;
    QSignalSpy wall(&model, &MenuModel::wallChanged), desk(&model, &MenuModel::deskChanged);
    const std::vector<MenuModel::Monitor> rows = {monitor("a", WatchStatus::watching, "x")};
    model.setMonitors(rows);
    model.setMonitors(rows);
    model.setWallLimit(300);
    model.setWallLimit(300);
    model.setRevealed("a");
    model.setRevealed("a");
    EXPECT_EQ(wall.count(), 3);
    model.setPictures(model.pictures());
    EXPECT_EQ(wall.count(), 4) << "every load of the pictures is announced";
    model.setLocalOnly(false);
    model.setUpdate(UpdateNote::none());
    EXPECT_EQ(desk.count(), 0);
    model.setLocalOnly(true);
    model.setCanPauseAll(true);
    model.setUpdate(UpdateNote::unknown());
    EXPECT_EQ(desk.count(), 3);
    EXPECT_EQ(wall.count(), 4);
}

}  // namespace
}  // namespace kestrove
