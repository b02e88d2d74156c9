#pragma once
// The rules of the daily look for a newer published build: where the feed
// lives, when a look is due, how the feed is validated and judged. Pure
// functions; the timer, the request and the menu line live in the app.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/foundation/json_io.hpp"
#include "core/cloud/url.hpp"

namespace kestrove {

struct Release {
    std::string version;  // trimmed, validated
    std::int64_t build = 0;  // at least 1; the only value compared
    Url url;              // https with a host: the download page
    std::optional<std::string> notes;  // trimmed, at most 200 characters

    bool operator==(const Release&) const = default;
};

struct UpdateCheck {
    struct Outcome {
        enum class Kind { newer, upToDate, unknown };
        Kind kind = Kind::unknown;
        std::optional<Release> release;  // for newer only

        static Outcome newer(Release r) { return {Kind::newer, std::move(r)}; }
        static Outcome upToDate() { return {Kind::upToDate, std::nullopt}; }
        static Outcome unknown() { return {Kind::unknown, std::nullopt}; }
        bool operator==(const Outcome&) const = default;
    };

    static constexpr double launchDelay = 20;   // seconds from launch to the first look
    static constexpr double interval = 86400;   // seconds between looks
    static constexpr std::size_t largestFile = 16384;

    // The feed, from the build option KESTROVE_UPDATE_FEED_URL; absent when
    // the build has none (then there is nothing to look at).
    static const std::optional<Url>& address();
    // This build's number, from the build option KESTROVE_BUILD_NUMBER;
    // absent when the build has none (then no look is made).
    static std::optional<std::int64_t> ownBuild();

    // The validated content of a feed file, or nothing.
    static std::optional<Release> parse(std::string_view data);
    // The running build from its version text: a non-negative decimal
    // integer once spaces and tabs are trimmed, else nothing.
    static std::optional<std::int64_t> build(std::optional<std::string_view> text);
    static bool isNewer(const Release& release, std::optional<std::int64_t> running);
    static Outcome outcome(std::optional<std::string_view> data, std::optional<int> status,
                           std::optional<std::int64_t> own);
    // Due with no look yet, a day after the last, or when the clock went back.
    static bool isDue(std::optional<Date> last, Date now);
};

}  // namespace kestrove
