#pragma once
// Times of day as the user reads them: ICU's short time style (no date, no
// seconds) for the user's locale, in the system's time zone.

#include <memory>
#include <string>
#include <string_view>

#include <unicode/uversion.h>

#include "core/foundation/json_io.hpp"

U_NAMESPACE_BEGIN
class DateFormat;
U_NAMESPACE_END

namespace kestrove {

class ShortTime {
public:
    // The user's locale (localeFromEnvironment) and the system's time zone.
    ShortTime();
    // An ICU locale id ("de_DE") and an Olson zone ("Europe/Berlin").
    ShortTime(std::string_view locale, std::string_view zone);
    ~ShortTime();
    ShortTime(ShortTime&&) noexcept;
    ShortTime& operator=(ShortTime&&) noexcept;

    // "14:05", "2:05 PM", …; empty only when ICU has no formatter at all.
    // Not for use from two threads at once.
    std::string operator()(Date date) const;

    // The locale whose times the user reads: LC_ALL, else LC_TIME, else LANG
    // (the first that is set and not empty), without codeset or modifier;
    // C, POSIX or nothing at all read as en_US_POSIX.
    static std::string localeFromEnvironment();
    static std::string localeFromPosix(std::string_view posixName);

private:
    std::unique_ptr<icu::DateFormat> format_;
};

}  // namespace kestrove
