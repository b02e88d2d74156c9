// The check's timed reads on a fake platform: Tesseract is asked only when
// the picture changed (or must be), a box that cannot be seen is lost, and
// the set-up's direct read is taken between capture and recognition; and
// how one tick's readings reach a rule's gates.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <functional>

#include "app/dev/ax_reads.hpp"
#include "app/dev/ax_rules.hpp"
#include "support/app/fake_platform.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove::DevAX {
namespace {

template <typename T>
QCoro::Task<> into(QCoro::Task<T> task, std::optional<T>& out) {
    out = co_await task;
}

struct AxReads : ::testing::Test {
    AxReads() {
        offscreen::app();
        fake.windows.backend.windows = {fakes::window(7, {100, 100, 440, 290})};
        box.region = WatchRegion{1, 0, 0, 40, 20, 1, WindowAnchor{7, "Editor", std::nullopt, 10, 10, 440, 290}};
        box.session = fake.platform.direct->session(*box.region.window, box.region.size(), 4242, {});
        fake.recognizer.lines = {{"Exporting 30%", NormRect::full(), 0.9}};
    }

    // Answers delivered and the coroutine resumed, until `done` or nothing moves.
    void settle(const std::function<bool()>& done) {
        for (int i = 0; !done() && i < 200; ++i) {
            fake.main.runPending();
            QCoreApplication::processEvents();
        }
    }
    template <typename T>
    T run(QCoro::Task<T> task) {
        std::optional<T> out;
        into(std::move(task), out);
        settle([&] { return out.has_value(); });
        EXPECT_TRUE(out.has_value()) << "the read never finished";
        return out ? std::move(*out) : T{};
    }

    PictureLook look(bool force = false) { return run(readPicture(fake.platform, box, force)); }

    void showPicture(std::uint8_t grey) {
        fake.capturer.screen = [grey](const WatchRegion& r) -> Captured {
            Image picture(static_cast<int>(r.w), static_cast<int>(r.h));
            std::fill(picture.rgba.begin(), picture.rgba.end(), grey);
            // A dark mark, so the picture is not one flat colour.
            for (int x = 0; x < 10; ++x) picture.rgba[4 * static_cast<std::size_t>(x)] = 0;
            return picture;
        };
    }

    fakes::FakePlatform fake;
    Box box;
};

TEST_F(AxReads, TesseractReadsOnlyWhatChangedUnlessForcedOrLostBefore) {
    showPicture(200);
    const PictureLook first = look();
    EXPECT_TRUE(first.changed && first.recognized && !first.lost);
    EXPECT_EQ(first.lines, fake.recognizer.lines);

    fake.recognizer.lines = {{"something else", NormRect::full(), 0.9}};
    const PictureLook same = look();
    EXPECT_FALSE(same.changed || same.recognized);
    ASSERT_TRUE(same.lines);
    EXPECT_EQ(same.lines->front().text, "Exporting 30%") << "the stored lines, not a new reading";

    EXPECT_TRUE(look(true).recognized);
    showPicture(20);
    const PictureLook changed = look();
    EXPECT_TRUE(changed.changed && changed.recognized);
    EXPECT_EQ(fake.recognizer.recognitions.asked.size(), 3u);
    EXPECT_TRUE(fake.recognizer.recognitions.asked.back().request.languageCorrection);

    // After a lost look the same pixels are read again.
    const auto shown = fake.capturer.screen;
    fake.capturer.screen = [](const WatchRegion&) -> Captured { return CaptureError::windowGone(); };
    const PictureLook lost = look();
    fake.capturer.screen = shown;
    EXPECT_TRUE(lost.lost && !lost.lines && !lost.recognized);
    EXPECT_TRUE(box.pictureLost);
    const PictureLook back = look();
    EXPECT_FALSE(back.changed);
    EXPECT_TRUE(back.recognized && !box.pictureLost);
}

TEST_F(AxReads, ABlankPictureOfAWindowOffScreenIsNotTheBox) {
    showPicture(200);
    box.numbers = true;
    look();
    EXPECT_FALSE(fake.recognizer.recognitions.asked.back().request.languageCorrection);
    fake.capturer.screen = fakes::greyPicture;  // one flat colour
    EXPECT_FALSE(look().lost) << "still listed on screen: a blank box is what it shows";
    const DiffGrid seen = *box.lastGrid;
    fake.windows.backend.windows.front().isOnScreen = false;
    fake.capturer.screen = [](const WatchRegion& r) {
        Captured c = fakes::greyPicture(r);
        std::fill(c.value().rgba.begin(), c.value().rgba.end(), std::uint8_t{0});
        return c;
    };
    const PictureLook unseen = look();
    EXPECT_TRUE(unseen.lost);
    EXPECT_EQ(box.lastGrid, seen) << "the reference stays the last picture seen";
}

TEST_F(AxReads, SetUpReadsDirectlyBetweenCaptureAndRecognition) {
    showPicture(200);
    auto& session = static_cast<fakes::FakeDirectSession&>(*box.session);
    session.lines = {{"Exporting… 30%", NormRect::full(), 1}};
    session.milliseconds = 40;
    fake.capturer.captures.hold = true;
    session.reads.hold = true;
    std::optional<SetUpReading> out;
    into(setUpRead(fake.platform, box), out);
    EXPECT_EQ(session.reads.asked.size(), 0u);
    fake.capturer.captures.release();
    settle([&] { return !session.reads.asked.empty(); });
    EXPECT_TRUE(fake.recognizer.recognitions.asked.empty()) << "the direct read comes before recognition";
    session.reads.release();
    settle([&] { return out.has_value(); });
    ASSERT_TRUE(out);
    EXPECT_EQ(out->lines, fake.recognizer.lines);
    EXPECT_EQ(out->directMS, 40);
    EXPECT_EQ(show(out->direct), "Exporting… 30%");
    EXPECT_TRUE(box.lastGrid && box.lines);
}

TEST_F(AxReads, ADirectFiringOnMissingTextBarksOnlyWhenThePictureAgrees) {
    Rule rule("\"Exporting\" is gone", 0);
    const std::vector<OCRLine> shown{{"Exporting 30%", NormRect::full(), 1}};
    ASSERT_TRUE(compileRule(rule, shown, DirectAnswer::lines(shown), box.region, false));
    ASSERT_TRUE(rule.adopted && rule.decider);
    const DirectAnswer empty = DirectAnswer::lines({});
    PictureLook stillThere{shown, false, false, false, 1};
    box.lines = shown;
    // The direct reading lost the text twice; the picture still shows it.
    feedRule(rule, box, stillThere, empty, 1, 1);
    EXPECT_FALSE(feedRule(rule, box, stillThere, empty, 2, 2).direct);
    EXPECT_FALSE(rule.directBark);
    box.lines = std::vector<OCRLine>{};
    PictureLook gone{std::vector<OCRLine>{}, true, true, false, 1};
    feedRule(rule, box, gone, empty, 3, 3);
    const Fired fired = feedRule(rule, box, gone, empty, 4, 4);
    EXPECT_TRUE(fired.direct && fired.picture);
    EXPECT_EQ(rule.directBark->tick, 4);
}

}  // namespace
}  // namespace kestrove::DevAX
