#pragma once
// Times of day as the user reads them: ICU's short time style for the
// locale the environment asks for, no date ("9:41 AM", "09:41").

#include <string>
#include <string_view>

#include "core/foundation/json_io.hpp"

namespace kestrove::TimeOfDay {

// The locale for times from LC_ALL, LC_TIME or LANG (first one set), as an
// ICU id without encoding or modifier; "en_US_POSIX" for C, POSIX or none.
std::string userLocale();

// `when` in the short time style of `locale` (an ICU id) in the time zone
// `zone` (an Olson id; empty: the system's).
std::string shortTime(Date when, std::string_view locale, std::string_view zone = {});

// In the user's locale and the system's time zone.
inline std::string shortTime(Date when) { return shortTime(when, userLocale()); }

}  // namespace kestrove::TimeOfDay
