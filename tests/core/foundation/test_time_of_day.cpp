#include <gtest/gtest.h>

#include <cstdlib>

#include "core/foundation/time_of_day.hpp"

namespace kestrove {
namespace {

using namespace std::chrono;

TEST(TimeOfDay, ShortTimeFollowsTheLocaleAndZone) {
    const Date at = sys_days{year{2026} / 12 / 7} + hours{21} + minutes{5} + seconds{42};
    struct Case {
        const char* locale;
        const char* zone;
        const char* text;
    } cases[] = {
        {"en_US", "UTC", "9:05\u202FPM"},  // no seconds, ever
        {"de_DE", "UTC", "21:05"},
        {"en_GB", "Europe/Berlin", "22:05"},
        {"en_US_POSIX", "UTC", "9:05\u202FPM"},
    };
    for (const Case& c : cases) EXPECT_EQ(TimeOfDay::shortTime(at, c.locale, c.zone), c.text) << c.locale;
}

TEST(TimeOfDay, UserLocaleTakesTheFirstVariableSet) {
    struct Case {
        const char *all, *time, *lang, *locale;
    } cases[] = {
        {"", "", "de_DE.UTF-8", "de_DE"},
        {"", "en_GB.UTF-8@euro", "de_DE.UTF-8", "en_GB"},
        {"fr_FR", "en_GB", "de_DE", "fr_FR"},
        {"", "", "C.UTF-8", "en_US_POSIX"},
        {"", "", "", "en_US_POSIX"},
    };
    for (const Case& c : cases) {
        setenv("LC_ALL", c.all, 1);
        setenv("LC_TIME", c.time, 1);
        setenv("LANG", c.lang, 1);
        EXPECT_EQ(TimeOfDay::userLocale(), c.locale) << c.all << "|" << c.time << "|" << c.lang;
    }
}

}  // namespace
}  // namespace kestrove
