#include <gtest/gtest.h>

#include "core/windows/direct_reading.hpp"

using namespace kestrove;

namespace {

WatchSpec spec(WatchType type, bool bound) {
    WatchSpec s;
    s.type = type;
    if (bound) s.region.window = WindowAnchor{7, "Editor", std::nullopt, 0, 0, 100, 100};
    return s;
}

OCRLine line(std::string text) {
    OCRLine l;
    l.text = std::move(text);
    l.confidence = 1;
    return l;
}

}  // namespace

TEST(DirectSilence, RawValuesAreExact) {
    // Stored and logged by name: the texts and their order are fixed.
    const std::vector<std::string_view> names{"notPermitted", "windowGone", "timedOut", "failed",
                                              "notOnScreen",  "otherTab",   "notExposed", "boxOutside"};
    std::vector<std::string_view> raws;
    for (DirectSilence s : allCases<DirectSilence>()) {
        raws.push_back(rawValue(s));
        EXPECT_EQ(fromRaw<DirectSilence>(rawValue(s)), s);
    }
    EXPECT_EQ(raws, names);
    EXPECT_EQ(fromRaw<DirectSilence>("NotOnScreen"), std::nullopt);
    EXPECT_EQ(fromRaw<DirectSilence>("notOnScreen "), std::nullopt);
}

TEST(DirectAnswer, EveryAnswerWithLinesCounts) {
    const DirectAnswer empty = DirectAnswer::lines({});
    EXPECT_TRUE(empty.counts());
    ASSERT_NE(empty.lines(), nullptr);
    EXPECT_TRUE(empty.lines()->empty());
    EXPECT_EQ(empty.silence(), std::nullopt);

    const DirectAnswer read = DirectAnswer::lines({line("Ready")});
    EXPECT_TRUE(read.counts());
    EXPECT_EQ(read.lines()->front().text, "Ready");

    const DirectAnswer silent = DirectAnswer::noAnswer(DirectSilence::failed);
    EXPECT_FALSE(silent.counts());
    EXPECT_EQ(silent.lines(), nullptr);
    EXPECT_EQ(silent.silence(), DirectSilence::failed);

    EXPECT_NE(empty, silent);
    EXPECT_NE(empty, read);
    EXPECT_NE(silent, DirectAnswer::noAnswer(DirectSilence::timedOut));
}

TEST(DirectReading, OnlyBoundTextWatchesAreEligible) {
    for (WatchType t : allCases<WatchType>()) {
        const bool textKind = t == WatchType::textAppears || t == WatchType::textGone ||
                              t == WatchType::numberCompare || t == WatchType::newLine;
        EXPECT_EQ(DirectReading::eligible(spec(t, true)), textKind) << rawValue(t);
        EXPECT_FALSE(DirectReading::eligible(spec(t, false))) << rawValue(t);
    }
}

TEST(DirectReading, SilenceAndEmptyReadingsOfOnScreenOnlySessions) {
    EXPECT_EQ(DirectReading::silence(true, false), DirectSilence::notOnScreen);
    EXPECT_EQ(DirectReading::silence(true, true), std::nullopt);
    EXPECT_EQ(DirectReading::silence(false, false), std::nullopt);
    EXPECT_TRUE(DirectReading::emptyCounts(false));
    EXPECT_FALSE(DirectReading::emptyCounts(true));
}

TEST(DirectReading, SamePageNeedsTheSameElementOrAKnownEqualAddress) {
    using S = std::optional<std::string>;
    struct Case {
        bool sameElement;
        S atSetUp, now;
        bool same;
    } cases[] = {
        {true, std::nullopt, std::nullopt, true},
        {false, S(""), S(""), false},
        {false, S("https://a.example/x"), S("https://a.example/x"), true},
        {false, S("https://a.example/x"), S("https://a.example/y"), false},
        {false, S("https://a.example/x"), std::nullopt, false},
        {false, std::nullopt, S("https://a.example/x"), false},
    };
    for (const Case& c : cases) EXPECT_EQ(DirectReading::samePage(c.sameElement, c.atSetUp, c.now), c.same);
}

TEST(DirectReading, ALostPictureIsKeptAliveByCountedDirectAnswers) {
    EXPECT_TRUE(DirectReading::lost(true, false));
    EXPECT_FALSE(DirectReading::lost(true, true));
    EXPECT_FALSE(DirectReading::lost(false, false));
    EXPECT_TRUE(DirectReading::keptAlive(true, true));
    EXPECT_FALSE(DirectReading::keptAlive(true, false));
    EXPECT_FALSE(DirectReading::keptAlive(false, true));
}
