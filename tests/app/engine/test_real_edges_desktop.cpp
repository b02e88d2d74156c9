// Ordinary text on real pages that the picture's preparation must leave as
// it is: a small caption whose foot the box's edge touches, digits raised
// after a number that are no cents, a bar between words (an editor's caret
// between letters being none). The engine runs on virtual time; capture,
// recognition and the programs are real.
#include <QDir>
#include <QProcess>

#include "core/reading/number_parser.hpp"
#include "engine/real_programs.hpp"

namespace kestrove::testing {
namespace {

using desktop::RealApp;
using desktop::texts;

// Every number the lines hold, as the number reader takes them.
std::vector<double> numbersIn(const std::vector<OCRLine>& lines) {
    std::vector<double> out;
    for (const OCRLine& line : lines)
        for (const ReadNumber& n : NumberParser::numbers(line.text, false)) out.push_back(n.value);
    return out;
}

// A box from `left` pixels left of and `above` pixels above the line
// holding `figure` to the foot of the line holding `note` under it, `width` wide.
template <class Readers>
std::optional<Rect> figureAndNote(Readers& readers, const Rect& frame, const std::string& figure,
                                  const std::string& note, double left, double above, double width) {
    const std::optional<Rect> upper = readers.locate(frame, figure);
    const std::optional<Rect> lower = readers.locate(frame, note);
    if (!upper || !lower) return std::nullopt;
    const double x = std::floor(std::min(upper->x, lower->x) - left), top = std::floor(upper->y - above);
    return Rect{x, top, width, std::round(lower->maxY()) - top};
}

// A large price over a small caption with no descenders, the box's bottom
// edge on the caption's foot or up to two pixels above it: the caption was
// painted out as a cut row, so a watch on its percentage saw none.
TEST_F(RealPrograms, ASmallCaptionOnTheBoxsBottomEdgeIsReadUnderItsPrice) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    Browser browser(page(".price { font-size: 40px; font-weight: bold; } .note { font-size: 13px; color: #333; "
                         "margin-top: 6px; }",
                         R"(<div class="price">$1,299</div><div class="note">Save <span id="p">15%</span> now</div>)"),
                    "15%");
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    const std::optional<Rect> both = figureAndNote(readers, window->frame, "1,299", "Save", 10, 8, 220);
    ASSERT_TRUE(both);
    for (int above = 0; above <= 2; ++above) {
        const WatchRegion box = readers.drawAround({both->x, both->y, both->width, both->height - above}, window->frame, 0);
        EXPECT_EQ(numbersIn(readers.picture(box)), (std::vector<double>{1299, 15}))
            << above << " px above its foot: " << ::testing::PrintToString(texts(readers.picture(box)));
    }
    // The caption standing on the box's bottom edge.
    const WatchRegion box = readers.drawAround(*both, window->frame, 0);
    const std::optional<WatchSpec> watch = confirmed("the discount rises above 20%", box, "w_EDGE01");
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->baseline.currentValue, 15);
    add(*watch);
    barksOnceAt(browser, box, "25%", "25%");
}

// Raised digits after a number that is no price are no cents: "Opens at
// 9³⁰" read 9.30; a price's raised cents are still its cents.
TEST_F(RealPrograms, RaisedDigitsAreCentsOnlyOfAPrice) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    Browser browser(page(".line { font-size: 28px; margin-bottom: 14px; } sup { font-size: 55%; }",
                         R"(<div class="line">Opens at 9<sup>30</sup></div>)"
                         R"(<div class="line" id="p">Price $249<sup>99</sup></div>)"),
                    "Price $249<sup>99</sup>");
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    const std::optional<Rect> opens = readers.locate(window->frame, "Opens");
    const std::optional<Rect> price = readers.locate(window->frame, "Price");
    ASSERT_TRUE(opens && price);
    const Rect both = Rect::fromEdges(std::min(opens->minX(), price->minX()), opens->minY(),
                                      std::max(opens->maxX(), price->maxX()), price->maxY());
    const WatchRegion box = readers.drawAround(both, window->frame, 10);
    const std::vector<OCRLine> lines = readers.picture(box);
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(texts(lines));
    EXPECT_EQ(lines[0].text.rfind("Opens at 9", 0), 0u) << lines[0].text;
    EXPECT_EQ(numbersIn({lines[0]}), std::vector<double>{9}) << lines[0].text;
    EXPECT_EQ(numbersIn({lines[1]}), std::vector<double>{249.99}) << lines[1].text;

    const std::optional<WatchSpec> watch = confirmed("the price drops below 200", box, "w_SUPR01");
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->baseline.currentValue, 249.99);
    add(*watch);
    barksOnceAt(browser, box, "Price $189<sup>99</sup>", "189.99");
}

// A page's own superscript, five sixths of its line and rising above it:
// "10¹²" read 1012 and "Departs 10⁴⁵" 1045, numbers the page never shows,
// and a rank's raised letters "2"4", a number more.
TEST_F(RealPrograms, APagesOwnSuperscriptsKeepTheirNumbersApart) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    Browser browser(page(".line { font-size: 20px; margin-bottom: 16px; }",
                         R"(<div class="line">Capacity 10<sup>12</sup> bytes</div>)"
                         R"(<div class="line">Departs 10<sup>45</sup></div>)"
                         R"(<div class="line" id="p">Ranked 2<sup>nd</sup> of 48</div>)"),
                    "Ranked 2<sup>nd</sup> of 48");
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    struct Line {
        const char* words;  // to find it by
        const char* read;
        std::vector<double> numbers;
    };
    for (const Line& line : {Line{"Capacity", "Capacity 10\u00B9\u00B2 bytes", {10}},
                             Line{"Departs", "Departs 10\u2074\u2075", {10}},
                             Line{"Ranked", "Ranked 2nd of 48", {48}}}) {
        const std::vector<OCRLine> lines = readers.picture(boxAround(*window, line.words, 8));
        EXPECT_EQ(texts(lines), std::vector<std::string>{line.read});
        EXPECT_EQ(numbersIn(lines), line.numbers) << ::testing::PrintToString(texts(lines));
    }
}

// A muted caption, grey on slate, under a large figure, the box's bottom
// edge on its foot: Tesseract read nothing of it, the figure being far
// darker, and read the figure "73km", no number.
TEST_F(RealPrograms, AMutedCaptionUnderAFigureIsRead) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    Browser browser(page("body { background: #22272e; font-family: 'URW Gothic'; } "
                         ".figure { font-size: 40px; color: #adbac7; line-height: 1.15; } "
                         ".note { font-size: 12px; color: #768390; line-height: 1.15; }",
                         R"(<div class="figure" id="p">73 km</div><div class="note">left on this charge</div>)"),
                    "73 km");
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    // Found by its unit: the page's address may hold "73" in its port.
    const std::optional<Rect> both = figureAndNote(readers, window->frame, "km", "charge", 6, 6, 200);
    ASSERT_TRUE(both);
    const std::vector<OCRLine> lines = readers.picture(readers.drawAround(*both, window->frame, 0));
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"73 km", "left on this charge"}));
    EXPECT_EQ(numbersIn(lines), std::vector<double>{73}) << ::testing::PrintToString(texts(lines));
}

// A bar between words is what the line says, not a cursor: a watch for the
// line with the bar in it barks when the page shows it.
TEST_F(RealPrograms, ABarBetweenWordsIsRead) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    Browser browser(page(".bar { font-size: 20px; }", R"(<div class="bar" id="p">Tabs | 12 open</div>)"), "Tabs | 12 open");
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    const WatchRegion box = boxAround(*window, "Tabs", 10);
    EXPECT_EQ(texts(readers.picture(box)), std::vector<std::string>{"Tabs | 12 open"});
    browser.show("A|B test");
    ASSERT_TRUE(desktop::waitFor([&] { return texts(readers.picture(box)) != std::vector<std::string>{"Tabs | 12 open"}; },
                                 3000));
    EXPECT_EQ(texts(readers.picture(box)), std::vector<std::string>{"A|B test"});
}

// A text editor's caret standing in the middle of a line is no bar of the
// line: gedit's "alpha beta gamma" read "alpha bleta gamma" or "alpha
// jbeta gamma" while its caret showed and right once it hid, an ordinary
// box's reading changing as the caret blinked or moved; amid digits it
// changed the number ("1250.00" read 1260.00). The bars the file holds are
// read.
TEST_F(RealPrograms, AnEditorsCaretInTheMiddleOfALineIsNotRead) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    Terminal other("other\n", "20x3+900+600");
    const std::optional<WindowInfo> away = other.app->window(readers.windows);
    ASSERT_TRUE(away);
    auto focus = [](const WindowInfo& w) {
        QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(w.id)});
        desktop::waitFor([] { return false; }, 300);
    };
    // gedit as it starts and in larger fonts, where the caret read as "|"
    // or "l"; its caret steady, so that it shows whenever the window has
    // the focus.
    for (const char* font : {"", "DejaVu Sans 16", "DejaVu Sans Mono 16"}) {
        SCOPED_TRACE(*font ? font : "as it starts");
        QTemporaryDir folder;
        const QString home = folder.path();
        QDir(home).mkpath("config/glib-2.0/settings");
        QDir(home).mkpath("config/gtk-3.0");
        std::ofstream(home.toStdString() + "/config/gtk-3.0/settings.ini") << "[Settings]\ngtk-cursor-blink=false\n";
        std::ofstream settings(home.toStdString() + "/config/glib-2.0/settings/keyfile");
        settings << "[org/gnome/gedit/preferences/editor]\ndisplay-line-numbers=false\n";
        if (*font) settings << "use-default-font=false\neditor-font='" << font << "'\n";
        settings.close();
        const std::string file = home.toStdString() + "/notes.txt";
        std::ofstream(file) << "alpha beta gamma\nTabs | 12 open\nA|B side\nPRICE 1250.00 14:05\n\n\n";
        RealApp editor("gedit", {QString::fromStdString(file)},
                       {"GSETTINGS_BACKEND=keyfile", "XDG_CONFIG_HOME=" + home + "/config"});
        const std::optional<WindowInfo> window = editor.window(readers.windows);
        ASSERT_TRUE(window);
        // The caret out of the way, on an empty line under the text.
        focus(*window);
        QProcess::execute("xdotool", {"key", "ctrl+End"});
        const WatchRegion words = boxAround(*window, "alpha", 8), digits = boxAround(*window, "PRICE", 8);
        EXPECT_EQ(texts(readers.picture(boxAround(*window, "Tabs", 8))), std::vector<std::string>{"Tabs | 12 open"});
        EXPECT_EQ(texts(readers.picture(boxAround(*window, "side", 8))), std::vector<std::string>{"A|B side"});
        // The caret between two letters, then after a space between words;
        // between digits, before a point, after a colon.
        const std::vector<std::pair<int, int>> places{{0, 7}, {0, 6}, {3, 8}, {3, 10}, {3, 17}};  // line, letters in
        for (const auto& [down, right] : places) {
            const WatchRegion& line = down ? digits : words;
            const std::vector<std::string> text{down ? "PRICE 1250.00 14:05" : "alpha beta gamma"};
            focus(*window);
            QStringList keys{"key", "--delay", "60", "ctrl+Home"};
            for (int i = 0; i < down; ++i) keys << "Down";
            for (int i = 0; i < right; ++i) keys << "Right";
            QProcess::execute("xdotool", keys);
            desktop::waitFor([] { return false; }, 300);
            EXPECT_EQ(texts(readers.picture(line)), text) << "the caret shown, " << right << " letters in";
            focus(*away);
            EXPECT_EQ(texts(readers.picture(line)), text) << "the caret hidden, " << right << " letters in";
        }
    }
}

}  // namespace
}  // namespace kestrove::testing
