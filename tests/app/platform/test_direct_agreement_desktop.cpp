// The picture reader and the direct reader on the same boxes of the test
// window agree, so such a watch may switch to direct reading.

#include <gtest/gtest.h>

#include <future>

#include "app/platform/linux_platform.hpp"
#include "app/platform/queued_direct_reader.hpp"
#include "app/platform/qt/main_thread_executor.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/ocr/tesseract_text_recognizer.hpp"
#include "app/platform/ocr/warm_up_sample.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "core/windows/direct_agreement.hpp"
#include "core/reading/text_match.hpp"
#include "support/app/desktop_fixture.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::waitFor;

struct BothReaders : ::testing::Test {
    const bool allowed = desktop::allowReadingWindows();
    QtScreens screens;
    XcbWindowList windows;
    XcbScreenCapturer capturer{screens};
    TesseractTextRecognizer recognizer{mainThreadExecutor(), warmUpSample};
    QueuedDirectReader direct{mainThreadExecutor(), [] { return linuxDirectPlatform(1); }};
    desktop::TestWindow window;
    Rect client;

    void SetUp() override {
        client = window.where();
        ASSERT_TRUE(desktop::waitUntilListedAt(windows, window.id(), client));
    }

    WatchRegion bound(const tw::Box& b) {
        const Rect box{client.x + b.x, client.y + b.y, double(b.w), double(b.h)};
        const auto selected = SelectedRegion::make(*ScreenSpace::screenFor(box, screens.screens()), box);
        return WindowBinder::bind(selected, windows, screens).region;
    }

    // Both readings once they show `expected` (the window may still be painting
    // or joining the accessibility bus).
    std::pair<std::vector<OCRLine>, std::vector<OCRLine>> readBoth(const WatchRegion& r, const std::string& expected) {
        const std::string want = TextMatch::normalize(expected);
        auto shows = [&](const std::vector<OCRLine>& lines) {
            return lines.size() == 1 && TextMatch::normalize(lines[0].text) == want;
        };
        std::vector<OCRLine> picture, directLines;
        waitFor(
            [&] {
                const Captured shot = capturer.capture(r);
                if (!shot.ok()) return false;
                const auto answer = desktop::await<std::vector<OCRLine>>(
                    [&](auto done) { return recognizer.recognize("", shot.value(), false, done); });
                if (!answer) return false;
                picture = *answer;
                return shows(picture);
            },
            10000);
        const auto session = desktop::await<std::shared_ptr<DirectSession>>(
            [&](auto done) { return this->direct.open(r, done); });
        EXPECT_TRUE(session && *session);
        if (session && *session)
            waitFor([&] {
                const auto a = desktop::await<DirectAnswer>([&](auto done) { return (*session)->read(done); });
                if (a && a->lines()) directLines = *a->lines();
                return shows(directLines);
            });
        return {picture, directLines};
    }
};

TEST_F(BothReaders, AgreeOnTheStatusAndPriceBoxes) {
    WatchSpec gone;
    gone.type = WatchType::textGone;
    gone.target.text = "Exporting";
    gone.region = bound(tw::status);
    ASSERT_TRUE(gone.region.window);
    const auto [statusPicture, statusDirect] = readBoth(gone.region, tw::initialStatus);
    ASSERT_EQ(statusDirect.size(), 1u);
    EXPECT_EQ(statusDirect[0].text, tw::initialStatus);
    EXPECT_EQ(DirectAgreement::check(gone, statusPicture, statusDirect), DirectAgreement::agrees);
    EXPECT_EQ(DirectAgreement::adopt(gone, statusPicture, statusDirect, false).direct, DirectInfo{false});

    WatchSpec price;
    price.type = WatchType::numberCompare;
    price.comparator = Comparison::lt;
    price.value = 200;
    price.target.unit = ValueUnit::eur;
    price.region = bound(tw::price);
    const auto [pricePicture, priceDirect] = readBoth(price.region, tw::initialPrice);
    ASSERT_EQ(priceDirect.size(), 1u);
    EXPECT_EQ(priceDirect[0].text, tw::initialPrice);
    EXPECT_EQ(DirectAgreement::check(price, pricePicture, priceDirect), DirectAgreement::agrees);

    // Readings of different boxes do not agree.
    EXPECT_FALSE(DirectAgreement::check(gone, statusPicture, priceDirect).agrees());
}

}  // namespace
}  // namespace kestrove
