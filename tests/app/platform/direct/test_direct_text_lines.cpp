// Which lines of an object's text lie in the box, by where the toolkit draws
// them: wide labels, editors' text views, wrapped and long texts, lines
// wider than the box, and toolkits that place only single characters.

#include <gtest/gtest.h>

#include <memory>

#include "app/platform/direct/direct_text_lines.hpp"
#include "support/app/fake_accessibility_tree.hpp"

namespace kestrove {
namespace {

using fakes::FakeAccessibilityTree;
using fakes::FakeLayout;
using fakes::FakeNode;

// A monospaced layout: characters 8 points wide, lines 17 high, from `origin`;
// a line ends after a newline or at a wrap offset.
FakeLayout mono(const std::string& text, Point origin, std::vector<int> wraps = {}) {
    std::vector<std::pair<int, int>> at;  // (row, column) of each character
    int row = 0, column = 0, index = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (std::find(wraps.begin(), wraps.end(), index) != wraps.end()) ++row, column = 0;
        at.emplace_back(row, column++);
        if (text[i] == '\n') ++row, column = 0;
        ++index;
    }
    auto place = [at, origin](int start, int end) -> std::optional<Rect> {
        if (start < 0 || end > static_cast<int>(at.size()) || end <= start) return std::nullopt;
        double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
        for (int i = start; i < end; ++i) {
            const double x = origin.x + at[i].second * 8, y = origin.y + at[i].first * 17;
            left = std::min(left, x), top = std::min(top, y);
            right = std::max(right, x + 8), bottom = std::max(bottom, y + 17);
        }
        return Rect::fromEdges(left, top, right, bottom);
    };
    return {place, false, std::move(wraps)};
}

// Qt's plain text editors: characters 8 points wide, lines 17 high, but
// each paragraph drawn as if it began at the view's top, which is said to
// move up a point for each line scrolled away.
FakeLayout stackedParagraphs(const std::string& text, Point view, int scrolled, std::vector<int> wraps) {
    std::vector<std::pair<int, int>> at;  // (row in its paragraph, column) of each character
    int row = 0, column = 0, index = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (std::find(wraps.begin(), wraps.end(), index) != wraps.end()) ++row, column = 0;
        at.emplace_back(row, column++);
        if (text[i] == '\n') row = 0, column = 0;
        ++index;
    }
    auto place = [at, view, scrolled](int start, int end) -> std::optional<Rect> {
        if (start < 0 || end > static_cast<int>(at.size()) || end <= start) return std::nullopt;
        const double top = view.y - scrolled + at[start].first * 17;
        return Rect{view.x + at[start].second * 8, top, (end - start) * 8.0, 17};
    };
    return {place, false, std::move(wraps)};
}

// Offsets by point for the same layout (one line, `origin` at its start).
std::function<int(Point)> monoOffsets(Point origin, int lineStart, int lineLength) {
    return [=](Point p) { return lineStart + std::clamp(static_cast<int>((p.x - origin.x) / 8), 0, lineLength - 1); };
}

struct Placed {
    FakeAccessibilityTree tree;

    // An object "t" holding `text`, by default in a frame far larger than its text.
    void object(const std::string& text, FakeLayout layout, std::function<int(Point)> offsets = {},
                Rect frame = {0, 0, 700, 600}) {
        tree.nodes["t"] = {DirectRole::plain, frame, {}, {}, text, {}, std::move(offsets), {}};
        tree.layouts["t"] = std::move(layout);
    }
    std::vector<PlacedLine> read(const Rect& box, bool longText = false, Coordinates space = Coordinates::screen,
                                 const DirectTextLines::View& view = {}) {
        DirectTextLines lines(tree, box, space, tree.nodes["t"].frame);
        auto found = lines.inBox(FakeAccessibilityTree::at("t"), *tree.nodes["t"].text, longText, view);
        EXPECT_TRUE(found.has_value());
        return found.value_or(std::vector<PlacedLine>{});
    }
    // The object says nothing for sure about the box.
    bool unreadable(const Rect& box, Coordinates space = Coordinates::screen) {
        DirectTextLines lines(tree, box, space, tree.nodes["t"].frame);
        return !lines.inBox(FakeAccessibilityTree::at("t"), *tree.nodes["t"].text, false) && lines.unreadable();
    }
};

std::vector<std::string> texts(const std::vector<PlacedLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) out.push_back(l.text);
    return out;
}

TEST(DirectTextLines, AOneLineBoxInAWideLabelOrAnEditorReadsThatLineAtItsOwnPlace) {
    Placed p;
    const std::string text = "Total: €1.299,00\nInvoice 2024-117\nShipping: 12.50 EUR\n";
    p.object(text, mono(text, {10, 100}));
    // Around the second line: 10…200 wide, 115…136 high; the line is drawn at x 10…138, y 117…134.
    const auto lines = p.read({5, 115, 195, 21});
    ASSERT_EQ(texts(lines), (std::vector<std::string>{"Invoice 2024-117"}));
    EXPECT_EQ(lines[0].rect, (Rect{10, 117, 128, 17}));
    // The whole text view around all three.
    EXPECT_EQ(texts(p.read({0, 95, 300, 60})),
              (std::vector<std::string>{"Total: €1.299,00", "Invoice 2024-117", "Shipping: 12.50 EUR"}));
    // A line only a third inside the box (vertically) is not in it.
    EXPECT_TRUE(p.read({5, 128, 300, 6}).empty());
}

TEST(DirectTextLines, WrappedLinesAreLinesOfTheirOwn) {
    Placed p;
    const std::string text = "Exporting 42 photos to the archive folder, please wait";
    p.object(text, mono(text, {0, 0}, {20, 43}));  // wrapped after "photos " and "folder, "
    EXPECT_EQ(texts(p.read({0, 17, 300, 17})), (std::vector<std::string>{"to the archive folder,"}));
}

TEST(DirectTextLines, ALongTextIsSearchedByHalvingNotLineByLine) {
    Placed p;
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "Line " + std::to_string(i) + " of the log\n";
    p.object(text, mono(text, {0, 0}));
    const auto lines = p.read({0, 1000 * 17, 400, 34}, true);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"Line 1000 of the log", "Line 1001 of the log"}));
    EXPECT_LT(p.tree.lineAsks, 40);
    // The same text looked at from its first line gets no further than the line limit.
    const auto fromTheTop = p.read({0, 1000 * 17, 400, 34}, false);
    EXPECT_TRUE(fromTheTop.empty());
    EXPECT_LE(p.tree.lineAsks, 40 + DirectTextLines::maxLines);
}

TEST(DirectTextLines, ALineWiderThanTheBoxIsCutToTheCharactersInIt) {
    Placed p;
    const std::string text = "Shipping: 12.50 EUR";
    p.object(text, mono(text, {0, 0}), monoOffsets({0, 0}, 0, 19));
    // The box covers "12.50 EUR" (characters 10…18, x 80…152) and a little more.
    const auto lines = p.read({78, 0, 90, 17});
    ASSERT_EQ(texts(lines), (std::vector<std::string>{"12.50 EUR"}));
    EXPECT_EQ(lines[0].rect, (Rect{80, 0, 72, 17}));
    // Without lookups by point which part shows cannot be told, however much of the line is inside.
    p.object(text, mono(text, {0, 0}));
    for (const Rect& box : {Rect{0, 0, 120, 17}, Rect{78, 0, 90, 17}}) EXPECT_TRUE(p.unreadable(box)) << box.width;

    // A field 100 points wide scrolled 216 points along its text shows its
    // end, "of the field", at x 0…96, in any box around it. Qt places the
    // characters as if it had not scrolled, though its lookups by point
    // follow the scroll: what shows cannot be told.
    const std::string field = "Searching far past the end of the field";
    const auto scrolled = monoOffsets({-216, 0}, 0, 39);
    for (const Rect& box : {Rect{0, 0, 100, 17}, Rect{0, 0, 300, 17}}) {
        p.object(field, mono(field, {-216, 0}), scrolled, {0, 0, 100, 17});
        const auto shown = p.read(box);
        ASSERT_EQ(texts(shown), (std::vector<std::string>{"of the field"})) << box.width;
        EXPECT_EQ(shown[0].rect, (Rect{0, 0, 96, 17}));
        p.object(field, mono(field, {0, 0}), scrolled, {0, 0, 100, 17});
        EXPECT_TRUE(p.unreadable(box)) << box.width;
    }
}

TEST(DirectTextLines, ToolkitsThatPlaceOnlyCharactersInTheirWindowAreNeverAskedByPoint) {
    Placed p;
    const std::string text = "Queue length: 7\nWorkers: 3";
    FakeLayout layout = mono(text, {4, 30});
    layout.charactersOnly = true;
    p.object(text, layout, monoOffsets({4, 30}, 0, 15));
    // The first line (x 4…124) read whole; sticking out of the box on the
    // right, which part shows cannot be told.
    const auto lines = p.read({0, 28, 130, 20}, false, Coordinates::window);
    ASSERT_EQ(texts(lines), (std::vector<std::string>{"Queue length: 7"}));
    EXPECT_EQ(lines[0].rect, (Rect{4, 30, 120, 17}));
    EXPECT_TRUE(p.unreadable({0, 28, 100, 20}, Coordinates::window));
    EXPECT_EQ(p.tree.offsetAsks, 0);

    // GTK 4 also ends its lines before their newline and gives the newline an
    // empty line of its own, in short and in long texts.
    std::string log;
    for (int i = 0; i < 40; ++i) log += "Step " + std::to_string(i) + " done\n";
    FakeLayout gtk4 = mono(log, {0, 0});
    gtk4.charactersOnly = true;
    gtk4.bareNewlines = true;
    p.object(log, gtk4);
    for (bool longText : {false, true})
        EXPECT_EQ(texts(p.read({0, 20 * 17, 200, 17}, longText, Coordinates::window)),
                  (std::vector<std::string>{"Step 20 done"}));
}

TEST(DirectTextLines, MarksOfChildObjectsAndBlankLinesSayNothing) {
    Placed p;
    const std::string text = "See \xEF\xBF\xBC for details\n\n\xEF\xBF\xBC\n";
    p.object(text, mono(text, {0, 0}));
    EXPECT_EQ(texts(p.read({0, 0, 300, 60})), (std::vector<std::string>{"See  for details"}));
    EXPECT_EQ(withoutObjectMarks("a\xEF\xBF\xBC" "b"), "ab");
}

TEST(DirectTextLines, AToolkitThatCannotPlaceLinesLeavesTheObjectToItsFrame) {
    FakeAccessibilityTree tree;
    tree.nodes["t"] = {DirectRole::plain, Rect{0, 0, 700, 17}, {}, {}, "Total: 5", {}, {}, {}};
    DirectTextLines lines(tree, {0, 0, 100, 17}, Coordinates::screen);
    EXPECT_FALSE(lines.inBox(FakeAccessibilityTree::at("t"), "Total: 5", false));
    tree.layouts["t"] = {[](int, int) { return std::optional<Rect>{}; }};  // lines, but no places
    EXPECT_FALSE(lines.inBox(FakeAccessibilityTree::at("t"), "Total: 5", false));
    EXPECT_FALSE(lines.timedOut());
}

TEST(DirectTextLines, StackedParagraphsArePlacedAgainFromTheTopOfTheirView) {
    const char* const tail = " of the log and of what it holds, wrapped by its view";
    // Six thousand paragraphs, the sixth wider than the view and wrapped
    // after "Row 5 ": laid-out line 6 goes on with "of the log" and
    // paragraph k > 5 is line k + 1. The view's top is at 100; a box is drawn
    // around the line shown `shown` lines below it.
    std::string text;
    for (int i = 0; i < 6000; ++i) text += "Row " + std::to_string(i) + (i == 5 ? tail : " of the log") + "\n";
    const int wrap = static_cast<int>(text.find("Row 5 ")) + 6;
    const Rect view{0, 100, 400, 600};
    struct Case {
        int scrolled;
        int shown;
        bool longText;
        const char* read;
    };
    const Case cases[] = {
        {0, 2, false, "Row 2 of the log"},   {0, 6, false, tail + 1},           {0, 7, false, "Row 6 of the log"},
        {9, 2, false, "Row 10 of the log"},  {9, 2, true, "Row 10 of the log"}, {9, 0, false, "Row 8 of the log"},
        {6, 0, false, tail + 1},             {5400, 3, false, "Row 5402 of the log"},
        {5400, 3, true, "Row 5402 of the log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "scrolled " << c.scrolled << ", line " << c.shown << " shown"
                                          << (c.longText ? ", long" : ""));
        Placed p;
        p.object(text, stackedParagraphs(text, {4, 100}, c.scrolled, {wrap}));
        const double top = 100 + c.shown * 17;
        const auto lines = p.read({0, top - 2, 300, 21}, c.longText, Coordinates::screen, [&] { return view; });
        ASSERT_EQ(texts(lines), (std::vector<std::string>{c.read}));
        EXPECT_EQ(lines[0].rect.minY(), top);
        EXPECT_LT(p.tree.lineAsks, 40) << "lines looked at on the way";
    }

    // Deep under paragraphs that may each wrap, the one at the view's top
    // cannot be found without asking about each: nothing is read, and that
    // is no empty box.
    std::string prose;
    for (int i = 0; i < 6000; ++i) prose += "Paragraph " + std::to_string(i) + " runs on and on, well past the right edge of its view\n";
    Placed deep;
    deep.object(prose, stackedParagraphs(prose, {4, 100}, 5400, {}));
    DirectTextLines unknown(deep.tree, {0, 149, 300, 21}, Coordinates::screen);
    EXPECT_FALSE(unknown.inBox(FakeAccessibilityTree::at("t"), prose, false, [&] { return view; }));
    EXPECT_TRUE(unknown.unreadable());

    // Lines that run down the view are taken as placed, and so are those of
    // a view scrolling up between two questions: the view is never asked.
    int asked = 0;
    const DirectTextLines::View counted = [&] {
        ++asked;
        return std::optional<Rect>(view);
    };
    Placed p;
    p.object(text, mono(text, {4, 100}, {wrap}));
    EXPECT_EQ(texts(p.read({0, 100 + 2 * 17 - 2, 300, 21}, false, Coordinates::screen, counted)),
              (std::vector<std::string>{"Row 2 of the log"}));
    FakeLayout scrolling = mono(text, {4, 100}, {wrap});
    scrolling.placeOf = [still = scrolling.placeOf, moved = std::make_shared<double>(0)](int start, int end) {
        std::optional<Rect> r = still(start, end);
        *moved -= 40;
        if (r) r->y += *moved;
        return r;
    };
    p.object(text, scrolling);
    for (bool longText : {false, true}) p.read({0, 100, 300, 21}, longText, Coordinates::screen, counted);
    EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace kestrove
