// The frame's placing, following and flashing, on a fake window and virtual time.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "app/frame/frame_controller.hpp"
#include "support/app/fakes.hpp"

namespace kestrove {
namespace {

using WindowTracking::FramePlace;

struct Log {
    std::optional<Rect> geometry;
    int geometrySets = 0, layOuts = 0, redraws = 0, shows = 0, hides = 0;
    bool shown = false, alive = true;
    std::int64_t* clock = nullptr;  // moved on by each redraw, when set
    std::int64_t drawMs = 0;
};

struct FakeSurface final : FrameSurface {
    Log& log;
    explicit FakeSurface(Log& l) : log(l) {}
    ~FakeSurface() override { log.alive = false; }
    Rect geometry() const override { return log.geometry.value_or(Rect{}); }
    void setGeometry(const Rect& w) override { log.geometry = w, ++log.geometrySets; }
    void layOut(Size, bool) override { ++log.layOuts; }
    void redraw() override {
        ++log.redraws;
        if (log.clock) *log.clock += log.drawMs;
    }
    void show() override { log.shown = true, ++log.shows; }
    void hide() override { log.shown = false, ++log.hides; }
    bool isShown() const override { return log.shown; }
    std::vector<Rect> shownAreas() const override { return {}; }
};

struct FrameControl : ::testing::Test {
    fakes::FakeScreens screens;
    std::int64_t now = 0;
    std::multimap<std::int64_t, std::function<void()>> due;  // virtual time
    std::deque<std::int64_t> lateBy;  // how late each next delay runs (a busy main thread); on time when empty
    Log log;

    void SetUp() override {
        screens.list = {fakes::screen("A", {0, 0, 1280, 800}), fakes::screen("B", {1280, 0, 1920, 1080})};
    }
    void advance(std::int64_t ms) {
        const std::int64_t end = now + ms;
        while (!due.empty() && due.begin()->first <= end) {
            now = due.begin()->first;
            auto run = std::move(due.begin()->second);
            due.erase(due.begin());
            run();
        }
        now = end;
    }
    std::unique_ptr<FrameController> make(bool bound, WatchStatus status = WatchStatus::watching, Log* into = nullptr,
                                          const char* display = "A") {
        WatchRegion region{ScreenSpace::displayID(display), 100, 100, 120, 40, 1, std::nullopt};
        if (bound) region.window = WindowAnchor{77, "app", std::nullopt, 20, 20, 480, 320};
        Log& l = into ? *into : log;
        auto delay = [this](std::chrono::milliseconds wait, std::function<void(std::chrono::milliseconds)> then) {
            std::int64_t late = 0;
            if (!lateBy.empty()) late = lateBy.front(), lateBy.pop_front();
            due.emplace(now + wait.count() + late, [then = std::move(then), late] { then(std::chrono::milliseconds(late)); });
        };
        return std::make_unique<FrameController>(region, status, 5, screens, delay,
                                                 [&l](const FrameModel&) { return std::make_unique<FakeSurface>(l); });
    }
};

TEST_F(FrameControl, UnboundFrameShowsOnItsDisplayAndHidesWhileItIsGone) {
    auto frame = make(false, WatchStatus::watching, nullptr, "B");
    EXPECT_EQ(log.geometry, (Rect{1375, 77, 190, 68}));
    EXPECT_TRUE(log.shown);
    const auto both = screens.list;
    screens.list.pop_back();
    frame->place();
    EXPECT_FALSE(log.shown);
    screens.list = both;
    frame->place();
    frame->follow(FramePlace::hide());  // the tracker has no say over it
    EXPECT_TRUE(log.shown);
    EXPECT_EQ(log.layOuts, 1) << "same box, same tag side";

    Log finished;
    auto other = make(false, WatchStatus::finished, &finished);
    EXPECT_TRUE(finished.geometry && !finished.shown) << "a finished frame is laid out, not shown";
}

TEST_F(FrameControl, BoundFrameFollowsWithoutRebuildingAndHidesWhenTold) {
    auto frame = make(true);
    frame->place();
    EXPECT_FALSE(log.shown || log.geometry) << "waits for the tracker";
    frame->follow(FramePlace::show({300, 200, 120, 40}));
    EXPECT_EQ(log.geometry, (Rect{295, 177, 190, 68}));
    for (int i = 0; i < 2; ++i) frame->follow(FramePlace::show({340, 260, 120, 40}));
    EXPECT_EQ(log.geometry, (Rect{335, 237, 190, 68}));
    EXPECT_EQ(log.geometrySets, 2) << "set only when it differs";
    EXPECT_EQ(log.layOuts, 1) << "a move rebuilds nothing";
    EXPECT_EQ(log.shows, 1) << "shown once, not at every tick";
    frame->follow(FramePlace::show({340, 10, 120, 40}));
    EXPECT_EQ(log.layOuts, 2) << "the tag moved below the box";

    for (int i = 0; i < 2; ++i) frame->follow(FramePlace::hide());
    EXPECT_EQ(log.hides, 1);
    EXPECT_TRUE(frame->hiddenByWindow());
    frame->follow(FramePlace::show({340, 10, 120, 40}));
    EXPECT_TRUE(log.shown);
    screens.list.clear();
    frame->follow(FramePlace::show({900, 500, 120, 40}));
    EXPECT_EQ(log.geometry, (Rect{335, 5, 190, 68})) << "no screen: left as it was";

    Log finished;
    auto done = make(true, WatchStatus::finished, &finished);
    screens.list = {fakes::screen("A", {0, 0, 1280, 800})};
    done->follow(FramePlace::show({300, 200, 120, 40}));
    EXPECT_FALSE(finished.shown) << "finished: shown only for its flash";
    done->flash("10:42", [] {});
    EXPECT_TRUE(finished.shown);
}

TEST_F(FrameControl, FlashBlinksThreeTimesHoldsAndCompletesOnceAfterOnePointEightSeconds) {
    auto frame = make(false);
    std::vector<std::int64_t> fills, completions;
    const int before = log.redraws, shows = log.shows;
    frame->flash("10:42", [&] { completions.push_back(now); });
    EXPECT_EQ(frame->model().tagText(), "BARKED 10:42");
    EXPECT_EQ(log.redraws, before + 1) << "the tag and the first blink drawn in one go";
    EXPECT_EQ(log.shows, shows) << "on screen already";
    for (bool fill = false; now <= 2500; advance(10)) {
        if (frame->model().flashOn != fill) fills.push_back(now);
        fill = frame->model().flashOn;
        EXPECT_EQ(frame->model().flashing, now < 1800) << "the hold keeps the tag, " << now;
    }
    EXPECT_EQ(fills, (std::vector<std::int64_t>{0, 220, 400, 620, 800, 1020}));
    EXPECT_EQ(completions, (std::vector<std::int64_t>{1800}));
    EXPECT_EQ(frame->model().tagText(), "WATCHING · EVERY 5 S");
}

// A busy main thread runs steps late: the following ones catch up, so the
// flash keeps its 1.8 s whatever came late before its last step.
TEST_F(FrameControl, AFlashWhoseStepsComeLateStillEndsOnTime) {
    struct Case {
        const char* what;
        std::deque<std::int64_t> lateBy;
        std::vector<std::int64_t> fills;
        std::int64_t done;
        std::int64_t drawMs = 0;  // each redraw takes this long (a busy X server)
    };
    const Case cases[] = {
        {"every step 50 ms late", {50, 50, 50, 50, 50, 50, 50}, {0, 270, 450, 670, 850, 1070}, 1850},
        // The blinks it overran run at once, off and on in one go: no change shows.
        {"the first step 700 ms late", {700}, {0, 1020}, 1800},
        {"the second blink's fill held 100 ms too long", {0, 0, 100}, {0, 220, 400, 720, 800, 1020}, 1800},
        // The drawing is part of each step's wait: only the first and last draw add to it.
        {"every redraw takes 60 ms", {}, {60, 280, 460, 680, 860, 1080}, 1920, 60},
    };
    for (const Case& c : cases) {
        Log each;
        each.clock = &now;
        each.drawMs = c.drawMs;
        auto frame = make(false, WatchStatus::watching, &each);
        lateBy = c.lateBy;
        std::vector<std::int64_t> fills, done;
        const std::int64_t start = now;
        frame->flash("10:42", [&] { done.push_back(now - start); });
        for (bool fill = false; now - start <= 2500; advance(1)) {
            if (frame->model().flashOn != fill) fills.push_back(now - start);
            fill = frame->model().flashOn;
        }
        EXPECT_EQ(fills, c.fills) << c.what;
        EXPECT_EQ(done, std::vector<std::int64_t>{c.done}) << c.what;
    }
}

TEST_F(FrameControl, FlashesOfAHiddenFrameAndSideBySideAllComplete) {
    auto frame = make(true);
    std::vector<std::int64_t> done;
    frame->flash("10:42", [&] { done.push_back(now); });
    advance(500);
    frame->flash("10:43", [&] { done.push_back(now); });
    EXPECT_EQ(frame->model().tagText(), "BARKED 10:43");
    advance(1300);
    EXPECT_TRUE(frame->model().flashing) << "the second one still holds its tag";
    advance(500);
    EXPECT_EQ(done, (std::vector<std::int64_t>{1800, 2300}));
    EXPECT_FALSE(frame->model().flashing);
    EXPECT_EQ(log.shows, 0) << "hidden by its window all along";
}

TEST_F(FrameControl, SettersRedrawOnChangeAndAClosedFrameDrawsAndCompletesNothing) {
    auto frame = make(false);
    const int before = log.redraws;
    frame->setStatus(WatchStatus::watching), frame->setInterval(5), frame->setDirectOnly(false);
    EXPECT_EQ(log.redraws, before);
    frame->setStatus(WatchStatus::lostSight), frame->setInterval(30), frame->setTrouble(WatchTrouble::localOnly());
    EXPECT_EQ(log.redraws, before + 3);
    int done = 0;
    frame->flash("10:42", [&] { ++done; });
    advance(300);
    frame->close();
    EXPECT_FALSE(log.alive) << "the window is released";
    frame->setStatus(WatchStatus::paused);
    frame->flash("10:43", [&] { ++done; });
    advance(5000);
    EXPECT_EQ(done, 0);

    // A once bark's completion closes and drops the frame from inside it.
    Log second;
    auto owned = make(false, WatchStatus::finished, &second);
    owned->flash("10:44", [&] { owned.reset(); });
    advance(1800);
    EXPECT_FALSE(owned || second.alive);
}

}  // namespace
}  // namespace kestrove
