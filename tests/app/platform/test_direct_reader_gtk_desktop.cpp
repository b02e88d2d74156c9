// The direct reader on real GTK windows, boxes drawn as a user would draw
// them around text seen on screen: a line of a wide dialog label, a line of
// an editor, a GTK 4 editor that places everything from its own corner (and
// is moved between two reads), and a dialog widened under a text_gone watch.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <fstream>

#include "app/platform/atspi/atspi_tree.hpp"
#include "core/reading/text_match.hpp"
#include "core/windows/direct_decider.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fake_accessibility_tree.hpp"
#include "support/app/real_apps.hpp"

namespace kestrove {
namespace {

using desktop::RealApp;
using desktop::texts;
using desktop::waitFor;
using Readers = desktop::Readers;

const std::string document = "Total: 1.299,00 EUR\nInvoice 2024-117 for Kestrove GmbH\nShipping: 12.50 EUR\n";

struct GtkWindows : ::testing::Test {
    const bool allowed = desktop::allowReadingWindows();
    desktop::Readers readers;
    QTemporaryDir folder;

    std::string file(const std::string& name, const std::string& content) {
        const std::string path = folder.path().toStdString() + "/" + name;
        std::ofstream(path) << content;
        return path;
    }

    // Draws a box around the line holding `words` in `window` and reads it directly.
    struct Read : desktop::Readers::Box {
        DirectAnswer answer = DirectAnswer::noAnswer(DirectSilence::failed);
    };
    Read readAround(const WindowInfo& window, const std::string& words) {
        Read r{readers.around(window.frame, words)};
        if (r.session) r.answer = readers.direct(*r.session);
        return r;
    }
    // The box drawn around `words` reads exactly `line` directly, its box
    // inside the drawn one; with `picture`, where the picture shows it too.
    void expectOneLine(const WindowInfo& window, const std::string& words, const std::string& line, bool picture);
};

// The line boxes of both readers stand at the same place (within a few
// percent of the box), so a number's anchor means the same on both sides.
void expectSamePlace(const OCRLine& direct, const OCRLine& picture) {
    EXPECT_NEAR(direct.box.x, picture.box.x, 0.05) << direct.text;
    EXPECT_NEAR(direct.box.x + direct.box.w, picture.box.x + picture.box.w, 0.08) << direct.text;
    EXPECT_NEAR(direct.box.y + direct.box.h / 2, picture.box.y + picture.box.h / 2, 0.15) << direct.text;
}

void GtkWindows::expectOneLine(const WindowInfo& window, const std::string& words, const std::string& line,
                               bool picture) {
    const Read read = readAround(window, words);
    ASSERT_TRUE(read.answer.lines()) << rawValue(*read.answer.silence());
    EXPECT_EQ(texts(*read.answer.lines()), std::vector<std::string>{line});
    EXPECT_TRUE(desktop::insideTheBox(*read.answer.lines()));
    if (!picture) return;
    const auto seen = readers.picture(read.region, true);
    ASSERT_EQ(seen.size(), 1u);
    expectSamePlace(read.answer.lines()->front(), seen.front());
}

TEST_F(GtkWindows, ABoxAroundOneLineOfAWideLabelOrAnEditorReadsThatLine) {
    const QString invoice = QString::fromStdString(file("invoice.txt", document));
    struct Case {
        const char* program;
        QStringList args;
        std::string words, line;
        bool picture;  // where the picture shows it too
    };
    const Case cases[] = {
        // A progress dialog whose label spans 900 points; its text takes far less.
        {"zenity",
         {"--progress", "--title", "Export", "--width", "900", "--text", "Exporting 42 photos to the archive folder"},
         "Exporting 42 photos", "Exporting 42 photos to the archive folder", true},
        // An editor whose text view fills the window: one line of three.
        {"mousepad", {invoice}, "Invoice 2024-117", "Invoice 2024-117 for Kestrove GmbH", true},
        // A GTK 4 editor, whose objects are placed from its own window's corner.
        {"gtk4-print-editor", {invoice}, "Invoice 2024-117", "Invoice 2024-117 for Kestrove GmbH", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        RealApp app(c.program, c.args);
        if (c.program == std::string("zenity")) app.write("42\n");  // the dialog's progress
        const std::optional<WindowInfo> window = app.window(readers.windows);
        ASSERT_TRUE(window);
        expectOneLine(*window, c.words, c.line, c.picture);
    }
}

TEST_F(GtkWindows, ALabelThatChangesAnEditorThatScrollsOrOneTypedInShowsOnTheNextReads) {
    std::string lines;
    for (int i = 1; i <= 200; ++i) lines += "Line " + std::to_string(i) + " of the file\n";
    const QString longFile = QString::fromStdString(file("lines.txt", lines));
    const QString invoice = QString::fromStdString(file("invoice.txt", document));
    struct Case {
        const char* program;
        QStringList args;
        std::string words, line;
        std::function<void(RealApp&, const WindowInfo&)> change;
        std::function<bool(const std::vector<std::string>&)> changed;
    };
    auto keys = [](const WindowInfo& w, const char* keys) {
        QProcess::execute("xdotool", QStringList{"windowactivate", "--sync", QString::number(w.id), "key"} +
                                         QString::fromLatin1(keys).split(' '));
    };
    const Case cases[] = {
        {"zenity", {"--progress", "--title", "Export", "--width", "900", "--text", "Exporting 42 photos to the archive folder"},
         "Exporting 42", "Exporting 42 photos to the archive folder",
         [](RealApp& app, const WindowInfo&) { app.write("# Exporting 43 photos to the archive folder\n"); },
         [](const auto& now) { return now == std::vector<std::string>{"Exporting 43 photos to the archive folder"}; }},
        // GTK 3 announces nothing when its text view scrolls.
        {"mousepad", {longFile}, "Line 3 of", "Line 3 of the file",
         [&](RealApp&, const WindowInfo& w) { keys(w, "ctrl+End"); },
         [](const auto& now) {
             return now.size() == 1 && now[0] != "Line 3 of the file" && now[0].rfind("Line ", 0) == 0;
         }},
        {"gtk4-print-editor", {invoice}, "Total: 1.299", "Total: 1.299,00 EUR",
         [&](RealApp&, const WindowInfo& w) { keys(w, "ctrl+Home Delete"); },
         [](const auto& now) { return now == std::vector<std::string>{"otal: 1.299,00 EUR"}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        RealApp app(c.program, c.args);
        if (c.program == std::string("zenity")) app.write("42\n");
        const std::optional<WindowInfo> window = app.window(readers.windows);
        ASSERT_TRUE(window);
        const Read read = readAround(*window, c.words);
        ASSERT_TRUE(read.session);
        std::vector<std::string> last;
        ASSERT_TRUE(Readers::readsSoon(*read.session, {c.line}, last)) << ::testing::PrintToString(last);
        ASSERT_TRUE(Readers::readsSoon(*read.session, {c.line}, last));  // from what the first read found
        c.change(app, *window);
        const bool shows = waitFor(
            [&] {
                Readers::readsSoon(*read.session, {}, last, 0);
                return c.changed(last);
            },
            10000);
        // A session of its own tells a program that shows nothing new from a
        // read that went on from a walk it should have dropped.
        std::vector<std::string> afresh;
        if (!shows)
            if (auto session = readers.open(read.region)) Readers::readsSoon(*session, {}, afresh, 0);
        EXPECT_TRUE(shows) << ::testing::PrintToString(last) << "; a new session reads "
                           << ::testing::PrintToString(afresh);
    }
}

// GTK 4 places its objects from its own window's corner: moved on screen,
// they stand where they stood, and only the X server's notices tell the
// reader (whose window list does not ask the server) that the window moved.
// The next read walks it again from its top, and reads the same line.
TEST_F(GtkWindows, AWindowMovedBetweenTwoReadsIsWalkedAgainFromItsTop) {
    RealApp app("gtk4-print-editor", {QString::fromStdString(file("invoice.txt", document))});
    const std::optional<WindowInfo> window = app.window(readers.windows);
    ASSERT_TRUE(window);
    const Read read = readAround(*window, "Invoice 2024-117");
    ASSERT_TRUE(read.session);
    const std::vector<std::string> line{"Invoice 2024-117 for Kestrove GmbH"};
    std::vector<std::string> last;
    ASSERT_TRUE(Readers::readsSoon(*read.session, line, last)) << ::testing::PrintToString(last);
    // Read again from what the latest walk found: a handful of objects.
    ASSERT_TRUE(Readers::readsSoon(*read.session, line, last));
    const int kept = read.session->lastWalk().first;
    ASSERT_TRUE(Readers::readsSoon(*read.session, line, last));
    ASSERT_EQ(read.session->lastWalk().first, kept) << "a quiet window is read from what was found";

    const QString id = QString::number(window->id);
    QProcess::execute("xdotool", {"windowmove", "--sync", id, QString::number(window->frame.x + 60),
                                  QString::number(window->frame.y + 40)});
    // Under a window manager, xdotool's --sync may come back before the frame
    // moved: the read is made once the server has told the test of the move
    // (its notice to the reader went out with it).
    ASSERT_TRUE(waitFor([&] {
        for (const auto& w : readers.windows.list(WindowListOptions::all))
            if (w.id == window->id) return w.frame.x != window->frame.x || w.frame.y != window->frame.y;
        return false;
    })) << "the window did not move";
    const DirectAnswer moved = Readers::readOnce(*read.session);
    ASSERT_TRUE(moved.lines()) << rawValue(*moved.silence());
    EXPECT_EQ(texts(*moved.lines()), line);
    EXPECT_GT(read.session->lastWalk().first, kept) << "the moved window was not walked again";
}

// The accessibility tree of a toolkit that cannot say where its lines are
// drawn: its objects are judged by their frames.
struct FramesOnly final : fakes::ForwardingTree {
    AtspiTree tree;
    FramesOnly() : ForwardingTree(tree) {}
    AccessResult<TextSpan> lineAt(const AccessElement&, int) override { return AccessError::unsupported; }
    AccessResult<Rect> rangeExtents(const AccessElement&, int, int, Coordinates) override {
        return AccessError::unsupported;
    }
    AccessResult<Rect> characterExtents(const AccessElement&, int, Coordinates) override {
        return AccessError::unsupported;
    }
};

TEST_F(GtkWindows, WideningADialogNeverMakesATextGoneWatchBarkWhileTheTextShows) {
    // A narrow progress dialog: its label (and the box around its text)
    // fills most of it, until the dialog is widened and the label with it.
    RealApp app("zenity", {"--progress", "--title", "Export", "--width", "300", "--text",
                           "Exporting 42 photos to the archive"});
    app.write("42\n");
    const std::optional<WindowInfo> dialog = app.window(readers.windows);
    ASSERT_TRUE(dialog);
    const Read before = readAround(*dialog, "Exporting 42 photos");
    ASSERT_TRUE(before.answer.lines());
    ASSERT_EQ(texts(*before.answer.lines()), (std::vector<std::string>{"Exporting 42 photos to the archive"}));

    // The same box read by a toolkit judged by its frames (as one that cannot
    // place its lines is).
    QueuedDirectReader framesOnly{mainThreadExecutor(), [] {
                                      DirectPlatform p = linuxDirectPlatform(1);
                                      p.tree = std::make_unique<FramesOnly>();
                                      return p;
                                  }};
    auto byFrames = readers.open(before.region, &framesOnly);
    ASSERT_NE(byFrames, nullptr);
    ASSERT_EQ(texts(*readers.direct(*byFrames).lines()), texts(*before.answer.lines()));

    WatchSpec gone;
    gone.type = WatchType::textGone;
    gone.target.text = "Exporting";
    gone.debounceChecks = 1;
    gone.region = before.region;
    DirectDecider placed(gone, *before.answer.lines(), true);
    DirectDecider framed = placed;
    ASSERT_FALSE(placed.take(before.answer).fired);
    ASSERT_FALSE(framed.take(before.answer).fired);

    const double wider = dialog->frame.width + 400;
    QProcess::execute("xdotool", {"windowsize", QString::number(dialog->id), QString::number(wider),
                                  QString::number(dialog->frame.height)});
    ASSERT_TRUE(waitFor([&] {
        for (const auto& w : readers.windows.list(WindowListOptions::onScreenOnly))
            if (w.id == dialog->id) return w.frame.width == wider;
        return false;
    }));
    std::vector<OCRLine> shown;
    ASSERT_TRUE(waitFor([&] {
        shown = readers.picture(before.region, true);
        return TextMatch::contains(shown, "Exporting");
    })) << "the text left the box";

    // Placed by its lines, the text is still read where it is drawn.
    const DirectAnswer stillThere = Readers::readOnce(*before.session);
    ASSERT_TRUE(stillThere.lines());
    EXPECT_EQ(texts(*stillThere.lines()), texts(*before.answer.lines()));
    EXPECT_FALSE(placed.take(stillThere).fired);

    // Judged by its frame, the widened label is no longer half inside: the
    // direct reading comes back empty while the picture shows the text. The
    // watch fires, but the picture refuses the bark, read after read. GTK
    // lays the label out again some time after the window grew.
    ASSERT_TRUE(waitFor([&] {
        const DirectAnswer read = Readers::readOnce(*byFrames);
        return read.lines() && read.lines()->empty();
    })) << "the widened label is still judged inside the box by its frame";
    for (int read = 0; read < 3; ++read) {
        const DirectAnswer empty = Readers::readOnce(*byFrames);
        ASSERT_TRUE(empty.lines());
        EXPECT_TRUE(empty.lines()->empty());
        ASSERT_TRUE(framed.take(empty).fired) << "read " << read;
        EXPECT_TRUE(framed.needsPicture());
        EXPECT_FALSE(framed.confirm(readers.picture(before.region, true))) << "read " << read;
    }
}

}  // namespace
}  // namespace kestrove
