#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <set>

#include "core/watch/watch_spec.hpp"

using namespace kestrove;

// The names of every kind, unit and state are pinned by the stored form in test_watch_json.cpp.

TEST(WatchSpecModel, KindsSplitIntoTextAndModel) {
    std::set<WatchType> ocr, cloud;
    for (WatchType t : allCases<WatchType>()) {
        if (needsOCR(t)) ocr.insert(t);
        if (needsCloud(t)) cloud.insert(t);
    }
    using enum WatchType;
    EXPECT_EQ(ocr, (std::set<WatchType>{textAppears, textGone, numberCompare, newLine}));
    EXPECT_EQ(cloud, (std::set<WatchType>{stateReached, newItem}));
}

TEST(WatchSpecModel, ComparisonHolds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    using enum Comparison;
    const std::tuple<Comparison, double, double, bool> cases[] = {
        {eq, 99.99995, 100, true}, {eq, 99.9999, 100, false}, {eq, 100.001, 100, false}, {gte, 100, 100, true},
        {lte, 100, 100, true},     {gt, 100, 100, false},     {lt, 100, 100, false},     {lt, 99, 100, true},
        {gt, 101, 100, true},      {none, 1, 1, false},       {eq, nan, nan, false},     {lte, nan, 100, false},
        {gt, 100, nan, false},
    };
    for (const auto& [c, read, target, holding] : cases)
        EXPECT_EQ(holds(c, read, target), holding) << rawValue(c) << " " << read << " " << target;
}

TEST(WatchSpecModel, StillnessAndActiveStatuses) {
    // Only a local rule waiting for a busy text to go must also see the box settle.
    WatchSpec s;
    s.type = WatchType::textGone;
    EXPECT_FALSE(s.waitsForStillness());
    s.ruleFrom = WatchType::stateReached;
    EXPECT_TRUE(s.waitsForStillness());
    s.type = WatchType::numberCompare;
    EXPECT_FALSE(s.waitsForStillness());
    WatchRecord r;
    for (WatchStatus status : allCases<WatchStatus>()) {
        r.status = status;
        EXPECT_EQ(r.isActive(), status == WatchStatus::watching || status == WatchStatus::lostSight)
            << rawValue(status);
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
