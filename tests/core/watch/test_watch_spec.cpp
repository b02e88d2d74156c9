#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "core/watch/watch_spec.hpp"

using namespace kestrove;

TEST(WatchSpecModel, RawValuesAreExactBothWays) {
    for (WatchType t : allCases<WatchType>()) EXPECT_EQ(fromRaw<WatchType>(rawValue(t)), t);
    for (ValueUnit u : allCases<ValueUnit>()) EXPECT_EQ(fromRaw<ValueUnit>(rawValue(u)), u);
    EXPECT_EQ(rawValue(WatchStatus::lostSight), "lost_sight");
    EXPECT_EQ(rawValue(WatchMode::everyTime), "every_time");
    EXPECT_EQ(rawValue(ValueUnit::percent), "%");
    EXPECT_EQ(fromRaw<ValueUnit>("EUR"), ValueUnit::eur);
    for (std::string_view wrong : {"eur", "Eur", "euro"}) EXPECT_EQ(fromRaw<ValueUnit>(wrong), std::nullopt) << wrong;
    for (std::string_view wrong : {"everyTime", "every-time", "EVERY_TIME"})
        EXPECT_EQ(fromRaw<WatchMode>(wrong), std::nullopt) << wrong;
    EXPECT_EQ(allCases<WatchType>().front(), WatchType::anyChange);
    EXPECT_EQ(allCases<WatchType>().back(), WatchType::newItem);
}

TEST(WatchSpecModel, KindsSplitIntoTextAndModel) {
    std::set<WatchType> ocr, cloud;
    for (WatchType t : allCases<WatchType>()) {
        if (needsOCR(t)) ocr.insert(t);
        if (needsCloud(t)) cloud.insert(t);
    }
    EXPECT_EQ(ocr, (std::set<WatchType>{WatchType::textAppears, WatchType::textGone, WatchType::numberCompare,
                                         WatchType::newLine}));
    EXPECT_EQ(cloud, (std::set<WatchType>{WatchType::stateReached, WatchType::newItem}));
}

TEST(WatchSpecModel, ComparisonHolds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case { Comparison c; double read, target; bool expected; };
    const Case cases[] = {
        {Comparison::eq, 99.99995, 100, true},
        {Comparison::eq, 99.9999, 100, false},
        {Comparison::eq, 100.001, 100, false},
        {Comparison::gte, 100, 100, true},
        {Comparison::lte, 100, 100, true},
        {Comparison::gt, 100, 100, false},
        {Comparison::lt, 100, 100, false},
        {Comparison::lt, 99, 100, true},
        {Comparison::gt, 101, 100, true},
        {Comparison::none, 1, 1, false},
        {Comparison::eq, nan, nan, false},
        {Comparison::lte, nan, 100, false},
        {Comparison::gt, 100, nan, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(holds(c.c, c.read, c.target), c.expected) << rawValue(c.c) << " " << c.read << " " << c.target;
}

TEST(WatchSpecModel, UnitHelpers) {
    EXPECT_EQ(secondsFactor(ValueUnit::percent), 1);
    EXPECT_EQ(secondsFactor(ValueUnit::minutes), 60);
    EXPECT_EQ(secondsFactor(ValueUnit::hours), 3600);
    EXPECT_EQ(currencySymbol(ValueUnit::seconds), std::nullopt);
    EXPECT_EQ(currencySymbol(ValueUnit::gbp), "£");
    EXPECT_TRUE(isCurrency(ValueUnit::usd));
    EXPECT_FALSE(isCurrency(ValueUnit::percent));
    EXPECT_TRUE(isTime(ValueUnit::seconds));
    EXPECT_FALSE(isTime(ValueUnit::eur));
}

TEST(WatchSpecModel, StillnessOnlyForLocalRulesStandingIn) {
    WatchSpec typed;
    typed.type = WatchType::textGone;
    EXPECT_FALSE(typed.waitsForStillness());
    WatchSpec standIn = typed;
    standIn.ruleFrom = WatchType::stateReached;
    EXPECT_TRUE(standIn.waitsForStillness());
    standIn.type = WatchType::numberCompare;
    EXPECT_FALSE(standIn.waitsForStillness());
}

TEST(WatchSpecModel, ActiveStatuses) {
    WatchRecord r;
    for (WatchStatus s : allCases<WatchStatus>()) {
        r.status = s;
        EXPECT_EQ(r.isActive(), s == WatchStatus::watching || s == WatchStatus::lostSight) << rawValue(s);
    }
}

TEST(WatchSpecModel, IdsUseTheAlphabetEvenly) {
    std::map<char, int> seen;
    std::set<std::string> ids;
    for (int i = 0; i < 4000; ++i) {
        std::string id = WatchSpec::makeID();
        ASSERT_EQ(id.size(), 8u);
        ASSERT_EQ(id.substr(0, 2), "w_");
        for (char c : id.substr(2)) {
            ASSERT_NE(WatchSpec::idAlphabet.find(c), std::string_view::npos) << id;
            ++seen[c];
        }
        ids.insert(id);
    }
    EXPECT_EQ(seen.size(), 32u);  // every character turns up, none of I, L, O, U
    for (const auto& [c, n] : seen) EXPECT_GT(n, 500) << c;  // 750 expected each
    EXPECT_GT(ids.size(), 3990u);
}

TEST(WatchSpecModel, TroublesCompareByCaseAndBackAt) {
    EXPECT_EQ(WatchTrouble::modelChecksUsedUp(std::nullopt), WatchTrouble::modelChecksUsedUp(std::nullopt));
    EXPECT_EQ(WatchTrouble::modelChecksUsedUp("at 14:00"), WatchTrouble::modelChecksUsedUp("at 14:00"));
    EXPECT_NE(WatchTrouble::modelChecksUsedUp("at 14:00"), WatchTrouble::modelChecksUsedUp(std::nullopt));
    EXPECT_NE(WatchTrouble::localOnly(), WatchTrouble::serverNotSetUp());
}
