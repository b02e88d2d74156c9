// The tray icon's picture: the mark, the count's badge, the highlight and
// the dot's size, at the sizes trays ask for.
#include <gtest/gtest.h>

#include "app/look/brand.hpp"
#include "app/menu/status_item.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

int count(const QImage& image, const std::function<bool(QColor)>& which) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += which(image.pixelColor(x, y));
    return n;
}

bool red(QColor c) { return c.alpha() > 200 && c.red() > 180 && c.green() < 90; }
bool ink(QColor c) { return c.alpha() > 200 && c.red() < 40 && c.green() < 40; }

TEST(StatusIcon, CountBadgeHighlightAndDot) {
    offscreen::app();
    for (int side : {16, 22, 48}) {
        const QImage plain = StatusIcon::render({1, 0, false}, side, 1, Qt::black);
        EXPECT_EQ(plain.size(), QSize(side, side));
        EXPECT_EQ(count(plain, red), 0) << "no badge without active watches";
        EXPECT_GT(count(plain, ink), side) << "the mark";
        EXPECT_EQ(plain.pixelColor(0, 0).alpha(), 0) << "transparent around it";

        const QImage two = StatusIcon::render({1, 2, false}, side, 1, Qt::black);
        offscreen::saveSnapshot(two, "menu/icon", QString("count-2-%1").arg(side));
        EXPECT_GT(count(two, red), side) << "the badge";
        const int from = side * 2 / 5;
        EXPECT_EQ(count(two.copy(from, from, side - from, side - from), red), count(two, red)) << "at the bottom right";
        const int sharp = count(StatusIcon::render({1, 2, false}, side, 2, Qt::black), red);
        EXPECT_NEAR(sharp, 4 * count(two, red), count(two, red)) << "twice the pixels a point";

        const QImage lit = StatusIcon::render({1, 0, true}, side, 1, Qt::black);
        EXPECT_GT(lit.pixelColor(side / 2, 1).alpha(), 30) << "a ground while the panel is open";
    }
    EXPECT_GT(count(StatusIcon::render({1.32, 0, false}, 48, 1, Qt::black), ink),
              count(StatusIcon::render({1, 0, false}, 48, 1, Qt::black), ink))
        << "a bigger dot";
    EXPECT_GT(count(StatusIcon::render({1, 0, false}, 22, 1, Qt::white), [](QColor c) {
                  return c.alpha() > 200 && c.red() > 220;
              }),
              22)
        << "drawn in the ink it is given";
}

// The mark's colour: the appearance setting first, then what the tray
// publishes, then the palette.
TEST(StatusIcon, InkFollowsTheSchemeThenTheTrayThenThePalette) {
    QPalette light;
    light.setColor(QPalette::WindowText, QColor(20, 20, 20));
    QPalette dark;
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    const Rgb amber{255, 200, 0};
    struct Case {
        const char* name;
        TrayLook look;
        const QPalette& palette;
        QColor expected;
    };
    const Case cases[] = {
        {"dark scheme", {ColorScheme::dark, std::nullopt}, light, Qt::white},
        {"light scheme", {ColorScheme::light, std::nullopt}, dark, Qt::black},
        {"the scheme over the tray", {ColorScheme::dark, amber}, light, Qt::white},
        {"the tray's text", {ColorScheme::noPreference, amber}, light, QColor(255, 200, 0)},
        {"the palette, light", {}, light, QColor(20, 20, 20)},
        {"the palette, dark", {}, dark, QColor(230, 230, 230)},
    };
    for (const Case& c : cases) EXPECT_EQ(StatusIcon::ink(c.look, c.palette), c.expected) << c.name;
}

}  // namespace
}  // namespace kestrove
