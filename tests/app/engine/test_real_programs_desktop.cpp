// Watches over real programs, read as a user sees them: a shop page whose
// price is a large coloured number beside a small label, xterm in the font it
// starts with (its cursor filled while focused, hollow while not), and a GTK 4
// calculator read straight from its accessibility tree. The engine runs on
// virtual time; capture, recognition and the programs are real.
#include <QTemporaryDir>

#include "core/windows/direct_agreement.hpp"
#include "engine/real_programs.hpp"
#include "support/app/desktop_fixture.hpp"
#include "test_window/layout.hpp"

namespace kestrove::testing {
namespace {

using desktop::RealApp;
using desktop::texts;

const char* const shop = R"(<!doctype html>
<html><head><meta charset="utf-8"><title>Shop</title>
<style>body { font-family: "DejaVu Sans", sans-serif; margin: 40px; background: #fff; }
.label { font-size: 14px; color: #555; } .price { font-size: 44px; font-weight: bold; color: #c8102e; }</style>
<script>
setInterval(() => fetch('/part').then(r => r.text()).then(t => { document.getElementById('p').textContent = t; }), 300);
</script></head><body>
<div><span class="label">Price:</span> <span class="price" id="p">$249</span></div>
</body></html>)";

TEST_F(RealPrograms, APriceBesideItsLabelBecomesANumberWatchThatBarksWhenItFalls) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    Browser browser(shop, "$249");
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    const WatchRegion box = boxAround(*window, "Price", 10);

    const std::optional<WatchSpec> watch = confirmed("the price drops below 200", box, "w_PRICE1");
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->type, WatchType::numberCompare);
    EXPECT_EQ(watch->baseline.currentValue, 249);
    add(*watch);
    barksOnceAt(browser, box, "$189", "189");
}

// A count rewritten in place: the cursor stands right after it, filled while
// the terminal has the focus and hollow while it has not.
TEST_F(RealPrograms, TextInXtermsOwnFontIsReadAsShownWhateverItsCursor) {
    Terminal term("Remaining: 16 files");
    const std::optional<WindowInfo> window = term.app->window(readers.windows);
    ASSERT_TRUE(window);
    Terminal other("other\n", "20x3+700+500");
    const std::optional<WindowInfo> away = other.app->window(readers.windows);
    ASSERT_TRUE(away);
    const std::optional<Rect> line = readers.locate(window->frame, "Remaining");
    ASSERT_TRUE(line);
    const WatchRegion box = readers.drawAround(Rect{line->x, line->y, 160, line->height}, window->frame);
    for (const WindowInfo* focused : {&*window, &*away}) {
        QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(focused->id)});
        desktop::waitFor([] { return false; }, 300);
        const CompileOutcome outcome = compile("\"Remaining\" is gone", box, "w_GONE01");
        EXPECT_EQ(outcome.kind(), CompileOutcome::Kind::confirm)
            << "not already gone: " << ::testing::PrintToString(texts(readers.picture(box, false)));
        ASSERT_NE(outcome.spec(), nullptr);
        EXPECT_EQ(outcome.spec()->type, WatchType::textGone);
    }
}

// The cursor turns hollow and filled as the window loses and takes the
// focus, the watch is paused and resumed, the application restarts: none of
// it is a new line. One line appended is.
TEST_F(RealPrograms, AnXtermNewLineWatchBarksOnlyAtALineAppended) {
    Terminal term("12:01:21 sync started\nGET /api/pay 200 OK\n$ ");  // a prompt, the cursor after it
    const std::optional<WindowInfo> window = term.app->window(readers.windows);
    ASSERT_TRUE(window);
    Terminal other("other\n", "20x3+700+500");
    const std::optional<WindowInfo> away = other.app->window(readers.windows);
    ASSERT_TRUE(away);
    // The box takes the lines and the prompt below them, where the cursor is.
    const std::optional<Rect> first = readers.locate(window->frame, "started");
    ASSERT_TRUE(first);
    const Rect lines{first->x, first->y, 300, first->height * 6};
    const WatchRegion box = readers.drawAround(lines, window->frame);
    std::optional<WatchSpec> watch = confirmed("a new line appears", box, "w_LINES1");
    ASSERT_TRUE(watch);
    ASSERT_EQ(watch->type, WatchType::newLine);
    watch->mode = WatchMode::everyTime;
    add(*watch);

    auto focus = [](const WindowInfo& w) {
        QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(w.id)});
    };
    for (int i = 0; i < 20; ++i) {
        focus(i % 2 ? *window : *away);
        cycle();
    }
    EXPECT_EQ(barks, 0) << "focus changes";
    manager->pause(watch->id);
    cycle();
    manager->resume(watch->id);
    for (int i = 0; i < 3; ++i) cycle();
    EXPECT_EQ(barks, 0) << "pause and resume";
    makeManager();
    watchBarks();
    manager->restore();
    for (int i = 0; i < 3; ++i) cycle();
    focus(*window);
    cycle();
    EXPECT_EQ(barks, 0) << "a restart";

    term.append("12:03:40 deploy finished");
    ASSERT_TRUE(cycleUntil([&] { return barks > 0; }, 8)) << "no bark at the line appended";
    for (int i = 0; i < 3; ++i) cycle();
    finishFlashes();
    EXPECT_EQ(barks, 1);
}

// X11 hands the id of a closed xterm's window to the next xterm started: the
// server gives the new client the closed one's place, and xterm makes its
// windows in the same order. The watch lost its window; the newcomer at the
// same place, showing the same lines, is not it, whatever it prints.
TEST_F(RealPrograms, AClosedXtermsWatchStaysLostWhenAnotherXtermTakesItsWindowsId) {
    const std::string text = "12:01:21 sync started\nGET /api/pay 200 OK\n$ ";
    auto term = std::make_unique<Terminal>(text);
    const std::optional<WindowInfo> window = term->app->window(readers.windows);
    ASSERT_TRUE(window);
    const std::optional<Rect> first = readers.locate(window->frame, "started");
    ASSERT_TRUE(first);
    const WatchRegion box = readers.drawAround(Rect{first->x, first->y, 300, first->height * 6}, window->frame);
    ASSERT_TRUE(box.window);
    std::optional<WatchSpec> watch = confirmed("a new line appears", box, "w_GONE02");
    ASSERT_TRUE(watch);
    watch->mode = WatchMode::everyTime;
    add(*watch);
    for (int i = 0; i < 2; ++i) cycle();
    ASSERT_EQ(status(watch->id), WatchStatus::watching);

    term.reset();
    ASSERT_TRUE(listedAs(window->id, [](const WindowInfo* w) { return w == nullptr; }));
    ASSERT_TRUE(cycleUntil([&] { return status(watch->id) == WatchStatus::lostSight; }, 4, 15s));
    // Xterms started until one gets the closed window's id: the first does,
    // unless another client took the closed one's place first (those stay
    // open, holding the places before it).
    std::vector<std::unique_ptr<Terminal>> started;
    std::optional<WindowInfo> newcomer;
    for (int attempt = 0; attempt < 4 && !(newcomer && newcomer->id == window->id); ++attempt) {
        started.push_back(std::make_unique<Terminal>(text));
        newcomer = started.back()->app->window(readers.windows);
        ASSERT_TRUE(newcomer);
    }
    ASSERT_EQ(newcomer->id, window->id) << "the X server never handed the closed window's id on";
    Terminal& next = *started.back();
    ASSERT_NE(newcomer->ownerPID, window->ownerPID);
    for (int i = 0; i < 3; ++i) cycle(15s);
    next.append("12:03:40 deploy finished");
    for (int i = 0; i < 6; ++i) cycle(15s);
    finishFlashes();
    EXPECT_EQ(barks, 0) << "barked at the newcomer's line";
    EXPECT_EQ(status(watch->id), WatchStatus::lostSight);
}

// The prompt line holds only the cursor, at the line's first cell, and the
// box is drawn as a hand draws it, its left edge a few pixels into that
// cell. The watch is made as the new-watch road makes it, while the panel
// has the focus (the cursor hollow); the terminal then takes and loses the
// focus twenty times, each time for two checks (a watch barks at two met
// readings in a row). A once watch that barked at a cursor would be
// finished before the line it waits for.
TEST_F(RealPrograms, AnXtermPromptHoldingOnlyTheCursorIsNoNewLineWhateverTheFocus) {
    Terminal term("build started\nstep one done\n");
    const std::optional<WindowInfo> window = term.app->window(readers.windows);
    ASSERT_TRUE(window);
    Terminal other("other\n", "20x3+700+500");
    const std::optional<WindowInfo> away = other.app->window(readers.windows);
    ASSERT_TRUE(away);
    auto focus = [](const WindowInfo& w) {
        QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(w.id)});
    };
    ASSERT_TRUE(readers.locate(window->frame, "step one"));
    // Cells of 6 × 13 pixels from 2 pixels inside the window; the cursor in
    // the first cell of the third line; the box cuts 2 pixels off that cell.
    const Rect& f = window->frame;
    const WatchRegion box = readers.drawAround(Rect{f.x + 4, f.y + 1, 200, 44}, f, 0);
    focus(*away);
    desktop::waitFor([] { return false; }, 300);
    const std::optional<WatchSpec> watch = confirmed("a new line appears", box, "w_PROMPT");
    ASSERT_TRUE(watch);
    ASSERT_EQ(watch->type, WatchType::newLine);
    ASSERT_EQ(watch->mode, WatchMode::once);
    add(*watch);
    for (int i = 0; i < 20; ++i) {
        focus(i % 2 ? *away : *window);
        cycle();
        cycle();
    }
    EXPECT_EQ(barks, 0) << "focus changes: " << ::testing::PrintToString(texts(readers.picture(box, true)));

    term.append("deploy finished");
    ASSERT_TRUE(cycleUntil([&] { return barks > 0; }, 8)) << "no bark at the line printed";
    finishFlashes();
    EXPECT_EQ(barks, 1);
    EXPECT_EQ(status(watch->id), WatchStatus::finished);
}

// A list under a heading in capitals, in a sans font whose I is a plain
// bar as tall as the capitals: an I listed alone is a line, not a cursor.
TEST_F(RealPrograms, ALoneIUnderAHeadingInCapitalsIsANewLine) {
    const std::string page = R"(<!doctype html>
<html><head><meta charset="utf-8"><title>Parts</title>
<style>body { font-family: "DejaVu Sans", sans-serif; font-size: 20px; margin: 40px; background: #fff; }</style>
<script>
setInterval(() => fetch('/part').then(r => r.text()).then(t => { document.getElementById('p').innerHTML = t; }), 300);
</script></head><body><div id="p"></div></body></html>)";
    Browser browser(page, "<div>PARTS DONE</div>");
    const std::optional<WindowInfo> window = browser.app->window(readers.windows);
    ASSERT_TRUE(window);
    const std::optional<Rect> heading = readers.locate(window->frame, "PARTS DONE");
    ASSERT_TRUE(heading);
    const WatchRegion box = readers.drawAround({heading->x, heading->y, heading->width, heading->height * 4}, window->frame);
    const std::optional<WatchSpec> watch = confirmed("a new line appears", box, "w_PARTS1");
    ASSERT_TRUE(watch);
    ASSERT_EQ(watch->type, WatchType::newLine);
    add(*watch);
    for (int i = 0; i < 3; ++i) cycle();
    EXPECT_EQ(barks, 0);

    browser.show("<div>PARTS DONE</div><div>I</div>");
    ASSERT_TRUE(cycleUntil([&] { return barks > 0; }, 8))
        << "no bark at the line listed: " << ::testing::PrintToString(texts(readers.picture(box, true)));
    finishFlashes();
    EXPECT_EQ(barks, 1);
}

TEST_F(RealPrograms, TheCalculatorsDisplayIsReadDirectlyAndAdopted) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    // Drawn by cairo: GL drawing under Xvfb shows black in the screen's picture.
    RealApp calculator("gnome-calculator", {}, {"GSK_RENDERER=cairo"});
    const std::optional<WindowInfo> window = calculator.window(readers.windows);
    ASSERT_TRUE(window);
    QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(window->id)});
    QProcess::execute("xdotool", {"type", "--delay", "60", "1299*3"});
    QProcess::execute("xdotool", {"key", "Return"});
    // The result field under the history (which shows "1299×3 = 3897" too).
    const Rect field{window->frame.x, window->frame.y + 170, window->frame.width, 60};
    const desktop::Readers::Box display = readers.around(field, "3897");
    ASSERT_TRUE(display.session);
    const DirectAnswer direct = readers.direct(*display.session);
    ASSERT_TRUE(direct.lines()) << rawValue(*direct.silence());
    EXPECT_NE(::testing::PrintToString(texts(*direct.lines())).find("3897"), std::string::npos)
        << ::testing::PrintToString(texts(*direct.lines()));

    const CompileOutcome outcome = compile("the number rises above 4000", display.region, "w_CALC01");
    ASSERT_NE(outcome.spec(), nullptr);
    const WatchSpec adopted = DirectAgreement::adopt(*outcome.spec(), readers.picture(display.region, false),
                                                     *direct.lines(), display.session->onScreenOnly());
    EXPECT_TRUE(adopted.direct) << ::testing::PrintToString(texts(readers.picture(display.region, false)));
}

// A negative result (a U+2212 minus, parted from its digits by a gap) is
// read with its sign by picture, so the direct reading, which has it too,
// agrees and is adopted; and "rises above 0" is not already true.
TEST_F(RealPrograms, ANegativeResultIsReadWithItsSignAndTheDirectReadingIsAdopted) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    RealApp calculator("gnome-calculator", {}, {"GSK_RENDERER=cairo"});
    const std::optional<WindowInfo> window = calculator.window(readers.windows);
    ASSERT_TRUE(window);
    QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(window->id)});
    QProcess::execute("xdotool", {"type", "--delay", "60", "5-30"});
    QProcess::execute("xdotool", {"key", "Return"});
    const Rect field{window->frame.x, window->frame.y + 170, window->frame.width, 60};
    const desktop::Readers::Box display = readers.around(field, "25");
    ASSERT_TRUE(display.session);
    const DirectAnswer direct = readers.direct(*display.session);
    ASSERT_TRUE(direct.lines()) << rawValue(*direct.silence());

    const std::vector<OCRLine> picture = readers.picture(display.region, false);
    const std::vector<ReadNumber> numbers = BaselineReading(picture).numbers(false);
    ASSERT_EQ(numbers.size(), 1u) << ::testing::PrintToString(texts(picture));
    EXPECT_EQ(numbers[0].value, -25) << ::testing::PrintToString(texts(picture));
    const CompileOutcome outcome = compile("the number rises above 0", display.region, "w_CALC02");
    ASSERT_EQ(outcome.kind(), CompileOutcome::Kind::confirm) << static_cast<int>(outcome.kind());
    const WatchSpec adopted = DirectAgreement::adopt(*outcome.spec(), picture, *direct.lines(),
                                                     display.session->onScreenOnly());
    EXPECT_TRUE(adopted.direct) << ::testing::PrintToString(texts(picture)) << " against "
                                << ::testing::PrintToString(texts(*direct.lines()));
}

// A field whose text runs past its view shows only part of it: GNOME
// Calculator's expression, which GTK 4 places only from its own window's
// corner (no lookups by point), and FeatherPad's search field, whose
// characters Qt places as if it had not scrolled. Neither reads as nothing:
// the direct reader says it cannot read them, and the picture keeps the
// watch. The calculator's field emptied reads empty.
TEST_F(RealPrograms, AFieldScrolledAlongItsTextCannotBeReadDirectlyButReadsEmptyEmptied) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    struct Case {
        const char* program;
        QStringList env, open;  // `open`: keys that bring the field
        const char* typed;
        const char* seen;
        double fieldTop;  // where the field lies, below the window's top (negative: above its bottom)
        bool emptied;     // cleared, it shows nothing (FeatherPad's shows a placeholder)
    };
    const Case cases[] = {
        {"gnome-calculator", {"GSK_RENDERER=cairo"}, {}, "123456789+987654321*12345-6789/3+1111111*22222-33333+4444",
         "22222", 150, true},
        {"featherpad", {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"}, {"ctrl+f"},
         "Searching for the words that run far past the end of this field so that it scrolls to show the end",
         "scrolls", -80, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        RealApp app(c.program, {}, c.env);
        const std::optional<WindowInfo> window = app.window(readers.windows);
        ASSERT_TRUE(window);
        const Rect& f = window->frame;
        const Rect field{f.x, c.fieldTop < 0 ? f.maxY() + c.fieldTop : f.y + c.fieldTop, f.width, 100};
        QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(window->id)});
        for (const QString& keys : c.open) QProcess::execute("xdotool", {"key", keys});
        desktop::waitFor([] { return false; }, 500);  // the field takes the keys once it shows
        QProcess::execute("xdotool", {"type", "--delay", "20", c.typed});
        const std::optional<Rect> line = readers.locate(field, c.seen);
        ASSERT_TRUE(line) << ::testing::PrintToString(texts(readers.picture(readers.drawAround(field, f, 0), false)));
        // The box takes the middle of the line.
        const WatchRegion box =
            readers.drawAround(Rect{line->x + line->width / 4, line->y, line->width / 2, line->height}, f);
        const std::shared_ptr<DirectSession> session = readers.open(box);
        ASSERT_TRUE(session);
        std::vector<std::string> last;
        EXPECT_TRUE(desktop::Readers::readsSoon(*session, {"notExposed"}, last))
            << ::testing::PrintToString(last) << " where the picture reads "
            << ::testing::PrintToString(texts(readers.picture(box, false)));
        if (!c.emptied) continue;
        QProcess::execute("xdotool", {"key", "Escape"});
        EXPECT_TRUE(desktop::Readers::readsSoon(*session, {}, last)) << ::testing::PrintToString(last);
    }
}

// Qt's plain text editors, FeatherPad (Qt 5) and our own test window's (Qt
// 6), answer the older line question only and place each paragraph's lines
// as if it stood at the top of the view: the second line of three is read
// directly, at its own place, and a number watch on it adopts the reading.
TEST_F(RealPrograms, AQtEditorsLineIsReadDirectlyAndAdopted) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    auto readsAndAdopts = [&](const WindowInfo& window) {
        // The box takes the whole line, however the picture parts its words.
        const std::optional<Rect> start = readers.locate(window.frame, "Shipped today");
        ASSERT_TRUE(start);
        desktop::Readers::Box line;
        line.region = readers.drawAround(Rect{start->x, start->y, 220, start->height}, window.frame);
        line.session = readers.open(line.region);
        ASSERT_TRUE(line.session);
        const DirectAnswer direct = readers.direct(*line.session);
        ASSERT_TRUE(direct.lines()) << rawValue(*direct.silence());
        EXPECT_EQ(texts(*direct.lines()), (std::vector<std::string>{"Shipped today: 340"}));

        const CompileOutcome outcome = compile("the number rises above 400", line.region, "w_QTED01");
        ASSERT_NE(outcome.spec(), nullptr);
        const std::vector<OCRLine> picture = readers.picture(line.region, false);
        const WatchSpec adopted =
            DirectAgreement::adopt(*outcome.spec(), picture, *direct.lines(), line.session->onScreenOnly());
        EXPECT_TRUE(adopted.direct) << ::testing::PrintToString(texts(picture)) << " against "
                                    << ::testing::PrintToString(texts(*direct.lines()));
    };
    {
        SCOPED_TRACE("FeatherPad");
        QTemporaryDir folder;
        const QString file = folder.path() + "/orders.txt";
        std::ofstream(file.toStdString()) << testwindow::editorText;
        RealApp featherPad("featherpad", {file}, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
        const std::optional<WindowInfo> window = featherPad.window(readers.windows);
        ASSERT_TRUE(window);
        readsAndAdopts(*window);
    }
    {
        SCOPED_TRACE("the test window's editor");
        desktop::TestWindow testWindow;
        const std::uint32_t id = testWindow.editor(640, 120);
        ASSERT_NE(id, 0u);
        const std::optional<WindowInfo> window = desktop::listedOnScreen(readers.windows, id);
        ASSERT_TRUE(window);
        readsAndAdopts(*window);
    }
}

// Scrolled, FeatherPad still says each paragraph stands at the view's top,
// a point higher for each line scrolled away: the line in the box is the one
// the picture shows there, before and after the view scrolls on under it,
// and thousands of lines down.
TEST_F(RealPrograms, AScrolledQtEditorsLineIsTheOneShownInTheBox) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    QTemporaryDir folder;
    const QString file = folder.path() + "/log.txt";
    {
        std::ofstream out(file.toStdString());
        for (int i = 0; i < 6000; ++i) out << "Row " << i << " of the log\n";
    }
    RealApp featherPad("featherpad", {file}, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
    const std::optional<WindowInfo> window = featherPad.window(readers.windows);
    ASSERT_TRUE(window);
    const Rect& f = window->frame;
    auto scroll = [&](int clicks) {
        QProcess::execute("xdotool", {"mousemove", QString::number(f.x + f.width / 2),
                                      QString::number(f.y + f.height / 2)});
        for (int i = 0; i < clicks; ++i) QProcess::execute("xdotool", {"click", "5"});
        desktop::waitFor([] { return false; }, 500);
    };
    scroll(3);
    // The rows alone: a picture of the whole window hides them among its bars.
    const std::optional<Rect> start = readers.locate({f.x, f.y + 110, 300, f.height - 160}, "Row 15");
    ASSERT_TRUE(start);
    const WatchRegion box = readers.drawAround(Rect{start->x, start->y, 200, start->height}, window->frame);
    const std::shared_ptr<DirectSession> session = readers.open(box);
    ASSERT_TRUE(session);
    const DirectAnswer direct = readers.direct(*session);
    ASSERT_TRUE(direct.lines()) << rawValue(*direct.silence());
    EXPECT_EQ(texts(*direct.lines()), (std::vector<std::string>{"Row 15 of the log"}));

    scroll(1);
    const std::vector<std::string> shown = texts(readers.picture(box, false));
    ASSERT_EQ(shown.size(), 1u) << ::testing::PrintToString(shown);
    ASSERT_NE(shown[0], "Row 15 of the log") << "the view did not scroll";
    std::vector<std::string> last;
    EXPECT_TRUE(desktop::Readers::readsSoon(*session, shown, last)) << ::testing::PrintToString(last);

    // Ctrl+End, thousands of lines down past rows never laid out on the
    // way, in FeatherPad and in our own Qt 6 editor.
    auto readsDeep = [&](const WindowInfo& w, const Rect& rows) {
        QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(w.id)});
        QProcess::execute("xdotool", {"key", "ctrl+End"});
        const std::optional<Rect> deep = readers.locate(rows, "Row 5995");
        ASSERT_TRUE(deep);
        const WatchRegion deepBox = readers.drawAround(Rect{deep->x, deep->y, 200, deep->height}, w.frame);
        const std::shared_ptr<DirectSession> deepSession = readers.open(deepBox);
        ASSERT_TRUE(deepSession);
        EXPECT_TRUE(desktop::Readers::readsSoon(*deepSession, {"Row 5995 of the log"}, last))
            << ::testing::PrintToString(last);
    };
    {
        SCOPED_TRACE("FeatherPad");
        readsDeep(*window, {f.x, f.y + 110, 300, f.height - 160});
    }
    {
        SCOPED_TRACE("the test window's editor");
        desktop::TestWindow testWindow;
        const std::uint32_t id = testWindow.editor(640, 120, 6000);
        ASSERT_NE(id, 0u);
        const std::optional<WindowInfo> editor = desktop::listedOnScreen(readers.windows, id);
        ASSERT_TRUE(editor);
        readsDeep(*editor, {editor->frame.x, editor->frame.y, 300, editor->frame.height});
    }
}

}  // namespace
}  // namespace kestrove::testing
