// Text recognition of the test window's boxes, captured from a real display.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/platform/qt/main_thread_executor.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/ocr/tesseract_text_recognizer.hpp"
#include "app/platform/ocr/warm_up_sample.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "core/reading/text_match.hpp"
#include "support/app/desktop_fixture.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::waitFor;

std::vector<std::string> normalised(const std::vector<OCRLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) out.push_back(TextMatch::normalize(l.text));
    return out;
}

struct Recognition : ::testing::Test {
    QtScreens screens;
    XcbWindowList windows;
    XcbScreenCapturer capturer{screens};
    TesseractTextRecognizer recognizer{mainThreadExecutor(), warmUpSample};
    std::unique_ptr<desktop::TestWindow> window;
    Rect client;

    void SetUp() override {
        window = std::make_unique<desktop::TestWindow>();
        client = window->where();
        ASSERT_TRUE(desktop::waitUntilListedAt(windows, window->id(), client));
    }

    WatchRegion region(const tw::Box& b, bool boundToWindow) {
        const Rect box{client.x + b.x, client.y + b.y, double(b.w), double(b.h)};
        const auto selected = SelectedRegion::make(*ScreenSpace::screenFor(box, screens.screens()), box);
        return boundToWindow ? WindowBinder::bind(selected, windows, screens).region : selected.region;
    }

    // Captures the box until its picture reads as `expected` (the window may
    // still be painting), and gives the last lines read.
    std::vector<OCRLine> read(const WatchRegion& r, const std::vector<std::string>& expected,
                              bool languageCorrection = false) {
        std::vector<OCRLine> last;
        waitFor(
            [&] {
                const Captured shot = capturer.capture(r);
                if (!shot.ok()) return false;
                const auto answer = desktop::await<std::vector<OCRLine>>(
                    [&](auto done) { return recognizer.recognize("", shot.value(), languageCorrection, done); });
                if (!answer) return false;
                last = *answer;
                std::vector<std::string> want;
                for (const auto& e : expected) want.push_back(TextMatch::normalize(e));
                return normalised(last) == want;
            },
            10000);
        return last;
    }

    static void expectSound(const std::vector<OCRLine>& lines) {
        for (const auto& l : lines) {
            EXPECT_TRUE(l.box.x >= 0 && l.box.y >= 0 && l.box.w > 0 && l.box.h > 0 && l.box.x + l.box.w <= 1 &&
                        l.box.y + l.box.h <= 1)
                << l.text;
            EXPECT_GT(l.confidence, 0.5) << l.text;
            EXPECT_LE(l.confidence, 1.0) << l.text;
        }
    }
};

TEST_F(Recognition, StatusAndPriceBoxesReadTheirTexts) {
    for (bool bound : {false, true}) {
        SCOPED_TRACE(bound ? "through the window" : "from the display");
        for (const auto& [box, text] : {std::pair{tw::status, tw::initialStatus}, {tw::price, tw::initialPrice}}) {
            const auto lines = read(region(box, bound), {text});
            ASSERT_EQ(normalised(lines), std::vector<std::string>{TextMatch::normalize(text)});
            expectSound(lines);
            // The label draws from its left edge, vertically centred.
            EXPECT_LT(lines[0].box.x, 0.05);
            EXPECT_NEAR(lines[0].box.y + lines[0].box.h / 2, 0.5, 0.15);
        }
    }
}

TEST_F(Recognition, AChangedBoxReadsItsNewText) {
    const auto r = region(tw::status, true);
    ASSERT_EQ(normalised(read(r, {tw::initialStatus})).size(), 1u);
    window->command("status Done 100%");
    EXPECT_EQ(normalised(read(r, {"Done 100%"}, true)), std::vector<std::string>{"done100"});
}

}  // namespace
}  // namespace kestrove
