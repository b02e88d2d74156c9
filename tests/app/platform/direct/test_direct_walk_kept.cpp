// A walk that goes on from what an earlier walk of the same box found: it
// asks where things stand, reads again only what announced a change, and
// trusts nothing that moved.

#include <gtest/gtest.h>

#include "app/platform/direct/direct_walk.hpp"
#include "support/app/fake_accessibility_tree.hpp"

namespace kestrove {
namespace {

using fakes::FakeAccessibilityTree;
using fakes::FakeLayout;
using fakes::FakeNode;

const Rect box{100, 100, 200, 50};

FakeNode label(std::string title, Rect frame) {
    return {DirectRole::titled, frame, {}, std::move(title), std::nullopt, std::nullopt, {}, {}};
}

std::vector<std::string> texts(const DirectWalk& walk) {
    std::vector<std::string> out;
    for (const auto& line : walk.sorted()) out.push_back(line.text);
    return out;
}

// A page with a status line and a list in the box, and lines above, below and far off.
struct Page {
    FakeAccessibilityTree tree;
    DirectWalk::Found found;

    Page() {
        tree.nodes = {
            {"w", {DirectRole::container, Rect{0, 0, 800, 600}, {"page"}, {}, {}, {}, {}, {}}},
            {"page", {DirectRole::webArea, Rect{0, 0, 800, 600},
                      {"above", "status", "list", "below", "far"}, {}, {}, {}, {}, {}}},
            {"above", label("Heading", {110, 60, 100, 20})},
            {"status", label("Status: ready", {110, 102, 150, 16})},
            {"list", {DirectRole::group, Rect{100, 120, 200, 30}, {"one"}, {}, {}, {}, {}, {}}},
            {"one", label("Item one", {110, 122, 80, 12})},
            {"below", label("Footer", {110, 180, 100, 20})},
            {"far", {DirectRole::group, Rect{500, 400, 200, 100}, {"far.inner"}, {}, {}, {}, {}, {}}},
            {"far.inner", label("Elsewhere", {510, 410, 100, 20})},
        };
    }

    std::vector<std::string> first() {
        DirectWalk walk(tree, box);
        walk.visit(FakeAccessibilityTree::at("w"), 0, std::nullopt);
        const auto out = texts(walk);
        found = std::move(walk).found();
        return out;
    }
    // A later walk: the texts after reading again what announced a change;
    // none when what was found has moved.
    std::optional<std::vector<std::string>> again(const std::vector<std::string>& announced = {}) {
        DirectWalk walk(tree, box, Coordinates::screen, std::move(found));
        const DirectWalk::Standing now = walk.standing();
        for (const std::string& path : announced) walk.revisit(FakeAccessibilityTree::at(path));
        if (!walk.unmoved(now)) return std::nullopt;
        const auto out = texts(walk);
        found = std::move(walk).found();
        return out;
    }
};

TEST(KeptWalk, AnUnchangedBoxIsToldByWhereThingsStandAndOnlyWhatChangedIsReadAgain) {
    Page p;
    ASSERT_EQ(p.first(), (std::vector<std::string>{"Status: ready", "Item one"}));

    p.tree.nodeReads = 0;
    EXPECT_EQ(p.again(), (std::vector<std::string>{"Status: ready", "Item one"}));
    EXPECT_EQ(p.tree.nodeReads, 0);

    // The status announced its new text: read again alone.
    p.tree.nodes["status"].title = "Status: done";
    EXPECT_EQ(p.again({"status"}), (std::vector<std::string>{"Status: done", "Item one"}));
    EXPECT_EQ(p.tree.nodeReads, 1);

    // A new item, announced by its list, which also put a new object in
    // place of the first (as Chromium does when a text changes); a change
    // under an object beside the box, and one of an object never seen,
    // change nothing.
    p.tree.nodes["list"].children = {"one again", "two"};
    p.tree.nodes["one again"] = p.tree.nodes["one"];
    p.tree.broken["one"] = AccessError::invalid;
    p.tree.nodes["two"] = label("Item two", {110, 135, 80, 12});
    p.tree.nodes["far.inner"].title = "Changed elsewhere";
    p.tree.nodeReads = 0;
    EXPECT_EQ(p.again({"list", "far.inner", "unknown"}),
              (std::vector<std::string>{"Status: done", "Item one", "Item two"}));
    EXPECT_EQ(p.tree.nodeReads, 3);  // the list and its two items

    // The page gained a paragraph far below: only the page and the new one
    // are read; what it had before announces its own changes.
    p.tree.nodes["page"].children.push_back("later");
    p.tree.nodes["later"] = label("Appended", {110, 400, 100, 20});
    p.tree.nodeReads = 0;
    EXPECT_EQ(p.again({"page"}), (std::vector<std::string>{"Status: done", "Item one", "Item two"}));
    EXPECT_EQ(p.tree.nodeReads, 2);

    // An object beside the box announced that it is shown now, in the box;
    // moved without a word, it would not be trusted.
    p.tree.nodes["below"].frame = Rect{200, 102, 60, 16};
    p.tree.nodes["below"].title = "Shown";
    EXPECT_EQ(p.again({"below"}), (std::vector<std::string>{"Status: done", "Shown", "Item one", "Item two"}));
    p.tree.nodes["below"].frame = Rect{200, 180, 60, 16};
    EXPECT_EQ(p.again(), std::nullopt);
}

TEST(KeptWalk, OutsideAPageWhatShowsIsTakenFromAnnouncements) {
    // A window with a hidden panel over the box, and no page: its toolkit
    // announces the panel when it is shown, so nothing is asked meanwhile.
    FakeAccessibilityTree tree;
    tree.nodes = {
        {"w", {DirectRole::container, Rect{0, 0, 800, 600}, {"status", "panel"}, {}, {}, {}, {}, {}}},
        {"status", label("Status: ready", {110, 102, 150, 16})},
        {"panel", {DirectRole::group, Rect{100, 120, 200, 30}, {"panel.close"}, {}, {}, {}, {}, {}}},
        {"panel.close", label("Close", {110, 122, 80, 12})},
    };
    tree.nodes["panel"].shown = {false, false};
    DirectWalk first(tree, box);
    first.visit(FakeAccessibilityTree::at("w"), 0, std::nullopt);
    ASSERT_EQ(texts(first), (std::vector<std::string>{"Status: ready"}));

    tree.nodes["panel"].shown = {};
    DirectWalk quiet(tree, box, Coordinates::screen, std::move(first).found());
    EXPECT_TRUE(quiet.unmoved(quiet.standing()));
    EXPECT_EQ(tree.shownAsks, 0);
    DirectWalk told(tree, box, Coordinates::screen, std::move(quiet).found());
    const DirectWalk::Standing now = told.standing();
    told.revisit(FakeAccessibilityTree::at("panel"));
    EXPECT_TRUE(told.unmoved(now));
    EXPECT_EQ(texts(told), (std::vector<std::string>{"Status: ready", "Close"}));
}

TEST(KeptWalk, WhatMovedIsNotTrusted) {
    std::string log;
    for (int i = 0; i < 40; ++i) log += "Line " + std::to_string(i) + "\n";  // 8 characters a line
    const FakeLayout lines{[](int start, int end) {
        return std::optional<Rect>(Rect{110, 40 + (start / 8) * 10.0, (end - start) * 6.0, 10});
    }};
    // The log's lines drawn from `top` down.
    auto logFrom = [](double top) {
        return FakeLayout{[top](int start, int end) {
            return std::optional<Rect>(Rect{110, top + (start / 8) * 10.0, (end - start) * 6.0, 10});
        }};
    };
    struct Case {
        const char* what;
        std::function<void(Page&)> change;
        std::function<void(Page&)> before = {};  // the log as first read
    };
    const std::vector<Case> cases{
        {"the page scrolled",
         [](Page& p) {
             for (const char* path : {"above", "status", "list", "one", "below"}) p.tree.nodes[path].frame->y -= 30;
         }},
        // Nothing that gave text moved, but what lay below now reaches into the box.
        {"the line below slid up", [](Page& p) { p.tree.nodes["below"].frame->y = 140; }},
        {"the line above grew down", [](Page& p) { p.tree.nodes["above"].frame->height = 60; }},
        {"an object that gave text is gone", [](Page& p) { p.tree.broken["one"] = AccessError::invalid; }},
        {"the log scrolled in its view",
         [](Page& p) {
             p.tree.layouts["log"] = {[](int start, int end) {
                 return std::optional<Rect>(Rect{110, 30 + (start / 8) * 10.0, (end - start) * 6.0, 10});
             }};
         }},
        {"another character lies under the box's corner",
         [](Page& p) { p.tree.nodes["rows"].offsetAt = [](Point) { return 40; }; }},
        // A view none of whose lines lay in the box scrolled some into it
        // (below it: read while the view was still being laid out).
        {"the log's lines from above the box scrolled into it", [&](Page& p) { p.tree.layouts["log"] = lines; },
         [&](Page& p) { p.tree.layouts["log"] = logFrom(-400); }},
        {"the log's lines from below the box scrolled into it", [&](Page& p) { p.tree.layouts["log"] = lines; },
         [&](Page& p) { p.tree.layouts["log"] = logFrom(160); }},
        // A page does not announce what its layout shows or hides.
        {"a text folded away", [](Page& p) { p.tree.nodes["status"].shown.showing = false; }},
        {"a pop-up folded over the box unfolded", [](Page& p) { p.tree.nodes["pop.close"].shown.showing = true; },
         [](Page& p) {
             p.tree.nodes["page"].children.push_back("pop");
             p.tree.nodes["pop"] = {DirectRole::group, Rect{200, 110, 0, 0}, {"pop.close"}, {}, {}, {}, {}, {}};
             p.tree.nodes["pop.close"] = label("Close", {200, 110, 80, 20});
             p.tree.nodes["pop.close"].shown.showing = false;
         }},
    };
    for (const Case& c : cases) {
        Page p;
        // A log whose lines the toolkit places, and a long value found by point.
        p.tree.nodes["page"].children.push_back("log");
        p.tree.nodes["log"] = {DirectRole::plain, Rect{100, 100, 100, 50}, {}, {}, log, {}, {}, {}};
        p.tree.layouts["log"] = lines;
        if (c.before) c.before(p);
        p.tree.nodes["page"].children.push_back("rows");
        p.tree.nodes["rows"] = {DirectRole::plain, Rect{200, 100, 100, 50}, {}, {}, std::string(320, 'x'),
                                {}, [](Point) { return 8; }, {}};
        ASSERT_FALSE(p.first().empty()) << c.what;
        ASSERT_TRUE(p.again()) << c.what;
        c.change(p);
        EXPECT_EQ(p.again(), std::nullopt) << c.what;
    }
}

}  // namespace
}  // namespace kestrove
