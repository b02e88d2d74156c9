// The picture check on fakes: gates, the reference of any_change, when text
// is recognised, stillness, number reads, losses of sight and fresh baselines.
#include <gtest/gtest.h>

#include "core/rules/new_line_rule.hpp"
#include "support/app/runner_harness.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using namespace runnerfix;

WatchSpec textWatch(WatchType type, int debounce = 1) {
    WatchSpec s = watch(type, WatchMode::everyTime, debounce);
    s.target.text = "Done";
    if (type == WatchType::numberCompare) s.comparator = Comparison::lt, s.value = 100;
    return s;
}

// Starts the runner with its first capture answered but not yet delivered,
// so that barksOver gives its first reading.
void startHeld(RunnerHarness& h, WatchSpec spec, bool fresh = false, std::optional<Image> reference = std::nullopt) {
    h.fake.capturer.captures.hold = true;
    h.start(std::move(spec), std::move(reference), fresh);
    h.fake.capturer.captures.hold = false;
    h.fake.capturer.captures.release();
}

// Feeds one reading per check, each on a picture that differs from the one
// before, and gives the indices of the readings that barked.
std::vector<int> barksOver(RunnerHarness& h, const std::vector<std::vector<OCRLine>>& readings) {
    std::vector<int> out;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        h.fake.recognizer.lines = readings[i];
        h.fake.capturer.screen = showing(i % 2 ? 40 : 200);
        const auto before = h.host.barks.size();
        i == 0 ? h.settle() : h.run(5s);
        if (h.host.barks.size() > before) out.push_back(static_cast<int>(i));
    }
    return out;
}

TEST(WatchRunnerPicture, GatesCountMetReadingsAndAFreshRunnerFirstWantsOneNotMet) {
    const auto done = lines({"Done"}), busy = lines({"Working"});
    struct Case {
        int debounce;
        bool fresh;
        std::vector<std::vector<OCRLine>> readings;
        std::vector<int> barks;
    } cases[] = {
        {0, false, {done, done, busy, done}, {0, 3}},
        {2, false, {done, done, done}, {1}},
        {2, true, {done, done, done, busy, done, done}, {5}},
        {1, true, {done, busy, done}, {2}},
    };
    for (const Case& c : cases) {
        RunnerHarness h;
        startHeld(h, textWatch(WatchType::textAppears, c.debounce), c.fresh);
        EXPECT_EQ(barksOver(h, c.readings), c.barks) << "debounce " << c.debounce << (c.fresh ? " fresh" : "");
    }
}

TEST(WatchRunnerPicture, AnyChangeComparesWithItsReference) {
    // Grey levels shown at each check; the watch was made on 128.
    const std::vector<std::uint8_t> shown{20, 20, 128, 20, 220};
    for (auto [mode, barks] : {std::pair{WatchMode::once, std::vector<int>{0, 3}},
                               std::pair{WatchMode::everyTime, std::vector<int>{0, 2}}}) {
        RunnerHarness h;
        h.start(watch(WatchType::anyChange, mode), samples::solid(200, 100, 128, 128, 128));
        ASSERT_EQ(h.host.barks.size(), 0u);
        std::vector<int> at;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            h.fake.capturer.screen = showing(shown[i]);
            h.run(5s);
            if (h.host.barks.size() > at.size()) at.push_back(static_cast<int>(i));
        }
        EXPECT_EQ(at, barks) << (mode == WatchMode::once ? "once" : "every time");
    }
}

TEST(WatchRunnerPicture, TextIsRecognisedOnlyWhenThePictureChanged) {
    for (WatchType type : {WatchType::textAppears, WatchType::textGone, WatchType::numberCompare, WatchType::newLine}) {
        RunnerHarness h;
        h.fake.recognizer.lines = lines({"Price 120"});
        h.start(textWatch(type));
        h.run(60s);
        EXPECT_EQ(h.recognitions(), 1u);
        h.fake.capturer.screen = showing(20);
        h.run(30s);
        ASSERT_EQ(h.recognitions(), 2u);
        for (const auto& asked : h.fake.recognizer.recognitions.asked) {
            EXPECT_EQ(asked.request.languageCorrection, type != WatchType::numberCompare) << rawValue(type);
            EXPECT_EQ(asked.owner, "w_RUN001");
        }
    }
}

TEST(WatchRunnerPicture, TextGoneFromAModelKindWaitsForStillness) {
    for (bool standIn : {false, true}) {
        RunnerHarness h;
        WatchSpec s = textWatch(WatchType::textGone, 2);
        s.target.text = "Exporting";
        if (standIn) s.ruleFrom = WatchType::stateReached;
        h.fake.recognizer.lines = lines({"Saved"});
        std::vector<int> at;
        const std::uint8_t shown[] = {10, 100, 200, 200, 200};
        for (int i = 0; i < 5; ++i) {
            h.fake.capturer.screen = showing(shown[i]);
            i == 0 ? h.start(s) : h.run(5s);
            if (h.host.barks.size() > at.size()) at.push_back(i);
        }
        EXPECT_EQ(at, std::vector<int>{standIn ? 4 : 1}) << (standIn ? "waits for stillness" : "plain");
    }
}

TEST(WatchRunnerPicture, EveryReadableNumberIsReported) {
    RunnerHarness h;
    startHeld(h, textWatch(WatchType::numberCompare));
    barksOver(h, {lines({"Price 120"}), lines({"Price 90"}), lines({"Price n/a"}), lines({"Price 150"})});
    std::vector<std::optional<double>> values;
    for (const auto& r : h.host.reads) {
        values.push_back(r.value);
        EXPECT_TRUE(r.display);
    }
    EXPECT_EQ(values, (std::vector<std::optional<double>>{120, 90, 150}));
    EXPECT_EQ(h.host.barks.size(), 1u) << "met once, at 90";
}

TEST(WatchRunnerPicture, LossesOfSightAndTheReferenceOnReturn) {
    struct Case {
        const char* what;
        bool bound;
        std::function<void(RunnerHarness&)> lose;
        std::optional<WindowLoss> loss;
        bool barksOnReturn;  // the reference from before the loss still holds
    } cases[] = {
        {"window closed", true, [](RunnerHarness& h) { h.fake.capturer.screen = failing(CaptureError::windowGone()); },
         WindowLoss::closed, true},
        {"box outside", true,
         [](RunnerHarness& h) { h.fake.capturer.screen = failing(CaptureError::boxOutsideWindow()); },
         WindowLoss::outside, true},
        {"unlisted and blank", true,
         [](RunnerHarness& h) {
             h.fake.windows.backend.windows.clear();
             h.fake.capturer.screen = showing(0);
         },
         WindowLoss::notOnScreen, true},
        {"display gone", false, [](RunnerHarness& h) { h.fake.capturer.screen = failing(CaptureError::displayGone()); },
         std::nullopt, false},
        {"refused", false, [](RunnerHarness& h) { h.fake.capturer.screen = failing(CaptureError::notAllowed()); },
         std::nullopt, false},
    };
    for (const Case& c : cases) {
        RunnerHarness h;
        WatchSpec s = watch(WatchType::anyChange, WatchMode::everyTime);
        if (c.bound) s.region = windowBox();
        h.start(s, samples::solid(200, 100, 128, 128, 128));
        c.lose(h);
        h.run(20s);
        EXPECT_EQ(h.host.losses, (std::vector<std::optional<WindowLoss>>{c.loss})) << c.what;
        h.fake.windows.backend.windows = {fakes::window(windowID, {0, 0, 800, 600})};
        h.fake.capturer.screen = showing(20);
        h.run(15s);
        EXPECT_EQ(h.host.regained, 1) << c.what;
        EXPECT_EQ(h.host.barks.size(), c.barksOnReturn ? 1u : 0u) << c.what;
    }
}

TEST(WatchRunnerPicture, FreshStartTakesItsBaselinesFromTheFirstReading) {
    RunnerHarness h;
    const auto first = lines({"Alice: hi", "12:01 Bob: yo"});
    const auto next = lines({"Alice: hi", "12:01 Bob: yo", "12:02 Carol: hey"});
    startHeld(h, textWatch(WatchType::newLine), true, samples::solid(200, 100, 9, 9, 9));
    EXPECT_EQ(barksOver(h, {first, next}), std::vector<int>{1}) << "a reading not met first";
    ASSERT_EQ(h.host.rebaselined.size(), 1u);
    EXPECT_EQ(h.host.rebaselined[0], samples::solid(200, 100, 128, 128, 128)) << "what the box shows now";
    EXPECT_EQ(h.host.rebaselinedLines, (std::vector<std::vector<std::string>>{NewLineRule::normalized(first)}));
}

}  // namespace
}  // namespace kestrove
