#include "core/foundation/time_of_day.hpp"

#include <chrono>
#include <cstdlib>
#include <memory>

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace kestrove::TimeOfDay {

std::string userLocale() {
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string id(value);
        id = id.substr(0, id.find_first_of(".@"));
        if (id.empty() || id == "C" || id == "POSIX") break;
        return id;
    }
    return "en_US_POSIX";
}

std::string shortTime(Date when, std::string_view locale, std::string_view zone) {
    const icu::Locale loc(std::string(locale).c_str());
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, loc));
    if (!format) return {};
    if (!zone.empty())
        format->adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(std::string(zone))));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    icu::UnicodeString out;
    format->format(static_cast<UDate>(ms), out);
    std::string utf8;
    out.toUTF8String(utf8);
    return utf8;
}

}  // namespace kestrove::TimeOfDay
