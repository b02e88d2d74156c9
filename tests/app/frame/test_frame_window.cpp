// The frame's drawing and shape, rendered offscreen (pictures in
// <build>/snapshots/frame).
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QElapsedTimer>

#include <algorithm>

#include "app/frame/frame_layout.hpp"
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

// The shape by its definition: every pixel of the whole drawing at least a
// third opaque.
QRegion shapeOfTheWholeDrawing(const QImage& drawn) {
    QRegion shape;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (qAlpha(drawn.pixel(x, y)) >= 80) shape += QRect(x, y, 1, 1);
    return shape;
}

TEST_F(FrameDrawing, TheShapeFoundAroundTheBoxIsTheShapeOfTheWholeDrawing) {
    window->setCompositing(false);
    struct Case {
        const char* name;
        WatchStatus status;
        bool flashOn;
        Rect box;  // global points, on a screen from 0, 0
    };
    const Case cases[] = {
        {"watching", WatchStatus::watching, false, {200.3, 100.6, 120, 40}},
        {"blinking", WatchStatus::watching, true, {200, 100, 120, 40}},
        {"paused", WatchStatus::paused, false, {200, 100, 120, 40}},
        {"lost sight", WatchStatus::lostSight, false, {200.5, 100.5, 300, 160}},
        {"tag below", WatchStatus::watching, false, {200, 10, 300, 160}},
        {"large, blinking", WatchStatus::watching, true, {50, 60, 900, 500}},
        {"too small for a hole", WatchStatus::watching, true, {200, 100, 12, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model.status = c.status;
        model.flashOn = model.flashing = c.flashOn;
        const auto layout = FrameGeometry::around(c.box, {0, 0, 1920, 1080});
        window->setGeometry(layout.window);
        window->layOut({c.box.width, c.box.height}, layout.tagOnTop);
        window->redraw();
        const QRegion expected = shapeOfTheWholeDrawing(window->render());
        EXPECT_FALSE(expected.isEmpty());
        std::string differs;
        for (const QRect& r : window->mask() ^ expected)
            differs += (expected.contains(r.topLeft()) ? " missing " : " extra ") + std::to_string(r.x()) + "," +
                       std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" + std::to_string(r.height());
        EXPECT_EQ(differs, "");
    }
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

// Without a compositor a large box's inside is painted ahead of its first
// blink, unseen: after the frame shows, in its backing store only.
TEST(FrameWindowInside, IsPaintedAheadOfTheFirstBlinkOutsideTheShape) {
    offscreen::app();
    FrameModel model;
    FrameWindow window(model, /*compositing=*/false);
    const Rect box{40, 50, 700, 500};
    const auto layout = FrameGeometry::around(box, {0, 0, 1920, 1080});
    window.setGeometry(layout.window);
    window.layOut({box.width, box.height}, layout.tagOnTop);
    const Rect view = FrameGeometry::boxInView({box.width, box.height}, layout.tagOnTop);
    const QRect inside = QRectF(view.x, view.y, view.width, view.height).toAlignedRect().adjusted(6, 6, -6, -6);
    // Rows of the inside the backing store holds black (a new store holds nothing painted).
    const auto blackRows = [&] {
        QBackingStore* store = window.backingStore();
        auto* image = store ? dynamic_cast<QImage*>(store->paintDevice()) : nullptr;
        if (!image || !image->rect().contains(inside)) return -1;
        int rows = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image->constScanLine(y));
            rows += std::all_of(line + inside.left(), line + inside.right() + 1,
                                [](QRgb p) { return p == qRgba(0, 0, 0, 255); });
        }
        return rows;
    };
    window.show();
    EXPECT_LT(blackRows(), 64) << "not in the call that shows it";
    QElapsedTimer waited;
    waited.start();
    while (blackRows() < inside.height() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(blackRows(), inside.height());
    EXPECT_FALSE(window.mask().intersects(inside.adjusted(1, 1, -1, -1))) << "the inside stays out of the shape";
}

}  // namespace
}  // namespace kestrove
