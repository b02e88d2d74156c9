// Sessions on a made-up accessibility tree and window list: when they open,
// and which answer each read gives.

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>

#include "support/app/direct_session_rig.hpp"
#include "support/app/platform_gate.hpp"

namespace kestrove {
namespace {

using namespace testing;

class DirectSessionTest : public ::testing::Test, public Rig {};

TEST_F(DirectSessionTest, OpensOnlyForAKnownBoundWindow) {
    ASSERT_NE(open(), nullptr);
    EXPECT_EQ(open()->pid(), pid);

    WatchRegion unbound = region();
    unbound.window.reset();
    EXPECT_EQ(open(unbound), nullptr);

    windows.windows[0].isOnScreen = false;  // still in the full list
    EXPECT_NE(open(), nullptr);

    windows.windows[0].app = "Terminal";  // the id went to another program
    EXPECT_EQ(open(), nullptr);
    windows.windows[0].app = "Editor";

    tree.isAvailable = false;
    EXPECT_EQ(open(), nullptr);
    EXPECT_FALSE(reader->allowed());
    tree.isAvailable = true;
    EXPECT_NE(open(), nullptr);
    EXPECT_TRUE(reader->allowed());

    windows.windows.clear();
    EXPECT_EQ(open(), nullptr);
}

TEST_F(DirectSessionTest, ReadsTheBoundWindowFoundByItsFrame) {
    auto s = open();
    ASSERT_NE(s, nullptr);
    const DirectAnswer a = read(*s);
    ASSERT_EQ(texts(a), (std::vector<std::string>{"Status: ready"}));
    EXPECT_DOUBLE_EQ((*a.lines())[0].box.x, 0);
    EXPECT_DOUBLE_EQ((*a.lines())[0].box.h, 0.5);
    EXPECT_EQ(s->lastWalk(), (std::pair<int, int>{3, 1}));
    EXPECT_EQ(a.window(), windows.windows[0]) << "the window as the read found it listed";
    // A timed read says how long it took.
    const auto [again, ms] = answerOf<std::pair<DirectAnswer, double>>(
        [&](auto done) { return s->readTimed([done](DirectAnswer t, double took) { done({t, took}); }); });
    EXPECT_EQ(again, a);
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 1000);
}

TEST_F(DirectSessionTest, AToolkitThatPlacesFromItsOwnWindowIsFoundBySizeAndReadInItsSpace) {
    // GTK 4 on X11: the window says 0,0 and its objects are placed from there.
    tree.nodes["main"].frame = Rect{0, 0, 400, 300};
    tree.nodes["web"].frame = Rect{0, 0, 400, 300};
    tree.nodes["status"].frame = Rect{20, 20, 200, 20};
    // A window of another size at 0,0 is not the one.
    tree.nodes["dialog"].frame = Rect{0, 0, 200, 100};
    tree.nodes["d.label"].frame = Rect{20, 20, 100, 20};
    auto s = open();
    ASSERT_NE(s, nullptr);
    const DirectAnswer a = read(*s);
    ASSERT_EQ(texts(a), (std::vector<std::string>{"Status: ready"}));
    EXPECT_EQ((*a.lines())[0].box, (NormRect{0, 0, 200 / 300.0, 0.5}));
    // Read again through the window found: the same.
    EXPECT_EQ(read(*s), a);

    // GTK 4 without a compositor draws a 5-point border of its own inside the
    // X11 window: its window object is that much smaller on every side, and
    // its objects are placed from inside the border.
    tree.nodes["main"].frame = Rect{0, 0, 390, 290};
    tree.nodes["web"].frame = Rect{0, 0, 390, 290};
    tree.nodes["status"].frame = Rect{15, 15, 200, 20};
    auto bordered = open();
    ASSERT_NE(bordered, nullptr);
    EXPECT_EQ(read(*bordered), a);

    // Such a window at the screen's corner, a long text in it: never asked
    // by point (GTK 4 leaves such questions unanswered).
    windows.windows[0].frame = Rect{0, 0, 400, 300};
    std::string log;
    for (int i = 0; i < 40; ++i) log += "Step " + std::to_string(i) + " done\n";
    tree.nodes["status"] = {DirectRole::plain, Rect{20, 20, 380, 280}, {}, {}, log, {}, [](Point) { return 0; }, {}};
    auto corner = open();
    ASSERT_NE(corner, nullptr);
    EXPECT_TRUE(read(*corner).counts());
    EXPECT_EQ(tree.offsetAsks, 0);
}

TEST_F(DirectSessionTest, SilencesInOrder) {
    struct Case {
        const char* what;
        std::function<void(Rig&)> arrange;
        DirectSilence expected;
        bool afterARead = false;  // the session has found and kept its window
    };
    const std::vector<Case> cases{
        {"no accessibility bus", [](Rig& t) { t.tree.isAvailable = false; }, DirectSilence::notPermitted},
        {"hung program", [](Rig& t) { t.tree.broken["main"] = AccessError::timedOut; }, DirectSilence::timedOut},
        {"hung, then gone",
         [](Rig& t) {
             t.tree.broken["main"] = AccessError::timedOut;
             t.alive = false;
         },
         DirectSilence::windowGone},
        {"window closed", [](Rig& t) { t.tree.nodes["app"].children = {"dialog"}; }, DirectSilence::windowGone},
        {"its id reused by another program", [](Rig& t) { t.windows.windows[0].ownerPID = 5151; },
         DirectSilence::windowGone},
        {"program quit",
         [](Rig& t) {
             t.tree.apps.clear();
             t.alive = false;
         },
         DirectSilence::windowGone},
        {"program never joined the bus", [](Rig& t) { t.tree.apps.clear(); }, DirectSilence::notExposed},
        // A Qt editor scrolled past thousands of paragraphs that may each
        // wrap, every one said to stand at the view's top: which one shows
        // in the box cannot be told, and that is no empty box.
        {"lines in the box unknown",
         [](Rig& t) {
             std::string text;
             for (int i = 0; i < 6000; ++i)
                 text += "Paragraph " + std::to_string(i) + " runs on and on, well past the right edge of its view\n";
             t.tree.nodes["main"].children = {"editor"};
             t.tree.nodes["editor"] = {DirectRole::plain, clientArea, {}, {}, text, {}, {}, {}};
             t.tree.layouts["editor"] = {[](int start, int end) -> std::optional<Rect> {
                 if (end <= start) return std::nullopt;
                 return Rect{104, 50 - 5400, (end - start) * 8.0, 17};
             }};
         },
         DirectSilence::notExposed},
        // The box ends 320 points into the window: it may stick out by half a point.
        {"window shrank",
         [](Rig& t) { t.tree.nodes["main"].frame = t.windows.windows[0].frame = Rect{100, 50, 319.49, 300}; },
         DirectSilence::boxOutside},
        {"hung while walking", [](Rig& t) { t.tree.broken["status"] = AccessError::timedOut; },
         DirectSilence::timedOut},
        {"window unreadable",
         [](Rig& t) {
             t.tree.nodes["main"].children = {};
             t.tree.broken["main"] = AccessError::failed;
         },
         DirectSilence::windowGone},
        // Qt keeps a hidden window's object with no size; the window list drops the window.
        {"hidden, not too small",
         [](Rig& t) {
             t.tree.nodes["main"].frame = Rect{0, 0, 0, 0};
             t.windows.windows.clear();
         },
         DirectSilence::windowGone, true},
        // Nor can its frame be read: the kept window is dropped and not found again.
        {"kept window unreadable",
         [](Rig& t) {
             t.tree.broken["main"] = AccessError::failed;
             t.tree.nodes["main"].frame.reset();
         },
         DirectSilence::windowGone, true},
    };
    for (const Case& c : cases) {
        Rig t;
        auto s = t.open();
        ASSERT_NE(s, nullptr) << c.what;
        if (c.afterARead) {
            ASSERT_TRUE(read(*s).counts()) << c.what;
        }
        c.arrange(t);
        EXPECT_EQ(read(*s).silence(), c.expected) << c.what;
    }
}

TEST_F(DirectSessionTest, AWindowFrameWithDecorationsStillPlacesTheBoxInTheClientArea) {
    // The toolkit's window frame counts a 34-point title bar and 4-point borders in.
    auto place = [this](double dx, double dy, double clientWidth) {
        windows.windows[0].frame = Rect{100 + dx, 50 + dy, clientWidth, 300};
        tree.nodes["main"].frame = Rect{96 + dx, 16 + dy, clientWidth + 8, 338};
        tree.nodes["status"].frame = Rect{120 + dx, 70 + dy, 200, 20};
    };
    place(0, 0, 400);
    auto s = open();
    ASSERT_NE(s, nullptr);
    for (auto [dx, dy] : std::vector<std::pair<double, double>>{{0, 0}, {50, 10}}) {
        place(dx, dy, 400);  // the second read finds the window moved, through its cached object
        const DirectAnswer a = read(*s);
        ASSERT_EQ(texts(a), (std::vector<std::string>{"Status: ready"})) << dx;
        EXPECT_DOUBLE_EQ((*a.lines())[0].box.x, 0) << dx;
        EXPECT_DOUBLE_EQ((*a.lines())[0].box.y, 0) << dx;
    }
    place(50, 10, 319.5);  // the box sticks out by half a point: still read
    EXPECT_TRUE(read(*s).counts());
    place(50, 10, 319);  // the client area no longer holds the box, the decorated frame would
    EXPECT_EQ(read(*s).silence(), DirectSilence::boxOutside);
}

TEST_F(DirectSessionTest, OffScreenAndEmptyDependOnTheProgram) {
    tree.nodes["status"].title = "";
    auto plain = open();
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->onScreenOnly());
    const DirectAnswer empty = read(*plain);
    EXPECT_TRUE(empty.counts());
    EXPECT_TRUE(texts(empty).empty());

    verdict = aBrowser();
    auto browser = open();
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->onScreenOnly());
    EXPECT_EQ(read(*browser).silence(), DirectSilence::notExposed);

    windows.windows[0].isOnScreen = false;
    tree.nodeReads = 0;
    const DirectAnswer hidden = read(*browser);
    EXPECT_EQ(hidden.silence(), DirectSilence::notOnScreen);
    EXPECT_EQ(tree.nodeReads, 0);  // the program was not asked
    EXPECT_EQ(hidden.window(), windows.windows[0]) << "listed, not on screen";
    EXPECT_TRUE(read(*plain).counts());

    // Adopting a plain program's box without a page leaves its reads alone.
    tree.nodes["main"].children = {"status"};
    EXPECT_TRUE(read(*plain).counts());
    adopt(*plain);
    tree.nodes["main"].children = {"web"};
    EXPECT_TRUE(read(*plain).counts());

    windows.windows.clear();
    EXPECT_FALSE(read(*plain).window()) << "not listed";
}

TEST_F(DirectSessionTest, AfterAdoptionAnotherPageIsAnotherTab) {
    verdict = aBrowser();
    auto s = open();
    ASSERT_NE(s, nullptr);

    // Before adoption any page goes.
    tree.nodes["main"].children = {"web2"};
    tree.nodes["web2"] = {DirectRole::webArea, clientArea, {"status"}, {}, {}, "https://b.example/", {}, {}};
    EXPECT_TRUE(read(*s).counts());

    tree.nodes["main"].children = {"web"};
    EXPECT_TRUE(read(*s).counts());
    adopt(*s);
    EXPECT_TRUE(read(*s).counts());

    // Another tab: another page object with another address.
    tree.nodes["main"].children = {"web2"};
    EXPECT_EQ(read(*s).silence(), DirectSilence::otherTab);

    // The page was rebuilt: a new object at the adopted address is taken silently.
    tree.nodes["web3"] = {DirectRole::webArea, clientArea, {"status"}, {}, {}, "https://a.example/1", {}, {}};
    tree.nodes["main"].children = {"web3"};
    EXPECT_EQ(texts(read(*s)), (std::vector<std::string>{"Status: ready"}));
    tree.nodes["main"].children = {"web", "web2"};  // the old object again, now another one
    tree.nodes["web"].address = "https://a.example/2";
    EXPECT_EQ(read(*s).silence(), DirectSilence::otherTab);

    tree.nodes["main"].children = {"status"};  // no page at all
    EXPECT_EQ(read(*s).silence(), DirectSilence::notExposed);
}

TEST_F(DirectSessionTest, OnlyTheNewestWaitingReadRunsAndCancelledOnesNeverAnswer) {
    auto s = open();
    ASSERT_NE(s, nullptr);
    testing::Gate gate;
    std::atomic<int> reads = 0;
    tree.beforeLook = [&] {
        if (++reads == 1) gate.pass();
    };
    std::mutex mutex;
    std::vector<std::string> answers;
    auto note = [&](std::string what) {
        return [&, what](DirectAnswer) {
            std::lock_guard lock(mutex);
            answers.push_back(what);
        };
    };
    Pending running = s->read(note("running"));
    gate.waitEntered();
    std::vector<Pending> waiting;
    for (int i = 0; i < 100; ++i) waiting.push_back(s->read(note("read " + std::to_string(i))));
    // Waits behind the session's running read, then is let go.
    Pending letGo = s->adopt([&] { note("let go")(DirectAnswer::noAnswer(DirectSilence::failed)); });
    letGo = Pending();
    running.cancel();  // while it runs
    // The session's jobs run in order: its adoption comes after its last read.
    std::promise<void> witnessed;
    Pending witness = s->adopt([&] { witnessed.set_value(); });
    gate.release();
    witnessed.get_future().get();
    EXPECT_EQ(answers, std::vector<std::string>{"read 99"});
    EXPECT_EQ(reads, 2) << "replaced and dropped reads never ran";
}

TEST_F(DirectSessionTest, AReadOfASlowProgramEndsAtItsTimeLimit) {
    // Forty more labels in the page: read one by one, each 20 ms, well past the limit.
    for (int i = 0; i < 40; ++i) {
        const std::string path = "label" + std::to_string(i);
        tree.nodes["web"].children.push_back(path);
        tree.nodes[path] = {DirectRole::titled, Rect{120, 92, 100, 15}, {}, "Item " + std::to_string(i), {}, {}, {}, {}};
    }
    auto s = open();
    ASSERT_NE(s, nullptr);
    tree.nodeDelayMs = 20;
    const auto start = std::chrono::steady_clock::now();
    const DirectAnswer slow = read(*s);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(slow.silence(), DirectSilence::timedOut);
    EXPECT_GE(took, readLimit);
    EXPECT_LT(took, readLimit + std::chrono::milliseconds(150));
    // The next read has its own time, and the tree it had.
    tree.nodeDelayMs = 0;
    EXPECT_EQ(texts(read(*s)).size(), 41u);
}

TEST_F(DirectSessionTest, OneProgramHoldingItsReadHoldsUpNoOtherSession) {
    auto held = open(), other = open();
    ASSERT_TRUE(held && other);
    testing::Gate gate;
    std::atomic<int> reads = 0;
    tree.beforeLook = [&] {
        if (++reads == 1) gate.pass();
    };
    std::promise<void> heldDone;
    Pending stuck = held->read([&](DirectAnswer) { heldDone.set_value(); });
    gate.waitEntered();
    std::promise<DirectAnswer> got;
    Pending call = other->read([&](DirectAnswer a) { got.set_value(a); });
    auto answer = got.get_future();
    const bool answered = answer.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    gate.release();
    heldDone.get_future().get();  // out of the gate before it goes
    ASSERT_TRUE(answered);
    EXPECT_TRUE(answer.get().counts());
}

}  // namespace
}  // namespace kestrove
