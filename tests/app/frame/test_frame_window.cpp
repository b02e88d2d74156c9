// The frame's drawing and shape, rendered offscreen.
#include <gtest/gtest.h>

#include "app/frame/frame_window.hpp"
#include "app/look/brand.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

// A 120 × 40 box with the tag above: the box at (5, 23) in the window, its
// left edge's red line in columns 3-4, the white hairline in 2, the dark one
// in 1; the tag's pill from (3, 2), 16 high, its text from x 8.
struct FrameDrawing : ::testing::Test {
    FrameModel model;
    std::unique_ptr<FrameWindow> window;

    void SetUp() override {
        offscreen::app();
        window = std::make_unique<FrameWindow>(model, /*compositing=*/true);
        window->setGeometry(Rect{195, 77, 190, 68});
        window->layOut({120, 40}, true);
    }
    QImage drawn(const char* snapshot) {
        QImage image = window->render();
        offscreen::saveSnapshot(image, QStringLiteral("frame"), QString::fromLatin1(snapshot));
        return image;
    }
};

int alpha(const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)); }

// The colour a premultiplied pixel stands for.
QColor colour(const QImage& image, int x, int y) {
    return QColor::fromRgba(qUnpremultiply(image.pixel(x, y)));
}

bool near(const QColor& a, const QColor& b, int tolerance = 3) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Lengths of the runs of drawn and undrawn pixels along a row.
std::vector<int> runs(const QImage& image, int y, int from, int to, int threshold) {
    std::vector<int> out;
    bool on = alpha(image, from, y) >= threshold;
    int length = 0;
    for (int x = from; x < to; ++x) {
        const bool now = alpha(image, x, y) >= threshold;
        if (now != on) {
            out.push_back(length);
            length = 0;
            on = now;
        }
        ++length;
    }
    return out;  // the unfinished last run is left out
}

TEST_F(FrameDrawing, RingLiesJustOutsideTheBoxWhoseInsideStaysUntouched) {
    const QImage image = drawn("watching");
    const int y = 43;  // halfway down the box
    EXPECT_TRUE(near(colour(image, 4, y), Brand::signal()));
    EXPECT_EQ(alpha(image, 4, y), 255);
    EXPECT_TRUE(near(colour(image, 3, y), Brand::signal()));
    EXPECT_TRUE(near(colour(image, 2, y), Qt::white));
    EXPECT_NEAR(alpha(image, 2, y), 230, 3);
    EXPECT_TRUE(near(colour(image, 1, y), Qt::black));
    EXPECT_NEAR(alpha(image, 1, y), 56, 3);
    EXPECT_EQ(alpha(image, 0, y), 0);
    for (int x = 5; x < 125; ++x) ASSERT_EQ(alpha(image, x, y), 0) << x;
    for (int yy = 23; yy < 63; ++yy) ASSERT_EQ(alpha(image, 60, yy), 0) << yy;
    for (auto [x, yy] : {std::pair{5, 23}, {124, 23}, {5, 62}, {124, 62}, {6, 24}})
        EXPECT_EQ(alpha(image, x, yy), 0) << "the box's corner " << x << "," << yy;
    EXPECT_TRUE(near(colour(image, 125, y), Brand::signal())) << "right edge";
    EXPECT_EQ(alpha(image, 129, y), 0);
    EXPECT_TRUE(near(colour(image, 60, 63), Brand::signal())) << "bottom edge";
    EXPECT_TRUE(near(colour(image, 5, 10), Brand::signal())) << "the tag's pill";
}

TEST_F(FrameDrawing, FlashFillsTheBoxAndLostSightTurnsGreyAndDashed) {
    model.flashOn = model.flashing = true;
    model.status = WatchStatus::lostSight;
    window->redraw();
    QImage image = drawn("flash");
    EXPECT_TRUE(near(colour(image, 60, 43), Brand::signal()));
    EXPECT_NEAR(alpha(image, 60, 43), 115, 3);
    EXPECT_TRUE(near(colour(image, 4, 43), Brand::signal())) << "solid red during a flash";

    model.flashOn = model.flashing = false;
    window->redraw();
    image = drawn("lost_sight");
    EXPECT_EQ(alpha(image, 60, 43), 0);
    EXPECT_TRUE(near(colour(image, 5, 10), Brand::muted())) << "the tag is muted";
    // Along the top edge every line is dashed 6 on, 4 off, whatever its width.
    for (int row : {21, 22, 20, 19}) {
        const auto r = runs(image, row, 20, 110, 24);
        ASSERT_GE(r.size(), 6u) << row;
        for (std::size_t i = 1; i < r.size(); ++i) EXPECT_NEAR(r[i], i % 2 ? r[1] : r[2], 1) << row;
        EXPECT_NEAR(r[1] + r[2], 10, 1) << row;
        EXPECT_NEAR(std::max(r[1], r[2]), 6, 1) << row;
    }
    bool grey = false;
    for (int x = 20; x < 110; ++x) grey |= near(colour(image, x, 22), Brand::mutedLine());
    EXPECT_TRUE(grey);
}

TEST_F(FrameDrawing, PausedFadesTheRingButNotTheTag) {
    model.status = WatchStatus::paused;
    window->redraw();
    const QImage image = drawn("paused");
    EXPECT_NEAR(alpha(image, 4, 43), 102, 3);
    EXPECT_EQ(alpha(image, 5, 10), 255);
    EXPECT_TRUE(near(colour(image, 5, 10), Brand::signal()));
}

TEST_F(FrameDrawing, TagGoesUnderTheBoxWhenThereIsNoRoomAbove) {
    window->setGeometry(Rect{195, 19, 190, 68});
    window->layOut({120, 40}, false);
    const QImage image = drawn("tag_below");
    EXPECT_EQ(alpha(image, 5, 10), 0) << "inside the box now";
    EXPECT_TRUE(near(colour(image, 4, 25), Brand::signal()));
    EXPECT_TRUE(near(colour(image, 5, 58), Brand::signal())) << "tag 5 under the box";
}

TEST_F(FrameDrawing, WithoutACompositorTheShapeIsWhatItPaints) {
    EXPECT_TRUE(window->mask().isEmpty());
    window->setCompositing(false);
    const QRegion shape = window->mask();
    EXPECT_TRUE(shape.contains(QPoint(4, 43)));
    EXPECT_TRUE(shape.contains(QPoint(1, 43))) << "the faint dark hairline too";
    EXPECT_TRUE(shape.contains(QPoint(5, 10)));
    EXPECT_FALSE(shape.contains(QPoint(0, 43)));
    EXPECT_FALSE(shape.contains(QPoint(60, 43))) << "the box shows what lies under it";
    EXPECT_FALSE(shape.contains(QPoint(185, 10))) << "beside the tag";

    model.flashOn = true;
    window->redraw();
    EXPECT_TRUE(window->mask().contains(QPoint(60, 43))) << "the flash's fill is seen";
    window->setCompositing(true);
    EXPECT_TRUE(window->mask().isEmpty());
}

TEST_F(FrameDrawing, ShownAreasOnlyWhileShown) {
    EXPECT_TRUE(window->shownAreas().empty());
    window->show();
    const auto areas = window->shownAreas();
    EXPECT_FALSE(areas.empty());
    const Rect box{200, 100, 120, 40};
    for (const Rect& a : areas) EXPECT_FALSE(a.intersects(box));
    window->hide();
    EXPECT_TRUE(window->shownAreas().empty());
}

}  // namespace
}  // namespace kestrove
