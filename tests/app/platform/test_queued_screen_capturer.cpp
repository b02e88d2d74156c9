// The capturer on its worker: answers through the main thread, latest wins
// per watch, forgotten watches and cancelled captures never answer, a
// throwing capture fails with a reason, what the worker learns reaches the
// main thread, a watch's picture comes with its grid, and a window is let go
// when its last reader goes.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "app/platform/queued_screen_capturer.hpp"
#include "support/app/platform_gate.hpp"
#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;

// A blocking capturer whose first capture waits until the test opens it.
struct Backend {
    testing::Gate gate;
    std::mutex mutex;
    std::atomic<int> captures = 0;
    std::atomic<bool> allowed = true;
    std::vector<std::uint32_t> released;

    struct Capturer final : BlockingCapturer {
        Backend& b;
        explicit Capturer(Backend& backend) : b(backend) {}
        Captured capture(const WatchRegion& region) override {
            if (b.captures++ == 0) b.gate.pass();
            if (!b.allowed) return CaptureError::notAllowed();
            if (region.w < 0) throw std::runtime_error("no such box");
            Image picture(static_cast<int>(region.w), static_cast<int>(region.h));
            for (std::size_t i = 0; i < picture.rgba.size(); ++i) picture.rgba[i] = std::uint8_t(i * 7);
            return picture;
        }
        Captured captureScreen(const WatchRegion& region) override { return capture(region); }
        void release(std::uint32_t window) override {
            std::lock_guard lock(b.mutex);
            b.released.push_back(window);
        }
        std::optional<WindowCaptureFacts> lastWindowCapture() const override {
            return WindowCaptureFacts{{1, 1}, 1, b.captures, 1, {}};
        }
        bool allowed() const override { return b.allowed; }
    };
    QueuedScreenCapturer::Factory factory() {
        return [this] { return std::make_unique<Capturer>(*this); };
    }
};

WatchRegion box(double w) { return {1, 0, 0, w, 10, 1, std::nullopt}; }
WatchRegion inWindow(std::uint32_t id) { return {1, 0, 0, 10, 10, 1, WindowAnchor{id, "Editor", {}, 0, 0, 100, 100}}; }

TEST(QueuedScreenCapturer, OnlyTheNewestWaitingCaptureOfAWatchIsTakenAndDroppedOnesNeverAnswer) {
    testing::ManualExecutor main;
    Backend backend;
    QueuedScreenCapturer capturer(main.executor(), backend.factory());
    std::vector<std::string> answers;
    auto note = [&](std::string who) {
        return [&answers, who](CapturedBox c) {
            answers.push_back(who + ":" + std::to_string(c.ok() ? c.value().image.width : -1));
        };
    };
    Pending first = capturer.capture("w_0", box(1), note("w_0"));
    backend.gate.waitEntered();
    std::vector<Pending> calls;
    for (int i = 1; i <= 100; ++i) calls.push_back(capturer.capture("w_1", box(i), note("w_1")));
    Pending cancelled = capturer.capture("w_2", box(2), note("w_2"));
    cancelled.cancel();
    Pending forgotten = capturer.capture("w_3", box(3), note("w_3"));
    capturer.forget("w_3");
    Pending failing = capturer.capture("w_4", box(-1), note("w_4"));
    first.cancel();  // while it is being taken
    ::testing::internal::CaptureStderr();
    backend.gate.release();
    ASSERT_TRUE(main.runUntil([&] { return answers.size() == 2; }, 10s));
    main.runUntil([] { return false; }, 50ms);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Kestrove: screen capture: no such box\n");
    EXPECT_EQ(answers, (std::vector<std::string>{"w_1:100", "w_4:-1"}));
    EXPECT_EQ(backend.captures, 3);
    EXPECT_EQ(capturer.lastWindowCapture()->imageWidth, 2) << "the facts of the last capture that answered";
}

TEST(QueuedScreenCapturer, KnowsWhetherCaptureIsAllowedWithoutBlocking) {
    testing::ManualExecutor main;
    Backend backend;
    backend.gate.release();
    QueuedScreenCapturer capturer(main.executor(), backend.factory());
    std::optional<bool> refreshed;
    Pending look = capturer.refreshAllowed([&](bool a) { refreshed = a; });
    ASSERT_TRUE(main.runUntil([&] { return refreshed.has_value(); }, 10s));
    EXPECT_TRUE(*refreshed);
    EXPECT_TRUE(capturer.allowed());

    // A refused capture says so too.
    backend.allowed = false;
    std::optional<CapturedBox> shot;
    Pending call = capturer.capture("w_1", box(4), [&](CapturedBox c) { shot = c; });
    ASSERT_TRUE(main.runUntil([&] { return shot.has_value(); }, 10s));
    EXPECT_EQ(shot->error(), CaptureError::notAllowed());
    EXPECT_FALSE(capturer.allowed());
}

TEST(QueuedScreenCapturer, AWatchsPictureComesWithItsChangeGridAndAPictureWithoutPixelsWithNone) {
    testing::ManualExecutor main;
    Backend backend;
    backend.gate.release();
    QueuedScreenCapturer capturer(main.executor(), backend.factory());
    for (const double width : {300.0, 1.0, 0.0}) {
        std::optional<CapturedBox> shot;
        Pending call = capturer.capture("w_1", box(width), [&](CapturedBox c) { shot = std::move(c); });
        ASSERT_TRUE(main.runUntil([&] { return shot.has_value(); }, 10s));
        ASSERT_TRUE(shot->ok());
        const BoxShot& got = shot->value();
        EXPECT_EQ(got.image.width, static_cast<int>(width));
        EXPECT_EQ(got.grid, PixelDiff::grid(got.image)) << width << " px wide";
        EXPECT_EQ(got.grid.has_value(), width > 0) << width << " px wide";
    }
}

TEST(QueuedScreenCapturer, LetsAWindowGoWhenNoWatchReadsItAnyMore) {
    testing::ManualExecutor main;
    Backend backend;
    backend.gate.release();
    QueuedScreenCapturer capturer(main.executor(), backend.factory());
    std::vector<Pending> calls;
    // Each step, then the windows let go by it (a look after it waits for it: one worker, in order).
    auto released = [&](const std::function<void()>& step) {
        step();
        std::optional<bool> looked;
        calls.push_back(capturer.refreshAllowed([&](bool a) { looked = a; }));
        EXPECT_TRUE(main.runUntil([&] { return looked.has_value(); }, 10s));
        std::lock_guard lock(backend.mutex);
        return std::exchange(backend.released, {});
    };
    auto read = [&](const char* owner, WatchRegion r) {
        return [&, owner, r] { calls.push_back(capturer.capture(owner, r, [](CapturedBox) {})); };
    };
    auto forget = [&](const char* owner) { return [&, owner] { capturer.forget(owner); }; };
    using Ids = std::vector<std::uint32_t>;
    const std::vector<std::pair<std::function<void()>, Ids>> steps{
        {read("w_1", inWindow(7)), {}},  {read("w_2", inWindow(7)), {}},
        {read("", inWindow(9)), {9}},    // a one-off holds its window only while it reads
        {read("", inWindow(7)), {}},     // watches still read it
        {forget("w_1"), {}},             {read("w_2", inWindow(8)), {7}},  // the last reader moved on
        {read("w_2", box(10)), {8}},     // to a display box
        {read("w_3", inWindow(5)), {}},  {forget("w_3"), {5}}, {forget("w_3"), {}}};
    for (std::size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(released(steps[i].first), steps[i].second) << "step " << i;
}

}  // namespace
}  // namespace kestrove
