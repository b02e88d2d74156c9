#include "core/foundation/json_io.hpp"

#include <charconv>
#include <cmath>
#include <limits>

namespace kestrove {

namespace {

std::string describe(const Json& v) {
    switch (v.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::object: return "an object";
    case Json::value_t::array: return "an array";
    case Json::value_t::string: return "a string";
    case Json::value_t::boolean: return "a boolean";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return "a number";
    default: return "an unknown value";
    }
}

std::string joinKey(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

bool digits(std::string_view s, std::size_t at, std::size_t n, int& out) {
    if (at + n > s.size()) return false;
    for (std::size_t i = at; i < at + n; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    std::from_chars(s.data() + at, s.data() + at + n, out);
    return true;
}

}  // namespace

JsonError::JsonError(Kind kind, std::string path, const std::string& detail)
    : std::runtime_error(path.empty() ? detail : path + ": " + detail), kind_(kind), path_(std::move(path)) {}

Date::duration elapsed(Date from, Date to) {
    Date::rep difference;
    if (__builtin_sub_overflow(to.time_since_epoch().count(), from.time_since_epoch().count(), &difference))
        return to > from ? Date::duration::max() : Date::duration::min();
    return Date::duration(difference);
}

std::string iso8601(Date date) {
    using namespace std::chrono;
    auto secs = floor<seconds>(date);
    auto day = floor<days>(secs);
    year_month_day ymd{day};
    hh_mm_ss hms{secs - day};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                  static_cast<int>(hms.seconds().count()));
    return buf;
}

std::optional<Date> parseIso8601(std::string_view s) {
    using namespace std::chrono;
    int y, mo, d, h, mi, se;
    if (s.size() < 20 || !digits(s, 0, 4, y) || s[4] != '-' || !digits(s, 5, 2, mo) || s[7] != '-' ||
        !digits(s, 8, 2, d) || s[10] != 'T' || !digits(s, 11, 2, h) || s[13] != ':' || !digits(s, 14, 2, mi) ||
        s[16] != ':' || !digits(s, 17, 2, se))
        return std::nullopt;
    int offsetMinutes = 0;
    std::string_view zone = s.substr(19);
    if (zone == "Z") {
    } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
        int oh, om;
        if (!digits(zone, 1, 2, oh) || !digits(zone, 4, 2, om) || oh > 23 || om > 59) return std::nullopt;
        offsetMinutes = (zone[0] == '-' ? -1 : 1) * (oh * 60 + om);
    } else {
        return std::nullopt;
    }
    year_month_day ymd{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!ymd.ok() || h > 23 || mi > 59 || se > 59) return std::nullopt;
    sys_seconds t = sys_days{ymd} + hours{h} + minutes{mi} + seconds{se} - minutes{offsetMinutes};
    // The clock counts nanoseconds in 64 bits (about 1678 to 2262): a date
    // beyond that is refused rather than read as another date.
    const auto lo = duration_cast<seconds>(Date::min().time_since_epoch());
    const auto hi = duration_cast<seconds>(Date::max().time_since_epoch());
    if (t.time_since_epoch() < lo || t.time_since_epoch() > hi) return std::nullopt;
    return time_point_cast<system_clock::duration>(t);
}

Json parseJsonText(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) return Json(Json::value_t::discarded);
    return Json::parse(text, nullptr, false);
}

Json JsonReader::parse(std::string_view text) {
    Json v = parseJsonText(text);
    if (v.is_discarded()) throw JsonError(JsonError::Kind::dataCorrupted, "", "the text is not valid JSON");
    return v;
}

void JsonReader::fail(JsonError::Kind kind, const std::string& detail) const { throw JsonError(kind, path_, detail); }

void JsonReader::expectObject() const {
    if (!value_->is_object()) fail(JsonError::Kind::typeMismatch, "expected an object, found " + describe(*value_));
}

JsonReader JsonReader::at(std::string_view key) const {
    expectObject();
    auto it = value_->find(key);
    std::string path = joinKey(path_, key);
    if (it == value_->end()) throw JsonError(JsonError::Kind::keyNotFound, path, "required key is missing");
    if (it->is_null()) throw JsonError(JsonError::Kind::valueNotFound, path, "required value is null");
    return JsonReader(*it, std::move(path));
}

std::optional<JsonReader> JsonReader::maybe(std::string_view key) const {
    expectObject();
    auto it = value_->find(key);
    if (it == value_->end() || it->is_null()) return std::nullopt;
    return JsonReader(*it, joinKey(path_, key));
}

std::vector<JsonReader> JsonReader::elements() const {
    if (!value_->is_array()) fail(JsonError::Kind::typeMismatch, "expected an array, found " + describe(*value_));
    std::vector<JsonReader> out;
    out.reserve(value_->size());
    for (std::size_t i = 0; i < value_->size(); ++i)
        out.emplace_back((*value_)[i], path_ + "[" + std::to_string(i) + "]");
    return out;
}

std::string JsonReader::string() const {
    if (!value_->is_string()) fail(JsonError::Kind::typeMismatch, "expected a string, found " + describe(*value_));
    return value_->get<std::string>();
}

bool JsonReader::boolean() const {
    if (!value_->is_boolean()) fail(JsonError::Kind::typeMismatch, "expected a boolean, found " + describe(*value_));
    return value_->get<bool>();
}

double JsonReader::number() const {
    if (!value_->is_number()) fail(JsonError::Kind::typeMismatch, "expected a number, found " + describe(*value_));
    return value_->get<double>();
}

std::int64_t JsonReader::integer(std::int64_t lo, std::int64_t hi) const {
    if (value_->is_number_unsigned()) {
        auto u = value_->get<std::uint64_t>();
        if (u <= static_cast<std::uint64_t>(hi)) return static_cast<std::int64_t>(u);
    } else if (value_->is_number_integer()) {
        auto i = value_->get<std::int64_t>();
        if (i >= lo && i <= hi) return i;
    } else if (value_->is_number_float()) {
        double d = value_->get<double>();
        if (std::trunc(d) == d && d >= static_cast<double>(lo) && d <= static_cast<double>(hi))
            return static_cast<std::int64_t>(d);
    }
    // Only a number is written out: dumping anything else would walk a
    // nested value of any depth.
    fail(JsonError::Kind::typeMismatch, "expected an integer from " + std::to_string(lo) + " to " +
                                            std::to_string(hi) + ", found " +
                                            (value_->is_number() ? value_->dump() : describe(*value_)));
}

Date JsonReader::date() const {
    std::string s = string();
    if (auto d = parseIso8601(s)) return *d;
    fail(JsonError::Kind::dataCorrupted, "the date \"" + s + "\" is not ISO-8601");
}

std::map<std::string, double> JsonReader::numbers() const {
    expectObject();
    std::map<std::string, double> out;
    for (auto it = value_->begin(); it != value_->end(); ++it)
        out[it.key()] = JsonReader(it.value(), joinKey(path_, it.key())).number();
    return out;
}

double finite(double value, std::string_view key) {
    if (!std::isfinite(value))
        throw JsonError(JsonError::Kind::notEncodable, std::string(key), "cannot write a number that is not finite");
    return value;
}

Json dateJson(Date date) { return iso8601(date); }

// Invalid UTF-8 is replaced rather than thrown on: a save must not fail over one odd byte.
std::string encodePretty(const Json& value) { return value.dump(2, ' ', false, Json::error_handler_t::replace); }

}  // namespace kestrove
