// Times of day shown to the user: the locale's short style, never seconds,
// in the zone asked for; the locale taken from the environment as POSIX does.

#include "core/foundation/short_time.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kestrove;

namespace {

Date utc(int hour, int minute, int second) {
    using namespace std::chrono;
    return sys_days{year{2026} / 12 / 7} + hours(hour) + minutes(minute) + seconds(second);
}

TEST(ShortTime, ShortStyleOfTheLocaleInTheZone) {
    struct Case {
        const char* locale;
        const char* zone;
        std::string expected;
    };
    const Case cases[] = {
        {"en_GB", "UTC", "14:05"},
        {"de_DE", "Europe/Berlin", "15:05"},
        // ICU puts a narrow no-break space before the day period.
        {"en_US", "America/New_York", "9:05\u202FAM"},
        {"en_US_POSIX", "UTC", "2:05\u202FPM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        EXPECT_EQ(ShortTime(c.locale, c.zone)(utc(14, 5, 59)), c.expected);
    }
}

TEST(ShortTime, TheLocaleComesFromLcAllThenLcTimeThenLang) {
    const std::pair<const char*, const char*> names[] = {
        {"de_DE.UTF-8", "de_DE"}, {"fr_CA.utf8@euro", "fr_CA"}, {"C", "en_US_POSIX"},
        {"POSIX", "en_US_POSIX"}, {"C.UTF-8", "en_US_POSIX"},   {"", "en_US_POSIX"},
    };
    for (const auto& [posix, icu] : names) EXPECT_EQ(ShortTime::localeFromPosix(posix), icu) << posix;
    ::setenv("LANG", "fr_FR.UTF-8", 1);
    ::setenv("LC_TIME", "de_DE.UTF-8", 1);
    ::setenv("LC_ALL", "", 1);  // set but empty: skipped
    EXPECT_EQ(ShortTime::localeFromEnvironment(), "de_DE");
    ::setenv("LC_ALL", "en_GB.UTF-8", 1);
    EXPECT_EQ(ShortTime::localeFromEnvironment(), "en_GB");
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_TIME");
    EXPECT_EQ(ShortTime::localeFromEnvironment(), "fr_FR");
    ::unsetenv("LANG");
    EXPECT_EQ(ShortTime::localeFromEnvironment(), "en_US_POSIX");
}

}  // namespace
