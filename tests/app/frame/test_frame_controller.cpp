// The frame's placing, following and flashing, on a fake window and virtual time.
#include <gtest/gtest.h>

#include <map>

#include "app/frame/frame_controller.hpp"
#include "support/app/fakes.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;

struct FakeSurface final : FrameSurface {
    struct Log {
        std::optional<Rect> geometry;
        int geometrySets = 0, layOuts = 0, redraws = 0, shows = 0, hides = 0;
        bool shown = false;
        bool alive = true;
        std::vector<std::pair<bool, bool>> drawn;  // (flashOn, flashing) at each redraw
    };
    const FrameModel& model;
    Log& log;
    FakeSurface(const FrameModel& m, Log& l) : model(m), log(l) {}
    ~FakeSurface() override { log.alive = false; }

    Rect geometry() const override { return log.geometry.value_or(Rect{}); }
    void setGeometry(const Rect& w) override { log.geometry = w, ++log.geometrySets; }
    void layOut(Size, bool) override { ++log.layOuts; }
    void redraw() override { ++log.redraws, log.drawn.emplace_back(model.flashOn, model.flashing); }
    void show() override { log.shown = true, ++log.shows; }
    void hide() override { log.shown = false, ++log.hides; }
    bool isShown() const override { return log.shown; }
    std::vector<Rect> shownAreas() const override { return {}; }
};

// Virtual time: each waiting step runs when `advance` passes its moment.
struct VirtualTime {
    std::int64_t now = 0;
    std::multimap<std::int64_t, std::function<void()>> due;
    FrameDelay delay() {
        return [this](std::chrono::milliseconds wait, std::function<void()> then) {
            due.emplace(now + wait.count(), std::move(then));
        };
    }
    void advance(std::int64_t ms) {
        const std::int64_t end = now + ms;
        while (!due.empty() && due.begin()->first <= end) {
            auto next = due.begin();
            now = next->first;
            auto run = std::move(next->second);
            due.erase(next);
            run();
        }
        now = end;
    }
};

struct FrameControl : ::testing::Test {
    fakes::FakeScreens screens;
    VirtualTime time;
    FakeSurface::Log log;

    void SetUp() override {
        screens.list = {fakes::screen("A", {0, 0, 1280, 800}), fakes::screen("B", {1280, 0, 1920, 1080})};
    }
    std::unique_ptr<FrameController> make(const WatchRegion& region, WatchStatus status = WatchStatus::watching,
                                          FakeSurface::Log* into = nullptr) {
        FakeSurface::Log& l = into ? *into : log;
        return std::make_unique<FrameController>(region, status, 5, screens, time.delay(),
                                                 [&l](const FrameModel& m) { return std::make_unique<FakeSurface>(m, l); });
    }
    WatchRegion unbound(const char* display) const {
        return {ScreenSpace::displayID(display), 100, 100, 120, 40, 1, std::nullopt};
    }
    WatchRegion bound() const {
        WatchRegion r = unbound("A");
        r.window = WindowAnchor{77, "app", std::nullopt, 20, 20, 480, 320};
        return r;
    }
};

TEST_F(FrameControl, UnboundFrameShowsOnItsDisplayAndHidesWhileItIsGone) {
    auto frame = make(unbound("B"));
    EXPECT_EQ(log.geometry, (Rect{1375, 77, 190, 68}));
    EXPECT_TRUE(log.shown);
    EXPECT_EQ(log.layOuts, 1);

    const auto both = screens.list;
    screens.list.pop_back();
    frame->place();
    EXPECT_FALSE(log.shown);
    screens.list = both;
    frame->place();
    EXPECT_TRUE(log.shown);
    EXPECT_EQ(log.layOuts, 1) << "same box, same tag side";

    frame->follow(WindowTracking::FramePlace::hide());
    EXPECT_TRUE(log.shown) << "the tracker has no say over an unbound frame";

    FakeSurface::Log other;
    auto finished = make(unbound("A"), WatchStatus::finished, &other);
    EXPECT_TRUE(other.geometry);
    EXPECT_FALSE(other.shown) << "a finished frame is laid out but not shown";
}

TEST_F(FrameControl, BoundFrameFollowsWithoutRebuildingAndHidesWhenTold) {
    auto frame = make(bound());
    EXPECT_FALSE(log.shown);
    EXPECT_FALSE(log.geometry) << "waits for the tracker";
    frame->place();
    EXPECT_FALSE(log.shown);

    using WindowTracking::FramePlace;
    frame->follow(FramePlace::show({300, 200, 120, 40}));
    EXPECT_EQ(log.geometry, (Rect{295, 177, 190, 68}));
    EXPECT_TRUE(log.shown);
    frame->follow(FramePlace::show({340, 260, 120, 40}));
    frame->follow(FramePlace::show({340, 260, 120, 40}));
    EXPECT_EQ(log.geometry, (Rect{335, 237, 190, 68}));
    EXPECT_EQ(log.geometrySets, 2) << "set only when it differs";
    EXPECT_EQ(log.layOuts, 1) << "a move rebuilds nothing";
    EXPECT_EQ(log.shows, 1) << "shown once, not at every tick";

    frame->follow(FramePlace::show({340, 10, 120, 40}));
    EXPECT_EQ(log.layOuts, 2) << "the tag moved below the box";

    frame->follow(FramePlace::hide());
    frame->follow(FramePlace::hide());
    EXPECT_FALSE(log.shown);
    EXPECT_EQ(log.hides, 1);
    EXPECT_TRUE(frame->hiddenByWindow());
    frame->follow(FramePlace::show({340, 10, 120, 40}));
    EXPECT_TRUE(log.shown);

    screens.list.clear();
    frame->follow(FramePlace::show({900, 500, 120, 40}));
    EXPECT_EQ(log.geometry, (Rect{335, 5, 190, 68})) << "no screen: left as it was";
    EXPECT_TRUE(log.shown);
}

TEST_F(FrameControl, FinishedBoundFrameShowsOnlyForItsFlash) {
    auto frame = make(bound(), WatchStatus::finished);
    frame->follow(WindowTracking::FramePlace::show({300, 200, 120, 40}));
    EXPECT_FALSE(log.shown);
    frame->flash("10:42", [] {});
    EXPECT_TRUE(log.shown);
}

TEST_F(FrameControl, FlashBlinksThreeTimesHoldsAndCompletesOnceAfterOnePointEightSeconds) {
    auto frame = make(unbound("A"));
    std::vector<std::int64_t> fills, completions;
    frame->flash("10:42", [&] { completions.push_back(time.now); });
    EXPECT_EQ(frame->model().tagText(), "BARKED 10:42");
    EXPECT_EQ(frame->model().tagTone(), TagTone::signal);
    bool lastFill = false;
    for (int t = 0; t <= 2500; t += 10) {
        if (frame->model().flashOn != lastFill) fills.push_back(time.now);
        lastFill = frame->model().flashOn;
        if (time.now == 1790) {
            EXPECT_TRUE(frame->model().flashing) << "the hold keeps the tag";
        }
        time.advance(10);
    }
    EXPECT_EQ(fills, (std::vector<std::int64_t>{0, 220, 400, 620, 800, 1020}));
    EXPECT_EQ(completions, (std::vector<std::int64_t>{1800}));
    EXPECT_FALSE(frame->model().flashing);
    EXPECT_FALSE(frame->model().flashOn);
    EXPECT_EQ(frame->model().tagText(), "WATCHING · EVERY 5 S");
}

TEST_F(FrameControl, HiddenBoundFrameRunsTheWholeFlashUnseen) {
    auto frame = make(bound());
    frame->follow(WindowTracking::FramePlace::hide());
    int done = 0;
    frame->flash("10:42", [&] { ++done; });
    time.advance(1799);
    EXPECT_EQ(done, 0);
    time.advance(1);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(log.shows, 0);
}

TEST_F(FrameControl, TwoFlashesSideBySideBothComplete) {
    auto frame = make(unbound("A"));
    std::vector<std::int64_t> done;
    frame->flash("10:42", [&] { done.push_back(time.now); });
    time.advance(500);
    frame->flash("10:43", [&] { done.push_back(time.now); });
    EXPECT_EQ(frame->model().tagText(), "BARKED 10:43");
    time.advance(1300);
    EXPECT_EQ(done, (std::vector<std::int64_t>{1800}));
    EXPECT_TRUE(frame->model().flashing) << "the second one still holds its tag";
    time.advance(500);
    EXPECT_EQ(done, (std::vector<std::int64_t>{1800, 2300}));
    EXPECT_FALSE(frame->model().flashing);
}

TEST_F(FrameControl, ClosedFrameDrawsNothingAndCompletesNothing) {
    auto frame = make(unbound("A"));
    int done = 0;
    frame->flash("10:42", [&] { ++done; });
    time.advance(300);
    frame->close();
    EXPECT_FALSE(log.alive) << "the window is released";
    frame->setStatus(WatchStatus::paused);
    frame->place();
    frame->flash("10:43", [&] { ++done; });
    time.advance(5000);
    EXPECT_EQ(done, 0);

    // The manager's completion of a once bark closes and drops the frame itself.
    FakeSurface::Log second;
    auto owned = make(unbound("A"), WatchStatus::finished, &second);
    owned->flash("10:44", [&] {
        owned->close();
        owned.reset();
    });
    time.advance(1800);
    EXPECT_EQ(owned, nullptr);
    EXPECT_FALSE(second.alive);
}

TEST_F(FrameControl, SettersRedrawOnlyOnChange) {
    auto frame = make(unbound("A"));
    const int before = log.redraws;
    frame->setStatus(WatchStatus::watching);
    frame->setInterval(5);
    frame->setTrouble(std::nullopt);
    frame->setDirectOnly(false);
    EXPECT_EQ(log.redraws, before);
    frame->setStatus(WatchStatus::lostSight);
    frame->setInterval(30);
    frame->setTrouble(WatchTrouble::localOnly());
    frame->setDirectOnly(true);
    EXPECT_EQ(log.redraws, before + 4);
    EXPECT_EQ(frame->model().tagText(), "CAN'T SEE IT");
}

}  // namespace
}  // namespace kestrove
