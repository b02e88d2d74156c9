// The walk over a made-up accessibility tree: what it reads, what it skips,
// what it keeps and in which order.

#include <gtest/gtest.h>

#include <map>

#include "app/platform/direct/direct_walk.hpp"
#include "support/app/fake_accessibility_tree.hpp"

namespace kestrove {
namespace {

using fakes::FakeAccessibilityTree;
using fakes::FakeNode;

const Rect box{100, 100, 200, 50};

FakeNode window(std::vector<std::string> children) {
    return {DirectRole::container, Rect{0, 0, 800, 600}, std::move(children), "Editor", std::nullopt, std::nullopt, {}, {}};
}
FakeNode label(std::string title, Rect frame) {
    return {DirectRole::titled, frame, {}, std::move(title), std::nullopt, std::nullopt, {}, {}};
}
FakeNode textArea(std::string text, Rect frame) {
    return {DirectRole::plain, frame, {}, std::nullopt, std::move(text), std::nullopt, {}, {}};
}

// Appending sidesteps a false -Wrestrict of GCC 12 on "literal" + string.
std::string named(std::string prefix, int i) {
    prefix += std::to_string(i);
    return prefix;
}

std::vector<std::string> texts(const DirectWalk& walk) {
    std::vector<std::string> out;
    for (const auto& line : walk.sorted()) out.push_back(line.text);
    return out;
}

struct Walked {
    FakeAccessibilityTree tree;
    std::unique_ptr<DirectWalk> walk;

    std::vector<std::string> run(const std::string& root = "w") {
        walk = std::make_unique<DirectWalk>(tree, box);
        walk->visit(FakeAccessibilityTree::at(root), 0, std::nullopt);
        return texts(*walk);
    }
};

TEST(DirectWalk, SkipsSubtreesOutsideTheBoxButWalksThoseWithoutAFrame) {
    Walked w;
    w.tree.nodes = {
        {"w", window({"far", "noframe", "flat"})},
        {"far", {DirectRole::group, Rect{500, 400, 100, 100}, {"far.inner"}, {}, {}, {}, {}, {}}},
        {"far.inner", label("Hidden", {120, 110, 50, 20})},
        {"noframe", {DirectRole::group, std::nullopt, {"noframe.label"}, "Group", std::nullopt, {}, {}, {}}},
        {"noframe.label", label("Kept", {110, 105, 60, 20})},
        // A zero-size object is no reason to skip what lies under it.
        {"flat", {DirectRole::group, Rect{0, 0, 0, 0}, {"flat.label"}, {}, {}, {}, {}, {}}},
        {"flat.label", label("Also kept", {200, 105, 60, 20})},
    };
    EXPECT_EQ(w.run(), (std::vector<std::string>{"Kept", "Also kept"}));
    EXPECT_EQ(w.walk->nodeCount(), 6);  // far.inner never read
}

TEST(DirectWalk, PlacesManyChildrenAtOnceAndReadsEveryOneThatCanMeetTheBox) {
    // The box spans 100…300 by 100…150. Placed together, the page's children
    // that meet it by any part, and those that cannot be placed by a frame,
    // are read with what lies under them; those beside it never are.
    Walked w;
    auto group = [](std::optional<Rect> frame, std::string child) {
        return FakeNode{DirectRole::group, frame, {std::move(child)}, {}, {}, {}, {}, {}};
    };
    w.tree.nodes = {
        {"w", window({"page"})},
        {"page", {DirectRole::webArea, Rect{0, 0, 800, 600},
                  {"above", "crossesTop", "inside", "crossesBottom", "flat", "unplaced", "below", "right", "left"},
                  {}, {}, {}, {}, {}}},
        {"above", label("Above", {110, 60, 60, 40})},             // ends where the box begins
        {"crossesTop", group(Rect{0, 90, 800, 20}, "top.label")},  // wider than the box, reaching in
        {"top.label", label("Top", {120, 100, 60, 9})},
        {"inside", label("Inside", {150, 110, 60, 20})},
        {"crossesBottom", group(Rect{100, 149, 400, 60}, "bottom.label")},  // one point inside
        {"bottom.label", label("Bottom", {110, 140, 60, 9})},             // drawn beyond its parent
        {"flat", group(Rect{0, 0, 0, 0}, "flat.label")},
        {"flat.label", label("Flat", {200, 120, 40, 20})},
        {"unplaced", group(std::nullopt, "unplaced.label")},
        {"unplaced.label", label("Unplaced", {250, 120, 40, 20})},
        {"below", label("Below", {110, 150, 60, 20})},  // begins where the box ends
        {"right", label("Right", {300, 100, 60, 20})},
        {"left", label("Left", {40, 100, 60, 20})},
    };
    EXPECT_EQ(w.run(), (std::vector<std::string>{"Top", "Inside", "Flat", "Unplaced", "Bottom"}));
    EXPECT_EQ(w.tree.nodeReads, 11);  // all but the four beside the box
    EXPECT_EQ(w.walk->nodeCount(), 15);
}

TEST(DirectWalk, WhatDoesNotShowGivesNothingNorDoesAnythingUnderIt) {
    // A window's panel holds a status line and a pop-up folded to nothing
    // whose button lies over the box; each case sets how objects show.
    const Shown hidden{false, false}, clipped{true, false};
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, Shown>> states;
        std::vector<std::string> read;
    };
    const std::vector<Case> cases{
        {"all shown", {}, {"Status: paid", "Close"}},
        {"the pop-up hidden", {{"pop", hidden}}, {"Status: paid"}},
        {"its button clipped away inside a panel that shows", {{"pop.close", clipped}}, {"Status: paid"}},
        {"the status hidden", {{"status", hidden}}, {"Close"}},
        // GTK 4.8 tells nothing below its windows showing: visible is all it tells.
        {"no object below the window tells showing",
         {{"panel", clipped}, {"status", clipped}, {"pop", clipped}, {"pop.close", clipped}},
         {"Status: paid", "Close"}},
        {"the window itself hidden (the window list tells whether it is on screen)", {{"w", hidden}},
         {"Status: paid", "Close"}},
    };
    for (const Case& c : cases) {
        Walked w;
        w.tree.nodes = {
            {"w", window({"panel"})},
            {"panel", {DirectRole::group, Rect{0, 0, 800, 600}, {"status", "pop"}, {}, {}, {}, {}, {}}},
            {"status", label("Status: paid", {110, 105, 100, 20})},
            {"pop", {DirectRole::group, Rect{110, 125, 0, 0}, {"pop.close"}, {}, {}, {}, {}, {}}},
            {"pop.close", label("Close", {110, 125, 100, 20})},
        };
        for (const auto& [path, shown] : c.states) w.tree.nodes[path].shown = shown;
        EXPECT_EQ(w.run(), c.read) << c.what;
        if (c.states.size() == 1 && c.states[0].first == "pop") {
            EXPECT_EQ(w.tree.nodeReads, 4) << "nothing under a hidden object is asked";
        }
    }
}

TEST(DirectWalk, StopsAtFourThousandObjectsAndSixtyLevels) {
    Walked wide;
    wide.tree.nodes["w"] = window({});
    for (int i = 0; i < 5000; ++i) {
        const std::string path = named("l", i);
        wide.tree.nodes["w"].children.push_back(path);
        wide.tree.nodes[path] = label(named("item ", i), {110, 105, 60, 20});
    }
    EXPECT_EQ(wide.run().size(), 3999u);
    EXPECT_EQ(wide.walk->nodeCount(), 4000);
    EXPECT_EQ(wide.tree.nodeReads, 4000);

    // Groups nested 70 deep, each with a label one level below it.
    Walked deep;
    for (int d = 0; d < 70; ++d) {
        const std::string g = d == 0 ? "w" : named("g", d);
        deep.tree.nodes[g] = {DirectRole::group, Rect{0, 0, 800, 600},
                              {named("t", d + 1), named("g", d + 1)}, {}, {}, {}, {}, {}};
        deep.tree.nodes[named("t", d + 1)] = label(named("level ", d + 1), {110, 105, 60, 20});
    }
    const auto levels = deep.run();
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.size(), 59u);
    EXPECT_EQ(levels.back(), "level 59");
}

TEST(DirectWalk, VisitsAnObjectOnceAndKeepsATextOncePerPlace) {
    Walked w;
    w.tree.nodes = {
        {"w", window({"a", "b", "a", "same", "elsewhere"})},
        {"a", label("Total: 5", {110, 105, 80, 20})},
        {"b", label("Total: 5", {120, 108, 80, 20})},      // overlaps a: dropped
        {"same", label("  TOTAL:   5 ", {112, 106, 80, 20})},  // same words after normalising: dropped
        {"elsewhere", label("Total: 5", {110, 125, 80, 20})},  // no overlap: kept
    };
    EXPECT_EQ(w.run(), (std::vector<std::string>{"Total: 5", "Total: 5"}));
    EXPECT_EQ(w.tree.nodeReads, 5);
}

TEST(DirectWalk, ReadingOrderReadsARowLeftToRight) {
    // "left" at x 110, "right" at x 200, 20 points high unless told: up to 3
    // points apart they are one row (left to right), 4 points apart two (top
    // first); a small label within a large price's height (one baseline) is
    // on its row, one reaching below it is not.
    struct Case {
        double leftTop, rightTop;
        std::vector<std::string> expected;
        double leftHeight = 20, rightHeight = 20;
    };
    for (const Case& c : std::vector<Case>{{100, 97, {"left", "right"}},
                                           {100, 96, {"right", "left"}},
                                           {113, 110, {"left", "right"}},
                                           {114, 110, {"right", "left"}},
                                           {128, 100, {"left", "right"}, 16, 51},
                                           {100, 128, {"left", "right"}, 51, 16},
                                           {140, 100, {"right", "left"}, 16, 51}}) {
        Walked w;
        w.tree.nodes = {
            {"w", window({"right", "left"})},
            {"right", label("right", {200, c.rightTop, 60, c.rightHeight})},
            {"left", label("left", {110, c.leftTop, 60, c.leftHeight})},
        };
        EXPECT_EQ(w.run(), c.expected) << c.leftTop << " " << c.rightTop;
    }
}

TEST(DirectWalk, LinesAreRelativeToTheBoxWithFullConfidence) {
    Walked w;
    w.tree.nodes = {{"w", window({"t"})}, {"t", textArea("one\n\n  two \r\nthree", {100, 110, 100, 30})}};
    w.run();
    const auto lines = w.walk->sorted();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], (OCRLine{"two", NormRect{0, (120 - 100) / 50.0, 0.5, 10 / 50.0}, 1.0}));
}

TEST(DirectWalk, WhoSpeaks) {
    Walked w;
    w.tree.nodes = {
        {"w", window({"group", "lonely", "button", "blank", "pass", "plain", "half", "valueWins"})},
        {"group", {DirectRole::group, Rect{100, 100, 200, 50}, {"child"}, "Panel title", std::nullopt, {}, {}, {}}},
        {"child", label("Child", {110, 100, 40, 10})},
        {"lonely", {DirectRole::group, Rect{100, 112, 200, 10}, {}, {}, "Empty group text", {}, {}, {}}},
        {"button", label("  OK\n", {250, 124, 40, 10})},
        {"blank", label(" \n ", {200, 124, 40, 10})},  // a name of only spaces says nothing
        {"pass", {DirectRole::secret, Rect{100, 136, 50, 10}, {}, "Password", "hunter2", {}, {}, {}}},
        {"plain", {DirectRole::plain, Rect{160, 136, 50, 10}, {}, "Not a label", std::nullopt, {}, {}, {}}},
        // Only a fifth inside the box: not its text.
        {"half", label("Mostly out", {280, 140, 100, 10})},
        {"valueWins", {DirectRole::titled, Rect{220, 136, 20, 10}, {}, "Name", "Value", {}, {}, {}}},
    };
    EXPECT_EQ(w.run(), (std::vector<std::string>{"Child", "Empty group text", "OK", "Value"}));
}

TEST(DirectWalk, AGroupWithTextOfItsOwnReadsItsLineWithWhatItsChildrenShow) {
    // A line across the page (a section 600 points wide) whose text holds
    // the mark of an inline object, drawn 8 points wide at characters 8
    // points wide from (100, 110); the pieces of its own text may come as
    // children too, as Chromium gives them.
    const std::string mark = "\xEF\xBF\xBC";
    auto at = [](int from, int to) { return Rect{100.0 + from * 8, 110, (to - from) * 8.0, 17}; };
    auto piece = [](std::string text, Rect frame) {
        return FakeNode{DirectRole::titled, frame, {}, std::move(text), std::nullopt, std::nullopt, {}, {}};
    };
    const FakeNode bar{DirectRole::plain, at(11, 12), {}, {}, {}, {}, {}, {}};
    const FakeNode row1{DirectRole::plain, at(0, 9), {}, {}, "First row", {}, {}, {}};
    const FakeNode row2{DirectRole::plain, Rect{100, 130, 80, 17}, {}, {}, "Next row", {}, {}, {}};
    struct Case {
        const char* what;
        std::string text;
        std::map<std::string, FakeNode> children;
        std::vector<std::string> read;
        int textAsks;  // its own and its children's texts asked for
    };
    const std::vector<Case> cases{
        {"a progress bar", "report.pdf " + mark + " 42%", {{"c1", bar}}, {"report.pdf 42%"}, 1},
        {"a progress bar between pieces of the text",
         "report.pdf " + mark + " 42%",
         {{"c0", piece("report.pdf ", at(0, 11))}, {"c1", bar}, {"c2", piece(" 42%", at(12, 16))}},
         {"report.pdf 42%"},
         1},
        {"a link",
         "Saved to " + mark + " today",
         {{"c0", piece("Saved to ", at(0, 9))},
          {"c1", piece("notes.txt", at(9, 10))},
          {"c2", piece(" today", at(10, 16))}},
         {"Saved to notes.txt today"},
         1},
        // Only the marks of its children: they speak, each for itself.
        {"no text of its own", mark + mark, {{"c0", piece("Invoice", at(0, 7))}, {"c1", piece("paid", at(8, 12))}},
         {"Invoice", "paid"}, 1},
        // Rows one under another leave no room for a line of its own: it is not asked.
        {"rows", mark + "\n" + mark, {{"c0", row1}, {"c1", row2}}, {"First row", "Next row"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Walked w;
        std::vector<std::string> children;
        for (const auto& [path, node] : c.children) {
            children.push_back(path);
            w.tree.nodes[path] = node;
        }
        w.tree.nodes["w"] = window({"line"});
        w.tree.nodes["line"] = {DirectRole::group, Rect{100, 110, 600, 17}, children, {}, c.text, {}, {}, {}};
        w.tree.layouts["line"] = {[&](int from, int to) { return std::optional<Rect>(at(from, to)); }};
        EXPECT_EQ(w.run(), c.read);
        EXPECT_EQ(w.tree.textAsks, c.textAsks);
    }
}

TEST(DirectWalk, AProgressBarsNameNoTextInTheBoxHoldsLeavesTheBoxUnreadable) {
    // A bar (150…290) whose name may be drawn on it, beside a label (100…150).
    struct Case {
        const char* label;
        std::string name;
        Rect bar;
        bool unreadable;
    };
    for (const Case& c : std::vector<Case>{{"Copying photos", "Copying photos", Rect{150, 110, 140, 20}, false},
                                           {"Backup", "Sending 42 files", Rect{150, 110, 140, 20}, true},
                                           {"Backup", "", Rect{150, 110, 140, 20}, false},
                                           // Mostly outside the box.
                                           {"Backup", "Sending 42 files", Rect{250, 110, 200, 20}, false}}) {
        Walked w;
        w.tree.nodes = {{"w", window({"label", "bar"})},
                        {"label", label(c.label, {100, 110, 50, 20})},
                        {"bar", {DirectRole::meter, c.bar, {}, c.name, "", {}, {}, {}}}};
        EXPECT_EQ(w.run(), std::vector<std::string>{c.label});
        EXPECT_EQ(w.walk->unreadable(), c.unreadable) << c.label << " " << c.name;
    }
}

TEST(DirectWalk, ALabelsTextThatCameWithItIsSplitIntoLines) {
    Walked w;
    w.tree.nodes = {{"w", window({"log"})}, {"log", label("Log: one\nLog: two", {110, 105, 100, 40})}};
    w.tree.values["log"] = "Log: one\nLog: two";
    EXPECT_EQ(w.run(), (std::vector<std::string>{"Log: one", "Log: two"}));
    EXPECT_EQ(w.walk->sorted()[1].box.y, (125 - 100) / 50.0);
}

TEST(DirectWalk, AWideLabelSpeaksWhereItsTextIsDrawn) {
    // A label stretched across its dialog (0…700) whose text is drawn at
    // 110…270; the box (100…300) holds the text but not half the label.
    Walked w;
    w.tree.nodes = {{"w", window({"label"})},
                    {"label", {DirectRole::titled, Rect{0, 110, 700, 17}, {}, "Exporting 42 photos",
                               "Exporting 42 photos", {}, {}, {}}}, {}};
    EXPECT_TRUE(w.run().empty());  // judged by its frame: not half inside
    w.tree.layouts["label"] = {[](int start, int end) {
        return std::optional<Rect>(Rect{110.0 + start * 8, 110, (end - start) * 8.0, 17});
    }};
    EXPECT_EQ(w.run(), (std::vector<std::string>{"Exporting 42 photos"}));
    EXPECT_EQ(w.walk->sorted().front().box, (NormRect{10 / 200.0, 10 / 50.0, 19 * 8 / 200.0, 17 / 50.0}));

    // Judged by its frame (a toolkit that cannot place its lines), a label
    // mostly inside still gets a box within the watched one.
    w.tree.layouts.clear();
    w.tree.nodes["label"].frame = Rect{50, 110, 300, 17};
    EXPECT_EQ(w.run(), (std::vector<std::string>{"Exporting 42 photos"}));
    EXPECT_EQ(w.walk->sorted().front().box, (NormRect{0, 10 / 50.0, 1, 17 / 50.0}));
}

TEST(DirectWalk, LongValuesAreReadRowByRowWhereTheToolkitPlacesCharacters) {
    // 31 rows of ten characters ("row 00 ..\n"): 310 characters in all.
    std::string longText;
    for (int i = 0; i < 31; ++i) longText += named(i < 10 ? "row 0" : "row ", i) + " ..\n";
    ASSERT_EQ(longText.size(), 310u);
    const Rect area{0, 0, 800, 31 * 10};  // ten points a row
    auto rowsAt = [](Point p) {
        const int row = static_cast<int>(p.y / 10);
        return row * 10 + (p.x < 200 ? 0 : 8);  // first or last character of that row
    };
    auto walkOf = [&](std::string text, std::function<int(Point)> offsets) {
        Walked w;
        w.tree.nodes = {{"w", window({"t"})}, {"t", {DirectRole::plain, area, {}, {}, std::move(text), {}, offsets, {}}}, {}};
        auto out = w.run();
        return std::pair{out, w.tree.offsetAsks};
    };

    // 310 characters: only the rows in the box (y 100…150: rows 10 to 14).
    const auto [rows, asked] = walkOf(longText, rowsAt);
    EXPECT_EQ(rows, (std::vector<std::string>{"row 10 ..", "row 11 ..", "row 12 ..", "row 13 ..", "row 14 .."}));
    EXPECT_EQ(asked, 20);  // two per 5-point step from y 103 to 148

    // A toolkit that cannot place characters (-1): the value is split whole,
    // and it is not half inside, so nothing.
    EXPECT_TRUE(walkOf(longText, {}).first.empty());

    // The boundary: 300 characters are never asked by position, 301 are.
    const std::string three = std::string(299, 'x') + "\n";
    EXPECT_EQ(walkOf(three, rowsAt).second, 0);
    EXPECT_GT(walkOf(three + "y", rowsAt).second, 0);
}

TEST(DirectWalk, LongValueFallsBackToTheWholeValueInsideTheBox) {
    Walked w;
    const std::string longText = std::string(150, 'a') + "\n" + std::string(150, 'b');  // 301 characters
    w.tree.nodes = {{"w", window({"t"})}, {"t", textArea(longText, {110, 105, 100, 40})}};
    const auto lines = w.run();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(150, 'a'));
    EXPECT_GT(w.tree.offsetAsks, 0);
}

TEST(DirectWalk, TimeOutStopsTheWalkAndOtherFailuresLoseOneObject) {
    Walked w;
    w.tree.nodes = {
        {"w", window({"a", "b", "c"})},
        {"a", label("first", {110, 105, 40, 20})},
        {"b", label("second", {160, 105, 40, 20})},
        {"c", label("third", {210, 105, 40, 20})},
    };
    w.tree.broken["b"] = AccessError::invalid;
    EXPECT_EQ(w.run(), (std::vector<std::string>{"first", "third"}));
    EXPECT_TRUE(w.walk->failed());
    EXPECT_FALSE(w.walk->timedOut());

    w.tree.broken["b"] = AccessError::timedOut;
    w.run();
    EXPECT_TRUE(w.walk->timedOut());
    EXPECT_EQ(w.walk->nodeCount(), 3);  // "c" never asked
}

TEST(DirectWalk, ThePageIsTheWebAreaAroundTheFirstText) {
    Walked w;
    w.tree.nodes = {
        {"w", window({"emptyWeb", "web"})},
        {"emptyWeb", {DirectRole::webArea, Rect{0, 0, 800, 600}, {}, {}, {}, {}, {}, {}}},
        {"web", {DirectRole::webArea, Rect{0, 0, 800, 600}, {"p"}, {}, {}, {}, {}, {}}},
        {"p", textArea("Hello", {110, 105, 60, 20})},
    };
    w.run();
    EXPECT_EQ(w.walk->firstWebArea(), FakeAccessibilityTree::at("emptyWeb"));
    EXPECT_EQ(w.walk->page(), FakeAccessibilityTree::at("web"));
}

}  // namespace
}  // namespace kestrove
