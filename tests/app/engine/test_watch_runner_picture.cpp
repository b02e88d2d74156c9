// The picture check on fakes: gates, the reference of any_change, when text
// is recognised, stillness, number reads, losses of sight with their rhythm,
// and fresh baselines.
#include <gtest/gtest.h>

#include "core/rules/new_line_rule.hpp"
#include "support/app/runner_harness.hpp"
#include "support/app/stderr_capture.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using namespace runnerfix;
using Readings = std::vector<std::vector<OCRLine>>;

WatchSpec textWatch(WatchType type, int debounce = 1) {
    WatchSpec s = watch(type, WatchMode::everyTime, debounce);
    s.target.text = "Done";
    if (type == WatchType::numberCompare) s.comparator = Comparison::lt, s.value = 100;
    return s;
}

// Starts the runner, then one check per reading or grey level (by default
// each picture differs from the one before); the indices of the checks that barked.
std::vector<int> barksOver(RunnerHarness& h, WatchSpec spec, const Readings& readings, bool fresh = false,
                           std::optional<Image> reference = std::nullopt, std::vector<std::uint8_t> levels = {}) {
    std::vector<int> out;
    for (std::size_t i = 0; i < std::max(readings.size(), levels.size()); ++i) {
        if (!readings.empty()) h.fake.recognizer.lines = readings[i];
        h.fake.capturer.screen = showing(levels.empty() ? (i % 2 ? 40 : 200) : levels[i]);
        i == 0 ? h.start(spec, reference, fresh) : h.run(5s);
        if (h.host.barks.size() > out.size()) out.push_back(static_cast<int>(i));
    }
    return out;
}

// A fresh runner, or one whose watch told its condition when it last ran,
// first wants one reading not met. Whether the condition was told is
// reported as it changes, for the watch file.
TEST(WatchRunnerPicture, GatesCountMetReadingsAndAFreshOrToldRunnerFirstWantsOneNotMet) {
    const auto done = lines({"Done"}), busy = lines({"Working"});
    struct Case {
        int debounce;
        bool fresh, told;
        Readings readings;
        std::vector<int> barks;
        std::vector<bool> toldReports;
    } cases[] = {
        {0, false, false, {done, done, busy, done}, {0, 3}, {true, false, true}},
        {2, false, false, {done, done, done}, {1}, {true}},
        {2, true, false, {done, done, done, busy, done, done}, {5}, {true, false, true}},
        {1, true, false, {done, busy, done}, {2}, {true, false, true}},
        {1, false, true, {done, done, busy, done}, {3}, {false, true}},
        {1, false, true, {busy, done}, {1}, {false, true}},
    };
    for (const Case& c : cases) {
        RunnerHarness h;
        h.told = c.told;
        EXPECT_EQ(barksOver(h, textWatch(WatchType::textAppears, c.debounce), c.readings, c.fresh), c.barks)
            << "debounce " << c.debounce << (c.fresh ? " fresh" : "") << (c.told ? " told" : "");
        EXPECT_EQ(h.host.toldReports, c.toldReports);
    }
}

// Every time: the reference moves to the bark's picture, and to what the box
// shows once it kept still for a check after moving on right after a bark.
// A box that never keeps still barks once.
TEST(WatchRunnerPicture, AnyChangeAndNewLinesCompareWithTheirReference) {
    WatchSpec log = textWatch(WatchType::newLine);
    log.baseline.lines = NewLineRule::normalized(lines({"a: hi"}));
    const auto ab = lines({"a: hi", "b: yo"}), abc = lines({"a: hi", "b: yo", "c: hm"});
    const auto abcd = lines({"a: hi", "b: yo", "c: hm", "d: ok"});
    struct Case {
        const char* what;
        WatchSpec spec;
        std::vector<std::uint8_t> shown;  // the watch was made on 128
        Readings readings;
        std::vector<int> barks;
    } cases[] = {
        {"once", watch(WatchType::anyChange), {128, 20, 20, 128, 20, 220}, {}, {1, 4}},
        {"every time", watch(WatchType::anyChange, WatchMode::everyTime), {128, 20, 20, 128, 20, 220}, {}, {1, 3}},
        {"moved on after a bark", watch(WatchType::anyChange, WatchMode::everyTime), {20, 60, 60, 60, 100, 100}, {}, {0, 4}},
        {"never still", watch(WatchType::anyChange, WatchMode::everyTime), {20, 60, 100, 140, 180, 220}, {}, {0}},
        {"new line after a bark", log, {20, 60, 60, 100}, {ab, abc, abc, abcd}, {0, 3}},
    };
    for (const Case& c : cases) {
        RunnerHarness h;
        EXPECT_EQ(barksOver(h, c.spec, c.readings, false, grey(128), c.shown), c.barks) << c.what;
    }
}

// The crop's grid comes from its capture: the runner compares with that one
// rather than making its own. A grid that differs from the crop's tells the
// two apart: the box showing the grid's level is no change from it.
TEST(WatchRunnerPicture, AReferenceGridHandedOverIsTheOneCompared) {
    for (bool handed : {false, true}) {
        RunnerHarness h;
        if (handed) h.handedGrid = PixelDiff::grid(grey(20));
        h.fake.capturer.screen = showing(20);
        h.start(watch(WatchType::anyChange), grey(128));
        h.run(10s);
        EXPECT_EQ(h.host.barks.size(), handed ? 0u : 1u) << (handed ? "handed over" : "made from the crop");
    }
}

TEST(WatchRunnerPicture, TextIsRecognisedOnlyWhenThePictureChanged) {
    for (WatchType type : {WatchType::textAppears, WatchType::textGone, WatchType::numberCompare, WatchType::newLine}) {
        RunnerHarness h;
        h.start(textWatch(type));
        h.run(60s);
        EXPECT_EQ(h.recognitions(), 1u);
        h.fake.capturer.screen = showing(20);
        h.run(30s);
        ASSERT_EQ(h.recognitions(), 2u);
        for (const auto& asked : h.fake.recognizer.recognitions.asked)
            EXPECT_EQ(asked.request.languageCorrection, type != WatchType::numberCompare && type != WatchType::newLine)
                << rawValue(type);
    }
}

// The picture is read where the host keeps it: a copy of a screen-sized box
// costs the main thread 15 MB of writing at every reading.
TEST(WatchRunnerPicture, TextIsReadFromThePictureTheHostKeepsNotACopy) {
    RunnerHarness h;
    h.start(textWatch(WatchType::textAppears));
    ASSERT_EQ(h.recognitions(), 1u);
    ASSERT_NE(h.host.published, nullptr);
    EXPECT_EQ(h.fake.recognizer.recognitions.asked.back().request.shared, h.host.published);
}

// A small digit turning into another changes too few cells of the coarse
// change grid: the picture is still read again, so the bark's text is its
// picture's. A caret blinking beside the text is no reason to read again.
TEST(WatchRunnerPicture, ASmallChangeOfTheTextIsReadAndTheBarkReadsItsOwnPicture) {
    auto marked = [](int x0, int w, int h) {
        return [=](const WatchRegion& r) -> Captured {
            Image picture = samples::solid(static_cast<int>(r.w), static_cast<int>(r.h), 230, 230, 230);
            for (int y = 10; y < 10 + h; ++y)
                for (int x = x0; x < x0 + w; ++x)
                    for (int c = 0; c < 3; ++c) picture.rgba[(static_cast<std::size_t>(y) * picture.width + x) * 4 + c] = 20;
            return picture;
        };
    };
    RunnerHarness h;
    WatchSpec s = textWatch(WatchType::numberCompare);
    s.value = 5;
    h.fake.capturer.screen = marked(40, 3, 3);
    h.fake.recognizer.lines = lines({"Left: 8"});
    h.start(s);
    h.run(10s);
    ASSERT_EQ(h.recognitions(), 1u);
    h.fake.capturer.screen = marked(41, 3, 3);  // one column of the digit moved
    h.fake.recognizer.lines = lines({"Left: 4"});
    h.run(5s);
    EXPECT_EQ(h.recognitions(), 2u);
    ASSERT_EQ(h.host.barks.size(), 1u);
    EXPECT_EQ(h.host.barks[0].evaluation->display, "4");
    EXPECT_TRUE(h.host.barks[0].theLatestPicture) << "the picture shown, not a copy";
    EXPECT_EQ(h.host.values.back(), 4);

    RunnerHarness caret;
    caret.fake.capturer.screen = marked(40, 1, 12);
    caret.start(textWatch(WatchType::textAppears));
    caret.fake.capturer.screen = marked(40, 0, 0);  // it blinked off
    caret.run(10s);
    EXPECT_EQ(caret.recognitions(), 1u);
}

TEST(WatchRunnerPicture, TextGoneFromAModelKindWaitsForStillness) {
    for (bool standIn : {false, true}) {
        RunnerHarness h;
        WatchSpec s = textWatch(WatchType::textGone, 2);
        if (standIn) s.ruleFrom = WatchType::stateReached;
        EXPECT_EQ(barksOver(h, s, {}, false, std::nullopt, {10, 100, 200, 200, 200}), std::vector<int>{standIn ? 4 : 1})
            << (standIn ? "waits for stillness" : "plain");
    }
}

TEST(WatchRunnerPicture, EveryReadableNumberIsReported) {
    RunnerHarness h;
    const Readings prices{lines({"Price 120"}), lines({"Price 90"}), lines({"Price n/a"}), lines({"Price 150"})};
    EXPECT_EQ(barksOver(h, textWatch(WatchType::numberCompare), prices), std::vector<int>{1});
    EXPECT_EQ(h.host.values, (std::vector<std::optional<double>>{120, 90, 150}));
}

TEST(WatchRunnerPicture, LossesOfSightAreToldOnceCheckedEveryFifteenSecondsAndKeepTheReference) {
    struct Case {
        const char* what;
        std::function<Captured(const WatchRegion&)> lost;
        std::optional<WindowLoss> loss;  // a bound box's window; otherwise the display
        // The seconds at which it captured while lost: from the loss, on the
        // grid of fifteen seconds.
        std::vector<int> captures;
        bool comesBack = true;  // a closed window never does, whatever takes its id
    } cases[] = {
        {"window closed", failing(CaptureError::windowGone()), WindowLoss::closed, {5}, false},
        {"box outside", failing(CaptureError::boxOutsideWindow()), WindowLoss::outside, {5, 30, 45}},
        {"unlisted and blank", showing(0), WindowLoss::notOnScreen, {5, 30, 45}},
        {"listed off screen: never captured", showing(0), WindowLoss::notOnScreen, {}},
        {"display gone", failing(CaptureError::displayGone()), std::nullopt, {5, 30, 45}},
        {"refused", failing(CaptureError::notAllowed()), std::nullopt, {5, 30, 45}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunnerHarness h;
        h.start(c.loss ? boundWatch(WatchType::anyChange) : watch(WatchType::anyChange), grey(128));
        if (c.loss == WindowLoss::notOnScreen) {
            if (c.captures.empty()) h.fake.windows.backend.windows[0].isOnScreen = false;  // minimised
            else h.fake.windows.backend.windows.clear();
        }
        h.fake.capturer.screen = c.lost;
        EXPECT_EQ(h.times(50s, [&] { return h.captures(); }), c.captures);
        EXPECT_EQ(h.host.losses, Losses{c.loss});
        if (c.loss) {
            EXPECT_EQ(h.fake.windows.lists.asked.back().owner, "w_RUN001");
        }
        h.fake.windows.backend.windows = {fakes::window(windowID, {0, 0, 800, 600})};
        h.fake.capturer.screen = showing(20);
        h.run(15s);
        EXPECT_EQ(h.host.count("regained"), c.comesBack ? 1 : 0);
        const std::vector<int> rhythm = c.comesBack ? std::vector<int>{5, 5, 5} : std::vector<int>{};
        EXPECT_EQ(gaps(h.times(20s, [&] { return h.captures(); })), rhythm);
        // Only the window's own loss keeps the reference from before it.
        EXPECT_EQ(h.host.barks.size(), c.loss && c.comesBack ? 1u : 0u);
    }
}

// X11 hands a closed window's id to the next window made: often the same
// program started again, sometimes the same program making a window anew.
// Neither is the window the box was bound to, and what it shows never barks.
// The log tells the loss once, as a capture that found the window gone does.
TEST(WatchRunnerPicture, AClosedWindowStaysClosedWhateverTakesItsId) {
    constexpr const char* idTaken =
        "Kestrove: w_RUN001 can't see its box: its window closed and the window's id went to another program\n";
    struct Case {
        const char* what;
        std::function<void(RunnerHarness&)> close;
        std::size_t capturesAtTheLoss;  // the capture that found it gone, if one did
        const char* logged;  // the one line that tells the loss
    } cases[] = {
        {"made again by its program",
         [](RunnerHarness& h) { h.fake.windows.backend.windows[0].life = {1, 2}; }, 0, idTaken},
        {"taken by another run of its program",
         [](RunnerHarness& h) { h.fake.windows.backend.windows[0].ownerPID = 4243; }, 0, idTaken},
        {"captured as gone, then listed again",
         [](RunnerHarness& h) {
             h.fake.capturer.screen = failing(CaptureError::windowGone());
             h.run(5s);
             h.fake.capturer.screen = showing(128);
         },
         1, "Kestrove: w_RUN001 can't see its box: That window was closed.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::StderrCapture log;
        RunnerHarness h;
        h.fake.windows.backend.windows[0].life = {1, 1};
        WatchSpec s = boundWatch(WatchType::anyChange, WatchMode::everyTime);
        s.region.window->ownerPID = 4242;
        h.start(s, grey(128));
        h.run(10s);
        const std::size_t before = h.captures();
        c.close(h);
        h.fake.capturer.screen = showing(20);  // the newcomer shows something else
        h.run(60s);
        EXPECT_EQ(h.host.losses, Losses{WindowLoss::closed});
        EXPECT_EQ(h.host.count("regained"), 0);
        EXPECT_EQ(h.captures() - before, c.capturesAtTheLoss) << "never captured again";
        EXPECT_TRUE(h.host.barks.empty());
        EXPECT_EQ(log.text(), c.logged);
    }
}

// The window comes back showing the desktop until it repaints the same
// pixels as before: no change. What changed while it was away still barks.
TEST(WatchRunnerPicture, AWindowBackIsJudgedFromItsSecondPicture) {
    for (const std::uint8_t painted : {128, 20}) {
        SCOPED_TRACE(int(painted));
        RunnerHarness h;
        h.start(boundWatch(WatchType::anyChange), grey(128));
        h.fake.windows.backend.windows[0].isOnScreen = false;
        h.run(20s);
        ASSERT_EQ(h.host.count("lost"), 1);
        h.fake.windows.backend.windows[0].isOnScreen = true;
        h.fake.capturer.screen = showing(0);
        for (int s = 0; s < 30 && h.host.count("regained") == 0; ++s) h.run(1s);
        ASSERT_EQ(h.host.count("regained"), 1);
        h.fake.capturer.screen = showing(painted);
        h.run(20s);
        EXPECT_EQ(h.host.barks.size(), painted == 128 ? 0u : 1u);
    }
}

// The lines a new-line watch was made with were read without language
// correction; a line the correction reads otherwise is no new line when the
// picture changes for another reason (a cursor, a scroll of one pixel).
TEST(WatchRunnerPicture, NewLinesAreJudgedAgainstLinesReadTheSameWay) {
    RunnerHarness h;
    const auto made = lines({"nake[2]: Leaving", "Build 12 of 40"});
    WatchSpec s = textWatch(WatchType::newLine);
    s.baseline.lines = NewLineRule::normalized(made);
    h.fake.recognizer.lines = made;
    h.fake.recognizer.corrected = lines({"make[2]: Leaving", "Build 12 of 40"});
    h.start(s, grey(128));
    for (std::uint8_t level : {40, 200, 40}) {
        h.fake.capturer.screen = showing(level);
        h.run(5s);
    }
    EXPECT_EQ(h.host.barks.size(), 0u);
    h.fake.recognizer.lines.push_back(lines({"Build 13 of 40"})[0]);
    h.fake.recognizer.corrected->push_back(lines({"Build 13 of 40"})[0]);
    h.fake.capturer.screen = showing(200);
    h.run(5s);
    EXPECT_EQ(h.host.barks.size(), 1u);
}

TEST(WatchRunnerPicture, FreshStartTakesItsBaselinesFromTheFirstReading) {
    RunnerHarness h;
    const auto first = lines({"Alice: hi", "12:01 Bob: yo"}), next = lines({"Alice: hi", "12:02 Carol: hey"});
    EXPECT_EQ(barksOver(h, textWatch(WatchType::newLine), {first, next}, true, grey(9)), std::vector<int>{1});
    EXPECT_EQ(h.host.rebaselined, grey(200)) << "what the box showed, not the saved crop";
    EXPECT_EQ(h.host.rebaselinedLines, (std::vector<std::vector<std::string>>{{"alice: hi", "#:# bob: yo"}}));
}

}  // namespace
}  // namespace kestrove
