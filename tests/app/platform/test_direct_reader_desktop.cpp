// Both readers on the test window over the real display and accessibility
// bus: the picture (from the display and through the window) and the direct
// reading agree on its boxes, nothing is cached, a stopped window times out
// and a killed one is gone, and direct reading waits for the user's leave.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "app/platform/atspi/accessibility_status.hpp"
#include "app/platform/atspi/direct_access.hpp"
#include "core/reading/text_match.hpp"
#include "core/windows/direct_agreement.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/platform_boxes.hpp"
#include "support/app/real_apps.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::Readers;
using desktop::waitFor;

bool reads(const std::vector<OCRLine>& lines, const std::string& text) {
    return lines.size() == 1 && TextMatch::normalize(lines[0].text) == TextMatch::normalize(text);
}

struct TestWindowReaders : ::testing::Test {
    const bool allowed = desktop::allowReadingWindows();
    Readers readers;
    desktop::TestWindow window;
    Rect client;

    void SetUp() override {
        client = window.where();
        ASSERT_TRUE(desktop::waitUntilListedAt(readers.windows, window.id(), client));
    }
    WatchRegion over(const tw::Box& b, bool bound = true) {
        return desktop::regionOver(desktop::onScreen(client, b), readers.screens, bound ? &readers.windows : nullptr);
    }
    // The box's picture once it reads `text` (the window may still be painting).
    std::vector<OCRLine> picture(const WatchRegion& r, const std::string& text, bool languageCorrection = false) {
        std::vector<OCRLine> lines;
        waitFor([&] { return reads(lines = readers.picture(r, languageCorrection), text); }, 10000);
        return lines;
    }
    // A session over the bound box, once the window has joined the bus.
    std::shared_ptr<DirectSession> open(const tw::Box& b) {
        auto session = readers.open(over(b));
        if (session) readers.direct(*session);
        return session;
    }
};

TEST_F(TestWindowReaders, BothReadersAgreeOnTheStatusAndPriceBoxes) {
    // Both pictures and the direct lines of a box, checked on the way.
    auto readBoth = [&](const tw::Box& box, const std::string& text) {
        SCOPED_TRACE(text);
        const auto fromDisplay = picture(over(box, false), text), throughWindow = picture(over(box), text);
        for (const auto& lines : {fromDisplay, throughWindow}) {
            EXPECT_TRUE(reads(lines, text));
            EXPECT_TRUE(desktop::insideTheBox(lines));
            for (const OCRLine& l : lines) {
                EXPECT_GT(l.confidence, 0.5);
                EXPECT_LE(l.confidence, 1.0);
                // The label draws from its left edge, vertically centred.
                EXPECT_LT(l.box.x, 0.05);
                EXPECT_NEAR(l.box.y + l.box.h / 2, 0.5, 0.15);
            }
        }
        const auto session = open(box);
        EXPECT_NE(session, nullptr);
        const DirectAnswer answer =
            session ? Readers::readOnce(*session) : DirectAnswer::noAnswer(DirectSilence::failed);
        const std::vector<OCRLine> direct = answer.lines() ? *answer.lines() : std::vector<OCRLine>{};
        EXPECT_EQ(desktop::texts(direct), std::vector<std::string>{text});
        return std::tuple{throughWindow, direct, session};
    };

    WatchSpec gone;
    gone.type = WatchType::textGone;
    gone.target.text = "Exporting";
    gone.region = over(tw::status);
    ASSERT_TRUE(gone.region.window);
    const auto [statusPicture, statusDirect, session] = readBoth(tw::status, tw::initialStatus);
    EXPECT_EQ(DirectAgreement::check(gone, statusPicture, statusDirect), DirectAgreement::agrees);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(DirectAgreement::adopt(gone, statusPicture, statusDirect, session->onScreenOnly()).direct,
              DirectInfo{false});
    // The window's program is surely not Chromium, as /proc tells.
    const auto verdict = DirectAccess::chromium(static_cast<std::int32_t>(window.pid()));
    EXPECT_FALSE(verdict.isChromium);
    EXPECT_EQ(verdict.confidence, ChromiumDetection::Confidence::sure) << verdict.why;
    EXPECT_EQ(session->chromium(), verdict);
    EXPECT_FALSE(session->onScreenOnly());

    WatchSpec price;
    price.type = WatchType::numberCompare;
    price.comparator = Comparison::lt;
    price.value = 200;
    price.target.unit = ValueUnit::eur;
    price.region = over(tw::price);
    const auto [pricePicture, priceDirect, priceSession] = readBoth(tw::price, tw::initialPrice);
    EXPECT_EQ(DirectAgreement::check(price, pricePicture, priceDirect), DirectAgreement::agrees);
    // Readings of different boxes do not agree.
    EXPECT_FALSE(DirectAgreement::check(gone, statusPicture, priceDirect).agrees());
}

TEST_F(TestWindowReaders, AChangeShowsOnTheNextReadOfEither) {
    auto session = open(tw::status);
    ASSERT_NE(session, nullptr);
    window.command("status Status: Done 100%");
    const DirectAnswer after = Readers::readOnce(*session);
    ASSERT_TRUE(after.lines());
    EXPECT_EQ(desktop::texts(*after.lines()), std::vector<std::string>{"Status: Done 100%"});
    EXPECT_TRUE(reads(picture(over(tw::status), "Status: Done 100%", true), "Status: Done 100%"));
}

TEST_F(TestWindowReaders, AStoppedWindowTimesOutAndAKilledOneIsGone) {
    auto session = open(tw::status);
    ASSERT_NE(session, nullptr);
    // A read limit shorter than one call's time-out cuts the call short.
    QueuedDirectReader quickReader{mainThreadExecutor(), [] { return linuxDirectPlatform(1); },
                                   std::chrono::milliseconds(400)};
    auto quick = readers.open(over(tw::status), &quickReader);
    ASSERT_NE(quick, nullptr);
    ASSERT_TRUE(waitFor([&] { return Readers::readOnce(*quick).counts(); }));
    const auto pid = static_cast<pid_t>(window.pid());

    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    auto timed = [](DirectSession& s) {
        const auto start = std::chrono::steady_clock::now();
        const DirectAnswer answer = Readers::readOnce(s);
        return std::pair{answer, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
    };
    const auto [stopped, seconds] = timed(*session);
    const auto [cut, cutSeconds] = timed(*quick);
    ::kill(pid, SIGCONT);
    EXPECT_EQ(stopped.silence(), DirectSilence::timedOut);
    EXPECT_GE(seconds, 0.9);
    EXPECT_LE(seconds, 1.5);
    EXPECT_EQ(cut.silence(), DirectSilence::timedOut);
    EXPECT_GE(cutSeconds, 0.35);
    EXPECT_LE(cutSeconds, 0.8);

    // Answers again once it runs.
    EXPECT_TRUE(waitFor([&] { return Readers::readOnce(*session).counts(); }));

    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    EXPECT_TRUE(waitFor([&] { return ::kill(pid, 0) != 0; }));
    EXPECT_EQ(Readers::readOnce(*session).silence(), DirectSilence::windowGone);
}

TEST_F(TestWindowReaders, DirectReadingOnlyWhileTheUserAllowsIt) {
    auto session = open(tw::status);
    ASSERT_NE(session, nullptr);
    ASSERT_TRUE(AccessibilityStatus::setEnabled(false));
    EXPECT_EQ(Readers::readOnce(*session).silence(), DirectSilence::notPermitted);
    EXPECT_EQ(readers.open(over(tw::status)), nullptr);
    EXPECT_FALSE(readers.reader.allowed());
    ASSERT_TRUE(AccessibilityStatus::setEnabled(true));
    EXPECT_TRUE(Readers::readOnce(*session).counts());
    EXPECT_TRUE(readers.reader.allowed());
}

}  // namespace
}  // namespace kestrove
