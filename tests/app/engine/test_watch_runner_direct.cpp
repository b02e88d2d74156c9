// Direct reading beside the picture, on fakes: the proof of a direct bark,
// one bark per event, a covered window, and adopting a candidate session.
#include <gtest/gtest.h>

#include "support/app/runner_harness.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using namespace runnerfix;

TEST(WatchRunnerDirect, OneChangeBarksOnceWhicheverReaderSeesItFirst) {
    for (bool directFirst : {true, false}) {
        RunnerHarness h;
        auto session = h.session(lines({directFirst ? "Done" : "Working"}));
        h.fake.recognizer.lines = lines({"Done"});
        h.start(directWatch(), std::nullopt, false, DirectStart{session, lines({"Working"})});
        session->lines = lines({"Done"});
        h.run(30s);
        ASSERT_EQ(h.host.barks.size(), 1u) << (directFirst ? "direct first" : "picture first");
        EXPECT_EQ(h.host.barks[0].image, grey(128)) << "a fresh crop as proof";
        EXPECT_TRUE(h.host.barks[0].theLatestPicture) << "the proof is the picture shown, not a copy";
        EXPECT_EQ(h.captures(), directFirst ? 8u : 7u) << "the proof, then a picture check per tick";
    }
}

TEST(WatchRunnerDirect, CoveredWindowKeepsBarkingFromTheDirectReader) {
    RunnerHarness h;
    auto session = h.session(lines({"Working"}));
    h.fake.capturer.screen = failing(CaptureError::failed("covered"));
    h.start(directWatch(), std::nullopt, false, DirectStart{session, lines({"Working"})});
    EXPECT_TRUE(h.host.losses.empty());
    EXPECT_TRUE(h.host.directOnly);

    session->lines = lines({"Done"});
    h.run(5s);
    ASSERT_EQ(h.host.barks.size(), 1u);
    EXPECT_FALSE(h.host.barks[0].image) << "no proof while the picture is lost";
    EXPECT_EQ(h.captures(), 1u);

    session->reads.script.push_back(DirectAnswer::noAnswer(DirectSilence::timedOut));
    h.run(5s);
    EXPECT_EQ(h.host.losses, Losses{std::nullopt}) << "the direct reader fell silent";
    EXPECT_FALSE(h.host.directOnly);
}

TEST(WatchRunnerDirect, PendingRunnerAdoptsOnlyAReadingThatAgrees) {
    for (bool agree : {true, false}) {
        RunnerHarness h;
        auto candidate = h.session(lines({agree ? "Build 42 running" : "Inbox (3)"}));
        h.fake.direct.opens.script.push_back(candidate);
        h.fake.recognizer.lines = lines({"Build 42 running"});
        h.start(directWatch(WatchType::textGone));
        h.run(60s);
        EXPECT_EQ(h.fake.direct.opens.asked.size(), 1u);
        EXPECT_EQ(candidate->adopts.asked.size(), agree ? 1u : 0u);
        EXPECT_EQ(h.recognitions(), 1u) << "the picture never changed";
        // Adopted: read on every tick from then on; pending: one candidate read only.
        EXPECT_EQ(candidate->reads.asked.size(), agree ? 13u : 1u);
    }
}

TEST(WatchRunnerDirect, DirectBarkOfNewLinesTakesTheNextPictureReadingAsBaseline) {
    RunnerHarness h;
    const auto before = lines({"Alice: hi"}), after = lines({"Alice: hi", "Bob: yo"});
    auto session = h.session(before);
    h.fake.recognizer.lines = before;
    WatchSpec s = directWatch(WatchType::newLine);
    s.baseline.lines = std::vector<std::string>{"alice: hi"};
    h.start(s, std::nullopt, false, DirectStart{session, before});
    ASSERT_TRUE(h.host.barks.empty());
    session->lines = h.fake.recognizer.lines = after;
    h.run(5s);
    EXPECT_EQ(h.host.barks.size(), 1u);
    EXPECT_EQ(h.recognitions(), 2u) << "read again though the picture did not change";
    EXPECT_EQ(h.host.rebaselinedLines, (std::vector<std::vector<std::string>>{{"alice: hi", "bob: yo"}}));
}

TEST(WatchRunnerDirect, TextGoneFromTheDirectReaderBarksOnlyWhenThePictureAgrees) {
    RunnerHarness h;
    WatchSpec s = directWatch(WatchType::textGone);
    s.target.text = "Exporting";
    auto session = h.session(lines({"Exporting"}));
    h.fake.recognizer.lines = lines({"Exporting"});
    h.start(s, std::nullopt, false, DirectStart{session, lines({"Exporting"})});
    session->lines = {};  // a widened window: the reader lost the text, the screen still shows it
    h.run(30s);
    EXPECT_TRUE(h.host.barks.empty()) << "the picture still shows the text";

    h.fake.recognizer.lines = lines({"Export complete"});
    h.fake.capturer.screen = showing(40);  // the box changed for real
    h.run(15s);
    ASSERT_EQ(h.host.barks.size(), 1u);
    EXPECT_TRUE(h.host.barks[0].image) << "barks with the picture that confirmed it";
}

// A number read directly barks with the number its proof shows when that
// meets the rule too (it moved on again, or the reader ran ahead of the
// paint), so the bark's "Read" and its picture agree; a proof that does not
// show a number meeting the rule keeps the direct reading.
TEST(WatchRunnerDirect, ANumberBarkSaysWhatItsPictureShows) {
    struct Case {
        const char* picture;
        const char* read;
    };
    for (const Case c : {Case{"Price 179", "179"}, Case{"Price 249", "189"}, Case{"", "189"}}) {
        SCOPED_TRACE(c.picture);
        RunnerHarness h;
        WatchSpec s = directWatch(WatchType::numberCompare);
        s.comparator = Comparison::lt;
        s.value = 200;
        auto session = h.session(lines({"Price 249"}));
        h.fake.recognizer.lines = lines({"Price 249"});
        h.start(s, std::nullopt, false, DirectStart{session, lines({"Price 249"})});
        session->lines = lines({"Price 189"});
        h.fake.recognizer.lines = *c.picture ? lines({c.picture}) : std::vector<OCRLine>{};
        h.run(5s);
        ASSERT_FALSE(h.host.barks.empty());
        ASSERT_TRUE(h.host.barks[0].evaluation);
        EXPECT_EQ(h.host.barks[0].evaluation->display, c.read);
        EXPECT_TRUE(h.host.barks[0].image);
    }
}

// A tick's direct read looked at the window list moments before its answer:
// the tick's picture takes that look for its own, and asks the list itself
// only when the read did not find the watch's window there.
TEST(WatchRunnerDirect, ATicksPictureTakesTheWindowAsItsDirectReadFoundIt) {
    const WindowInfo shown = fakes::window(windowID, {0, 0, 800, 600});
    WindowInfo hidden = shown;
    hidden.isOnScreen = false;
    // Its id handed on to another program's window.
    const WindowInfo another = fakes::window(windowID, {0, 0, 800, 600}, "Terminal");
    struct Case {
        const char* name;
        std::optional<WindowInfo> found;
        std::size_t lists, captures;
    };
    // Another program's: the watch's window is closed, nothing to look for.
    for (const Case& c : {Case{"on screen", shown, 0, 1}, Case{"not on screen", hidden, 0, 0},
                          Case{"not found", std::nullopt, 1, 1}, Case{"another program's", another, 0, 0}}) {
        SCOPED_TRACE(c.name);
        RunnerHarness h;
        auto session = h.session(lines({"Working"}));
        h.start(directWatch(), std::nullopt, false, DirectStart{session, lines({"Working"})});
        const std::size_t lists = h.fake.windows.lists.asked.size(), captures = h.captures();
        DirectAnswer read = DirectAnswer::lines(lines({"Working"}));
        read.setWindow(c.found);
        session->reads.script.push_back(read);
        h.run(5s);
        ASSERT_EQ(session->reads.asked.size(), 2u);
        EXPECT_EQ(h.fake.windows.lists.asked.size() - lists, c.lists);
        EXPECT_EQ(h.captures() - captures, c.captures);
        // Hidden, the picture is lost; the direct reader keeps the watch going.
        EXPECT_EQ(h.host.directOnly, c.found && !c.found->isOnScreen);
    }
}

// A read that finds the window's id held by a newcomer (its program made it
// anew, or another run of it) reads the newcomer: that counts for nothing.
TEST(WatchRunnerDirect, WhatANewcomerUnderTheWindowsIdShowsIsNotRead) {
    WindowInfo bound = fakes::window(windowID, {0, 0, 800, 600});
    bound.life = {3, 1};
    WindowInfo remade = bound, restarted = bound;
    remade.life.serial = 2;
    restarted.ownerPID += 1;
    for (const WindowInfo& newcomer : {remade, restarted}) {
        RunnerHarness h;
        auto session = h.session(lines({"Working"}));
        WatchSpec s = directWatch();
        s.region.window->ownerPID = bound.ownerPID;
        h.start(s, std::nullopt, false, DirectStart{session, lines({"Working"})});
        DirectAnswer before = DirectAnswer::lines(lines({"Working"}));
        before.setWindow(bound);
        session->reads.script.push_back(before);
        h.run(5s);
        ASSERT_TRUE(h.host.losses.empty());
        for (int i = 0; i < 4; ++i) {
            DirectAnswer read = DirectAnswer::lines(lines({"Done"}));
            read.setWindow(newcomer);
            session->reads.script.push_back(read);
        }
        h.run(20s);
        EXPECT_TRUE(h.host.barks.empty());
        EXPECT_EQ(h.host.losses, Losses{WindowLoss::closed});
        EXPECT_FALSE(h.host.directOnly);
    }
}

}  // namespace
}  // namespace kestrove
