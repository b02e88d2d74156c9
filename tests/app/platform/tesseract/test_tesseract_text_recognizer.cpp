#include "app/platform/tesseract/tesseract_text_recognizer.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/platform/tesseract/openmp_limit.hpp"
#include "app/platform/tesseract/tesseract_engine.hpp"
#include "app/platform/qt/warm_up_sample.hpp"
#include "core/reading/text_match.hpp"
#include "support/app/platform_gate.hpp"
#include "support/app/rendered_text.hpp"
#include "support/manual_executor.hpp"

using namespace kestrove;
using namespace std::chrono_literals;

TEST(TesseractTextRecognizer, AnswersEachRequestOnceThroughTheExecutor) {
    kestrove::testing::ManualExecutor main;
    const auto mainThread = std::this_thread::get_id();
    TesseractTextRecognizer recognizer(main.executor(), nullptr, 2);

    const std::vector<std::string> texts = {"Status: Exporting 42%", "Price: 249.99 EUR", "Counter: 7", "Qty 3"};
    std::map<std::string, int> answers;
    bool offThread = false;
    std::vector<Pending> calls;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        calls.push_back(recognizer.recognize("w_" + std::to_string(i),
                                             std::make_shared<const Image>(rendered::crop(400, 60, {{texts[i], 10, 38}})),
                                             i % 2 == 0, [&, text = texts[i]](std::vector<OCRLine> lines) {
                                 offThread |= std::this_thread::get_id() != mainThread;
                                 ++answers[text];
                                 ASSERT_EQ(lines.size(), 1u) << text;
                                 EXPECT_EQ(TextMatch::normalize(lines[0].text), TextMatch::normalize(text));
                             }));
    }
    EXPECT_TRUE(answers.empty()) << "answered before the executor ran";
    ASSERT_TRUE(main.runUntil([&] { return answers.size() == texts.size(); }, 20s));
    main.runUntil([] { return false; }, 200ms);
    for (const auto& t : texts) EXPECT_EQ(answers[t], 1) << t;
    EXPECT_FALSE(offThread);
}

TEST(TesseractTextRecognizer, OnlyTheNewestWaitingRequestOfAWatchIsReadAndForgottenOnesNeverAnswer) {
    kestrove::testing::ManualExecutor main;
    // The one worker is held in the warm-up.
    kestrove::testing::Gate held;
    auto heldSample = [&] {
        held.pass();
        return Image();
    };
    TesseractTextRecognizer recognizer(main.executor(), heldSample, 1);
    recognizer.warmUp();
    held.waitEntered();

    std::vector<std::string> answers;
    auto note = [&](std::string what) {
        return [&answers, what](std::vector<OCRLine> lines) { answers.push_back(what + ":" + std::to_string(lines.size())); };
    };
    const auto line = std::make_shared<const Image>(rendered::crop(300, 60, {{"Counter: 7", 10, 38}}));
    std::vector<Pending> calls;
    for (int i = 0; i < 100; ++i) calls.push_back(recognizer.recognize("w_1", line, false, note("w_1 #" + std::to_string(i))));
    Pending forgotten = recognizer.recognize("w_3", line, false, note("w_3"));
    recognizer.forget("w_3");
    Pending kept = recognizer.recognize("w_4", line, false, note("w_4"));
    held.release();
    ASSERT_TRUE(main.runUntil([&] { return answers.size() == 2; }, 20s));
    main.runUntil([] { return false; }, 200ms);
    EXPECT_EQ(answers, (std::vector<std::string>{"w_1 #99:1", "w_4:1"}));
}

TEST(TesseractTextRecognizer, OnlyASlowWarmUpIsLogged) {
    EXPECT_EQ(warmUpLogMessage(0.4), std::nullopt);
    EXPECT_EQ(warmUpLogMessage(2.9), std::nullopt);
    EXPECT_EQ(warmUpLogMessage(3.0), std::nullopt);
    EXPECT_EQ(warmUpLogMessage(3.2), "text recognition warmed up in 3.2 s");
    EXPECT_EQ(warmUpLogMessage(12.06), "text recognition warmed up in 12.1 s");
}

TEST(TesseractTextRecognizer, WarmUpReadsTheSampleOnAWorkerWithoutAnswering) {
    rendered::ensureApplication();
    const Image sample = warmUpSample();
    ASSERT_EQ(sample.width, 240);
    ASSERT_EQ(sample.height, 64);
    TesseractEngine engine(false);
    const auto lines = engine.read(sample);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(TextMatch::normalize(lines[0].text), "ready100");

    kestrove::testing::ManualExecutor main;
    std::atomic<int> drawn = 0;
    std::atomic<bool> onWorker = false;
    const auto mainThread = std::this_thread::get_id();
    TesseractTextRecognizer recognizer(main.executor(), [&] {
        onWorker = std::this_thread::get_id() != mainThread;
        ++drawn;
        return warmUpSample();
    });
    recognizer.warmUp();
    EXPECT_FALSE(main.waitForWork(3s)) << "the warm-up answered through the executor";
    EXPECT_EQ(drawn.load(), 1);
    EXPECT_TRUE(onWorker.load());
}

int main(int argc, char** argv) {
    kestrove::limitOpenMPThreads(argv);  // first: may start the process again
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
