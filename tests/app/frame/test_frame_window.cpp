// The frame's drawing and shape, rendered offscreen (pictures in
// <build>/snapshots/frame).
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
    QImage image;

    void SetUp() override {
        offscreen::app();
        window = std::make_unique<FrameWindow>(model, /*compositing=*/true);
        window->setGeometry(Rect{195, 77, 190, 68});
        window->layOut({120, 40}, true);
    }
    void draw(const char* snapshot) {
        window->redraw();
        image = window->render();
        offscreen::saveSnapshot(image, QStringLiteral("frame"), QString::fromLatin1(snapshot));
    }
    int alpha(int x, int y) const { return qAlpha(image.pixel(x, y)); }
    // Whether the premultiplied pixel stands for `c`.
    bool is(int x, int y, const QColor& c) const {
        const QColor p = QColor::fromRgba(qUnpremultiply(image.pixel(x, y)));
        return std::abs(p.red() - c.red()) <= 3 && std::abs(p.green() - c.green()) <= 3 &&
               std::abs(p.blue() - c.blue()) <= 3;
    }
};

TEST_F(FrameDrawing, RingLiesJustOutsideTheBoxWhoseInsideStaysUntouched) {
    draw("watching");
    const int y = 43;  // halfway down the box
    EXPECT_TRUE(is(4, y, Brand::signal()) && is(3, y, Brand::signal()) && alpha(4, y) == 255);
    EXPECT_TRUE(is(2, y, Qt::white) && std::abs(alpha(2, y) - 230) <= 3);
    EXPECT_TRUE(is(1, y, Qt::black) && std::abs(alpha(1, y) - 56) <= 3);
    EXPECT_EQ(alpha(0, y), 0);
    for (int x = 5; x < 125; ++x)
        for (int yy = 23; yy < 63; ++yy) ASSERT_EQ(alpha(x, yy), 0) << "inside the box, corners too: " << x << "," << yy;
    EXPECT_TRUE(is(125, y, Brand::signal()) && is(60, 63, Brand::signal())) << "right and bottom";
    EXPECT_TRUE(is(5, 10, Brand::signal())) << "the tag's pill";
}

TEST_F(FrameDrawing, FlashFillsTheBoxAndLostSightTurnsGreyAndDashed) {
    model.flashOn = model.flashing = true;
    model.status = WatchStatus::lostSight;
    draw("flash");
    EXPECT_TRUE(is(60, 43, Brand::signal()) && std::abs(alpha(60, 43) - 115) <= 3);
    EXPECT_TRUE(is(4, 43, Brand::signal())) << "solid red during a flash";

    model.flashOn = model.flashing = false;
    draw("lost_sight");
    EXPECT_EQ(alpha(60, 43), 0);
    EXPECT_TRUE(is(5, 10, Brand::muted())) << "the tag is muted";
    EXPECT_TRUE(is(20, 63, Brand::mutedLine()) || is(25, 63, Brand::mutedLine()));
    // Along the bottom edge (the tag is on top) every line is dashed 6 on,
    // 4 off, whatever its width: red rows 63-64, white 65, dark 66.
    for (int row : {63, 64, 65, 66}) {
        std::vector<int> runs{0};
        for (int x = 20, on = alpha(20, row) >= 24; x < 110; ++x) {
            if ((alpha(x, row) >= 24) != on) runs.push_back(0), on = !on;
            ++runs.back();
        }
        ASSERT_GE(runs.size(), 8u) << row;
        for (std::size_t i = 1; i + 2 < runs.size(); i += 2) {  // whole runs only
            EXPECT_NEAR(runs[i] + runs[i + 1], 10, 1) << row;
            EXPECT_NEAR(std::max(runs[i], runs[i + 1]), 6, 1) << row;
        }
    }
}

TEST_F(FrameDrawing, PausedFadesTheRingButNotTheTagWhichMovesUnderAFullBox) {
    model.status = WatchStatus::paused;
    draw("paused");
    EXPECT_NEAR(alpha(4, 43), 102, 3);
    EXPECT_TRUE(is(5, 10, Brand::signal()) && alpha(5, 10) == 255);

    model.status = WatchStatus::watching;
    window->setGeometry(Rect{195, 19, 190, 68});
    window->layOut({120, 40}, false);
    draw("tag_below");
    EXPECT_EQ(alpha(5, 10), 0) << "inside the box now";
    EXPECT_TRUE(is(4, 25, Brand::signal()) && is(5, 58, Brand::signal())) << "the tag 5 under the box";
}

TEST_F(FrameDrawing, WithoutACompositorTheShapeIsWhatItPaints) {
    EXPECT_TRUE(window->mask().isEmpty());
    window->setCompositing(false);
    const QRegion shape = window->mask();
    for (QPoint in : {QPoint(4, 43), QPoint(2, 43), QPoint(5, 10)}) EXPECT_TRUE(shape.contains(in)) << in.x();
    // The faint dark hairline would show black: left out, like the box.
    for (QPoint out : {QPoint(1, 43), QPoint(60, 43), QPoint(185, 10)}) EXPECT_FALSE(shape.contains(out)) << out.x();
    model.status = WatchStatus::paused;
    window->redraw();
    EXPECT_TRUE(window->mask().contains(QPoint(4, 43))) << "a paused frame keeps its line";
    // The flash's fill through the shape and a compositor's coming and going: the desktop test.
}

}  // namespace
}  // namespace kestrove
