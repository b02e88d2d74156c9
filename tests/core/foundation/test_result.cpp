// What callers ask of a result beside its two sides: whether it failed for
// one given reason, and its value as an optional.

#include "core/foundation/result.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace kestrove {
namespace {

// `first` is what a default-made Why holds: a value must never pass for it.
enum class Why { first, second };

TEST(Result, FailedWithNamesOnlyTheErrorItHolds) {
    const Result<int, Why> value = 0;
    const Result<int, Why> first = Why::first;
    const Result<int, Why> second = Why::second;
    EXPECT_FALSE(value.failedWith(Why::first));
    EXPECT_FALSE(value.failedWith(Why::second));
    EXPECT_TRUE(first.failedWith(Why::first));
    EXPECT_FALSE(first.failedWith(Why::second));
    EXPECT_TRUE(second.failedWith(Why::second));
    EXPECT_FALSE(second.failedWith(Why::first));
}

TEST(Result, AsOptionalKeepsTheValueAndDropsAnyError) {
    const Result<std::string, Why> text = std::string("kept");
    EXPECT_EQ(text.asOptional(), "kept");
    EXPECT_EQ(text.value(), "kept");  // copied: still there
    EXPECT_EQ((Result<std::string, Why>(Why::first).asOptional()), std::nullopt);
    EXPECT_EQ((Result<std::string, Why>(Why::second).asOptional()), std::nullopt);

    // Taken from a result about to go, a value that cannot be copied moves out.
    Result<std::unique_ptr<int>, Why> owned = std::make_unique<int>(7);
    const std::optional<std::unique_ptr<int>> taken = std::move(owned).asOptional();
    ASSERT_TRUE(taken && *taken);
    EXPECT_EQ(**taken, 7);
}

}  // namespace
}  // namespace kestrove
