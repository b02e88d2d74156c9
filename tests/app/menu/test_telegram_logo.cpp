// The messenger's mark drawn from its path: square and centred in any
// frame, blue with the plane showing white.
#include <gtest/gtest.h>

#include <QPainter>

#include "app/menu/telegram_logo.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

QImage draw(QSize size, QColor backdrop = Qt::transparent) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(backdrop);
    QPainter p(&image);
    TelegramLogo::paint(p, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

TEST(TelegramLogo, SquareAndCentredInAWiderFrame) {
    offscreen::app();
    const QImage wide = draw({40, 32});
    for (int y = 0; y < 32; ++y)
        for (int x : {0, 1, 2, 3, 36, 37, 38, 39}) ASSERT_EQ(qAlpha(wide.pixel(x, y)), 0) << x << "," << y;
    // The disc reaches the frame's top and bottom in the middle column.
    EXPECT_GT(qAlpha(wide.pixel(20, 0)), 100);
    EXPECT_GT(qAlpha(wide.pixel(20, 31)), 100);
    EXPECT_EQ(QColor(wide.pixel(20, 3)), QColor(38, 165, 228));
    EXPECT_EQ(TelegramLogo().accessibleName(), "Telegram");
}

TEST(TelegramLogo, ThePlaneShowsWhiteThroughTheBlueDisc) {
    offscreen::app();
    const int side = 240;
    const QImage image = draw({side, side});
    QPainterPath disc;
    disc.addEllipse(QRectF(0.3, 0.3, 23.4, 23.4));
    // Pixels whose whole square lies on one side of every edge: white where
    // the disc is but the path is not (the plane), blue inside the path.
    int plane = 0, blue = 0;
    for (int y = 0; y < side; y += 3)
        for (int x = 0; x < side; x += 3) {
            const QRectF square(x / 10.0 - 0.1, y / 10.0 - 0.1, 0.3, 0.3);
            const QColor pixel = image.pixelColor(x, y);
            if (disc.contains(square) && !TelegramLogo::path().intersects(square)) {
                ++plane;
                EXPECT_EQ(pixel, QColor(Qt::white)) << x << "," << y;
            } else if (TelegramLogo::path().contains(square)) {
                ++blue;
                EXPECT_EQ(pixel, QColor(38, 165, 228)) << x << "," << y;
            }
        }
    EXPECT_GT(plane, 200) << "the plane is a real hole";
    EXPECT_GT(blue, 2000);
}

}  // namespace
}  // namespace kestrove
