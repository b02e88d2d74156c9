// The tray icon's picture: the mark, the count's badge, the highlight and
// the dot's size, at the sizes trays ask for.
#include <gtest/gtest.h>

#include <QPainter>

#include "app/look/brand.hpp"
#include "app/look/qt_image.hpp"
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

// The mark's colour: the tray's ground where it is known (the tray's text
// colour only where it stands out from it), else the appearance setting,
// then what the tray publishes, then the palette.
TEST(StatusIcon, InkFollowsTheGroundThenTheSchemeThenTheTrayThenThePalette) {
    QPalette light;
    light.setColor(QPalette::WindowText, QColor(20, 20, 20));
    QPalette dark;
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    const Rgb amber{255, 200, 0};  // luminance 0.774
    const TrayLook none;
    const TrayLook darkScheme{ColorScheme::dark, std::nullopt, nullptr};
    const TrayLook lightScheme{ColorScheme::light, std::nullopt, nullptr};
    const TrayLook trayAmber{ColorScheme::noPreference, amber, nullptr};
    const double e8 = 0.9098;  // a tray tinted #e8e8e8
    struct Case {
        const char* name;
        const TrayLook& look;
        const QPalette& palette;
        std::optional<double> ground;
        QColor expected;
    };
    const Case cases[] = {
        {"dark scheme", darkScheme, light, std::nullopt, Qt::white},
        {"light scheme", lightScheme, dark, std::nullopt, Qt::black},
        {"the scheme over the tray", {ColorScheme::dark, amber, nullptr}, light, std::nullopt, Qt::white},
        {"the dark scheme over a light tray", darkScheme, dark, e8, Qt::black},
        {"the light scheme over a dark tray", lightScheme, light, 0.1, Qt::white},
        {"the dark scheme and a dark tray agree", darkScheme, light, 0.12, Qt::white},
        {"the light scheme and a light tray agree", lightScheme, dark, e8, Qt::black},
        {"the tray's text", trayAmber, light, std::nullopt, QColor(255, 200, 0)},
        {"the tray's text standing out from its ground", trayAmber, light, 0.1, QColor(255, 200, 0)},
        {"the tray's text just far enough from its ground", trayAmber, light, 0.37, QColor(255, 200, 0)},
        {"the tray's text too near its ground", trayAmber, light, 0.38, Qt::white},
        {"the tray's text lost on its ground", {ColorScheme::dark, amber, nullptr}, dark, 0.9, Qt::black},
        {"a dark ground, whatever the palette", none, light, 0.12, Qt::white},
        {"a light ground, whatever the palette", none, dark, 0.93, Qt::black},
        {"a ground just darker than the middle", none, light, 0.49, Qt::white},
        {"a ground just lighter than the middle", none, dark, 0.51, Qt::black},
        {"the palette, light", none, light, std::nullopt, QColor(20, 20, 20)},
        {"the palette, dark", none, dark, std::nullopt, QColor(230, 230, 230)},
    };
    for (const Case& c : cases) EXPECT_EQ(StatusIcon::ink(c.look, c.palette, c.ground), c.expected) << c.name;
}

// What the screen shows in the icon's window: the tray's ground with
// `shown` laid over it.
Image onScreen(QRgb ground, const QImage& shown) {
    QImage screen(shown.size(), QImage::Format_ARGB32_Premultiplied);
    screen.fill(QColor(ground));
    QPainter p(&screen);
    p.drawImage(QPoint(0, 0), shown);
    p.end();
    return imageFromQImage(screen);
}

// The tray's ground is judged from the pixels the icon leaves bare, whatever
// ink lies on the rest, and not at all when too few are bare.
TEST(StatusIcon, GroundIsJudgedFromWhatTheIconLeavesBare) {
    offscreen::app();
    const QImage black = StatusIcon::render({1, 0, false}, 24, 1, Qt::black);
    const QImage white = StatusIcon::render({1.32, 12, false}, 24, 1, Qt::white);
    const QImage badge = StatusIcon::render({1, 3, false}, 24, 1, Qt::black);
    const QImage lit = StatusIcon::render({1, 0, true}, 24, 1, Qt::black);
    // Ink over most of the window.
    QImage block(24, 24, QImage::Format_ARGB32_Premultiplied);
    block.fill(Qt::transparent);
    QPainter(&block).fillRect(0, 0, 24, 18, Qt::white);
    struct Case {
        const char* name;
        QRgb ground;
        const QImage& shown;  // what the screen shows over the ground
        const QImage& drawn;  // the icon as we painted it
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"dark ground, black mark", 0x202020, black, black, 32 / 255.0},
        {"light ground, black mark", 0xeeeeee, black, black, 238 / 255.0},
        {"dark ground, white mark, big dot and badge", 0x202020, white, white, 32 / 255.0},
        {"a badge still shown that is drawn no more", 0xeeeeee, badge, black, 238 / 255.0},
        {"ink over most of the window", 0x202020, block, block, 32 / 255.0},
        {"a coloured ground, as the eye weighs it", qRgb(0, 200, 0), black, black, 0.7152 * 200 / 255},
        {"the highlight leaves too little bare", 0xeeeeee, lit, lit, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto ground = StatusIcon::ground(onScreen(c.ground, c.shown), c.drawn);
        if (!c.expected) {
            EXPECT_FALSE(ground) << c.name;
            continue;
        }
        ASSERT_TRUE(ground) << c.name;
        EXPECT_NEAR(*ground, *c.expected, 0.005) << c.name;
    }
    EXPECT_FALSE(StatusIcon::ground(onScreen(0x202020, black), StatusIcon::render({1, 0, false}, 22, 1, Qt::black)))
        << "a picture of another size tells nothing";
}

}  // namespace
}  // namespace kestrove
