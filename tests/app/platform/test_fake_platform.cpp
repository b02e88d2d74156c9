// The fake platform keeps the contract the engine's tests rely on: answers
// only through the manual main thread, held answers that a cancel stops,
// latest wins among held requests, and a loud failure on forbidden use.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <thread>

#include "support/app/fake_platform.hpp"

namespace kestrove {
namespace {

const WatchRegion bound{1, 10, 10, 40, 20, 1, WindowAnchor{7, "Editor", std::nullopt, 10, 10, 400, 300}};

TEST(FakePlatform, AnswersOnlyThroughTheMainThreadAndOnlyWhileHeld) {
    fakes::FakePlatform fake;
    std::vector<std::string> got;
    Pending shot = fake.platform.capturer->capture("w_1", bound, [&](CapturedBox c) {
        got.push_back("picture " + std::to_string(c.value().image.width));
        EXPECT_EQ(c.value().grid, PixelDiff::grid(c.value().image)) << "with its grid, as the real capturer gives it";
    });
    EXPECT_TRUE(got.empty());
    fake.main.runPending();
    EXPECT_EQ(got, std::vector<std::string>{"picture 40"});

    fake.recognizer.recognitions.hold = true;
    fake.recognizer.lines = {OCRLine{"Done", {}, 1}};
    std::vector<Pending> calls;
    for (const char* owner : {"w_1", "w_1", "w_2"})
        calls.push_back(fake.platform.recognizer->recognize(owner, std::make_shared<const Image>(4, 4), false, [&, owner](std::vector<OCRLine> l) {
            got.push_back(std::string(owner) + " " + l.at(0).text);
        }));
    EXPECT_EQ(fake.recognizer.recognitions.held(), 2u) << "the newer request of w_1 replaced the older";
    calls[2].cancel();
    EXPECT_EQ(fake.recognizer.recognitions.releaseAll(), 1u);
    fake.main.runPending();
    EXPECT_EQ(got.back(), "w_1 Done");
    EXPECT_EQ(got.size(), 2u);
    EXPECT_EQ(fake.recognizer.recognitions.asked.size(), 3u);

    std::shared_ptr<DirectSession> session;
    Pending open = fake.platform.direct->open(bound, [&](std::shared_ptr<DirectSession> s) { session = std::move(s); });
    fake.main.runPending();
    ASSERT_TRUE(session);
    EXPECT_EQ(fake.direct.sessions.at(0).get(), session.get());

    std::optional<NotificationStatus> status;
    Pending asked = fake.platform.notifier->status([&](NotificationStatus n) { status = n; });
    EXPECT_FALSE(status);
    fake.main.runPending();
    EXPECT_EQ(status, NotificationStatus::allowed);
}

TEST(FakePlatform, ForbiddenUseFailsTheTest) {
    fakes::FakePlatform fake;
    EXPECT_NONFATAL_FAILURE(fake.capturer.captures.release(), "nothing held");
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(
        std::thread([&] { Pending p = fake.platform.capturer->capture("w_1", bound, [](CapturedBox) {}); }).join(),
        "off the main thread");
}

}  // namespace
}  // namespace kestrove
