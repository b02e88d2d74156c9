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

}  // namespace

TEST(DirectSilence, NamesAreFixed) {
    // Stored and logged by name: the texts and their order are fixed.
    std::string names;
    for (DirectSilence s : allCases<DirectSilence>()) {
        names += std::string(rawValue(s)) + " ";
        EXPECT_EQ(fromRaw<DirectSilence>(rawValue(s)), s);
    }
    EXPECT_EQ(names, "notPermitted windowGone timedOut failed notOnScreen otherTab notExposed boxOutside ");
}

TEST(DirectAnswer, EveryAnswerWithLinesCountsSilenceDoesNot) {
    const DirectAnswer empty = DirectAnswer::lines({}), silent = DirectAnswer::noAnswer(DirectSilence::failed);
    EXPECT_EQ(std::pair(empty.counts(), empty.silence()), std::pair(true, std::optional<DirectSilence>()));
    EXPECT_EQ(std::pair(silent.counts(), silent.silence()), std::pair(false, std::optional(DirectSilence::failed)));
}

TEST(DirectReading, OnlyBoundTextWatchesAreEligible) {
    for (WatchType t : allCases<WatchType>()) {
        const bool textKind = t == WatchType::textAppears || t == WatchType::textGone ||
                              t == WatchType::numberCompare || t == WatchType::newLine;
        EXPECT_EQ(DirectReading::eligible(spec(t, true)), textKind) << rawValue(t);
        EXPECT_FALSE(DirectReading::eligible(spec(t, false))) << rawValue(t);
    }
}

TEST(DirectReading, SmallRules) {
    // An on-screen-only session owes silence for a window off screen, and its empty readings do not count.
    EXPECT_EQ(DirectReading::silence(true, false), DirectSilence::notOnScreen);
    EXPECT_EQ(DirectReading::silence(true, true), std::nullopt);
    EXPECT_EQ(DirectReading::silence(false, false), std::nullopt);
    EXPECT_EQ(std::pair(DirectReading::emptyCounts(false), DirectReading::emptyCounts(true)), std::pair(true, false));
    // A lost picture is kept alive by counted direct answers.
    EXPECT_EQ(std::pair(DirectReading::lost(true, false), DirectReading::keptAlive(true, false)),
              std::pair(true, false));
    EXPECT_EQ(std::pair(DirectReading::lost(true, true), DirectReading::keptAlive(true, true)), std::pair(false, true));
    EXPECT_EQ(std::pair(DirectReading::lost(false, true), DirectReading::keptAlive(false, true)),
              std::pair(false, false));
    // The same page needs the same element or a known, equal address.
    using S = std::optional<std::string>;
    const std::tuple<bool, S, S, bool> pages[] = {
        {true, std::nullopt, std::nullopt, true},
        {false, S(""), S(""), false},
        {false, S("https://a.example/x"), S("https://a.example/x"), true},
        {false, S("https://a.example/x"), S("https://a.example/y"), false},
        {false, S("https://a.example/x"), std::nullopt, false},
        {false, std::nullopt, S("https://a.example/x"), false},
    };
    for (const auto& [sameElement, atSetUp, now, same] : pages)
        EXPECT_EQ(DirectReading::samePage(sameElement, atSetUp, now), same);
}
