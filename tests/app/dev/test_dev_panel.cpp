// The panel fit check: its comparator and picture names, the sample areas it
// shows, and a whole run on the offscreen platform.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <sstream>

#include "app/dev/dev_panel.hpp"
#include "app/dev/sample.hpp"
#include "app/platform/qt/qt_screens.hpp"
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
    for (const Sample& sample :
         {Sample::price(false), Sample::twoPrices(true), Sample::soldOut(false), Sample::minutes(true),
          Sample::timer(false), Sample::chat(false), Sample::exporting(true), Sample::build(), Sample::spinner(false),
          Sample::blank(true)}) {
        const WatchRegion& r = sample.region;
        EXPECT_EQ(sample.picture.size(), QSize(int(2 * r.w), int(2 * r.h)));
        EXPECT_EQ((std::tuple{r.displayID, r.x, r.y, r.scale}), (std::tuple{1u, 812.0, 340.0, 2.0}));
        EXPECT_FALSE(r.window);
    }
    // The picture holds the reading's text where its box says: the price line is not all background.
    const Sample price = Sample::price(false);
    const auto& lines = price.reading.lines;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "Wireless headphones");
    EXPECT_EQ(lines[1].text, "249,00 €");
    EXPECT_GT(lines[1].box.h, lines[0].box.h) << "the price is the larger text";
    const int row = int((lines[1].box.y + lines[1].box.h / 2) * price.picture.height());
    bool inked = false;
    for (int x = int(lines[1].box.x * price.picture.width()); x < price.picture.width() / 2 && !inked; ++x)
        inked = qGray(price.picture.pixel(x, row)) < 128;
    EXPECT_TRUE(inked);
    EXPECT_EQ(Sample::price(false, "189,00 €").reading.lines[1].text, "189,00 €");
}

TEST(DevPanelRun, EveryStateFitsAndEveryPanelStateIsDrawn) {
    offscreen::app();
    QTemporaryDir dir;
    std::ostringstream out;
    const QtScreens screens;
    EXPECT_EQ(DevPanel::run(dir.path().toStdString(), screens, out, std::chrono::milliseconds(30)), 0);
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    // The tray panel's states come between the new-watch and welcome ones.
    const std::size_t menu = 12;
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
