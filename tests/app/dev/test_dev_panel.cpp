// The panel fit check: its comparator and picture names, the sample areas it
// shows, and a whole run on the offscreen platform.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <sstream>

#include "app/dev/dev_panel.hpp"
#include "app/dev/sample.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

TEST(DevPanelFit, AtMostOnePointApart) {
    struct Case {
        double have, needed;
        bool fits;
    };
    for (const Case& c : {Case{120, 120, true}, Case{121, 120, true}, Case{120, 121, true}, Case{121.5, 120, false},
                          Case{118.5, 120, false}, Case{0, 60, false}}) {
        EXPECT_EQ(DevPanel::fits(c.have, c.needed), c.fits) << c.have << " for " << c.needed;
    }
    EXPECT_EQ(DevPanel::summary(0), "every window follows its content in every state");
    EXPECT_EQ(DevPanel::summary(1), "1 states where a window does not fit its content");
}

TEST(DevPanelNames, PanelStepsLoseBlanksMenuStatesLoseBlanksAndCommas) {
    EXPECT_EQ(DevPanel::panelPicture("export", "too vague"), "panel-export-too-vague.png");
    EXPECT_EQ(DevPanel::panelPicture("direct, Chromium", "read"), "panel-direct, Chromium-read.png");
    EXPECT_EQ(DevPanel::panelPicture("model", "checks used up, no time"), "panel-model-checks-used-up,-no-time.png");
    EXPECT_EQ(DevPanel::menuPicture("two watches, a newer version is out"),
              "menu-two-watches-a-newer-version-is-out.png");
}

TEST(Samples, TwoPixelsPerPointAtOneFixedPlaceWithTheirReading) {
    offscreen::app();
    struct Case {
        const char* name;
        Sample sample;
        double w, h;
        std::size_t lines;
    };
    const Case cases[] = {
        {"price", Sample::price(false), 300, 110, 2},     {"twoPrices", Sample::twoPrices(true), 300, 100, 2},
        {"soldOut", Sample::soldOut(false), 300, 100, 2}, {"minutes", Sample::minutes(true), 300, 84, 2},
        {"timer", Sample::timer(false), 220, 96, 1},      {"chat", Sample::chat(false), 280, 104, 3},
        {"export", Sample::exporting(true), 320, 84, 1},  {"build", Sample::build(), 320, 90, 2},
        {"spinner", Sample::spinner(false), 200, 120, 0}, {"blank", Sample::blank(true), 260, 80, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.sample.picture.size(), QSize(int(2 * c.w), int(2 * c.h)));
        const WatchRegion& r = c.sample.region;
        EXPECT_EQ(r.displayID, 1u);
        EXPECT_EQ(r.x, 812);
        EXPECT_EQ(r.y, 340);
        EXPECT_EQ(r.w, c.w);
        EXPECT_EQ(r.h, c.h);
        EXPECT_EQ(r.scale, 2);
        EXPECT_FALSE(r.window);
        EXPECT_EQ(c.sample.reading.lines.size(), c.lines);
    }
    // Lines from 18 points in and down, each 6 points below the one before.
    const auto& price = cases[0].sample.reading.lines;
    EXPECT_EQ(price[0].text, "Wireless headphones");
    EXPECT_EQ(price[1].text, "249,00 €");
    EXPECT_DOUBLE_EQ(price[0].box.x, 18.0 / 300);
    EXPECT_DOUBLE_EQ(price[0].box.y, 18.0 / 110);
    EXPECT_NEAR((price[1].box.y - price[0].box.y - price[0].box.h) * 110, 6, 1e-9);
    EXPECT_GT(price[1].box.h, price[0].box.h) << "the price is the larger text";
    // The picture holds its text: the price line is not all background.
    const QImage& picture = cases[0].sample.picture;
    const int row = int((price[1].box.y + price[1].box.h / 2) * picture.height());
    bool inked = false;
    for (int x = 36; x < picture.width() / 2 && !inked; ++x) inked = qGray(picture.pixel(x, row)) < 128;
    EXPECT_TRUE(inked);
    EXPECT_EQ(Sample::price(false, "189,00 €").reading.lines[1].text, "189,00 €");
}

TEST(DevPanelRun, EveryStateFitsAndEveryPanelStateIsDrawn) {
    offscreen::app();
    QTemporaryDir dir;
    std::ostringstream out;
    EXPECT_EQ(DevPanel::run(dir.path().toStdString(), out, std::chrono::milliseconds(30)), 0);
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    // The tray panel's states come between the new-watch and welcome ones.
#if __has_include("app/menu/menu_model.hpp")
    const std::size_t menu = 12;
#else
    const std::size_t menu = 0;
#endif
    ASSERT_EQ(lines.size(), 26 + menu + 8 + 1) << out.str();
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].rfind("ok   ", 0), 0u) << lines[i];
    for (std::size_t i = 26; i < 26 + menu; ++i) EXPECT_NE(lines[i].find(" menu · "), std::string::npos) << lines[i];
    EXPECT_EQ(lines[0], "ok   export · opened: panel 50 pt, content needs 50 pt");
    EXPECT_NE(lines[25].find("blank · clarify: panel "), std::string::npos);
    for (std::size_t i = 26 + menu; i < 34 + menu; ++i)
        EXPECT_NE(lines[i].find(" welcome · "), std::string::npos) << lines[i];
    EXPECT_EQ(lines[30 + menu].rfind("ok   welcome · a capture was refused: ", 0), 0u) << "the window grows for the refusal";
    EXPECT_EQ(lines.back(), "every window follows its content in every state");
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("panel-*.png")}, QDir::Files).size(), 26);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("menu-*.png")}, QDir::Files).size(), qsizetype(menu));
    const QImage confirm(dir.filePath(QStringLiteral("panel-price-confirm.png")));
    const QImage opened(dir.filePath(QStringLiteral("panel-price-opened.png")));
    EXPECT_EQ(confirm.width(), 400);
    EXPECT_GT(confirm.height(), opened.height()) << "the card is taller than the empty field";
}

}  // namespace
}  // namespace kestrove
