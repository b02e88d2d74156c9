#include "core/foundation/short_time.hpp"

#include <unicode/datefmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <chrono>
#include <cstdlib>

namespace kestrove {

namespace {

std::unique_ptr<icu::DateFormat> makeFormat(const icu::Locale& locale, icu::TimeZone* zone) {
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, locale));
    if (format && zone) format->adoptTimeZone(zone);
    else delete zone;
    return format;
}

}  // namespace

ShortTime::ShortTime() : format_(makeFormat(icu::Locale(localeFromEnvironment().c_str()), nullptr)) {}

ShortTime::ShortTime(std::string_view locale, std::string_view zone)
    : format_(makeFormat(icu::Locale(std::string(locale).c_str()),
                         icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone)))) {}

ShortTime::~ShortTime() = default;
ShortTime::ShortTime(ShortTime&&) noexcept = default;
ShortTime& ShortTime::operator=(ShortTime&&) noexcept = default;

std::string ShortTime::operator()(Date date) const {
    if (!format_) return {};
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    icu::UnicodeString text;
    format_->format(static_cast<UDate>(ms), text);
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::string ShortTime::localeFromPosix(std::string_view posixName) {
    const auto end = posixName.find_first_of(".@");
    const std::string_view name = posixName.substr(0, end);
    if (name.empty() || name == "C" || name == "POSIX") return "en_US_POSIX";
    return std::string(name);
}

std::string ShortTime::localeFromEnvironment() {
    for (const char* key : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(key);
        if (value && *value) return localeFromPosix(value);
    }
    return localeFromPosix("");
}

}  // namespace kestrove
