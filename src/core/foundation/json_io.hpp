#pragma once
// Strict JSON reading and writing shared by the watch file, the recent barks
// and the server's wire types. Reading follows a path so every failure names
// the key at fault ("watches[1].spec.poll_seconds: expected an integer").

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/foundation/raw_value.hpp"

namespace kestrove {

using Json = nlohmann::json;
using Date = std::chrono::system_clock::time_point;

class JsonError : public std::runtime_error {
public:
    enum class Kind {
        keyNotFound,    // a required key is missing
        typeMismatch,   // a value of the wrong JSON type
        valueNotFound,  // a required key holds null
        dataCorrupted,  // not JSON, an unknown enumeration value, a bad date
        notEncodable,   // writing: a number that is not finite
    };
    JsonError(Kind kind, std::string path, const std::string& detail);
    Kind kind() const { return kind_; }
    // Where the fault lies, e.g. "watches[1].spec.poll_seconds"; empty for the whole text.
    const std::string& path() const { return path_; }

private:
    Kind kind_;
    std::string path_;
};

// `to - from`, held at the largest or smallest duration when the true
// difference does not fit: dates centuries apart (the file format reads 1677
// to 2262) differ by more nanoseconds than 64 bits hold.
Date::duration elapsed(Date from, Date to);

// ISO-8601 in UTC to the whole second, e.g. "2026-03-01T09:30:00Z".
std::string iso8601(Date date);
// Reads "YYYY-MM-DDTHH:MM:SSZ" or with a "+HH:MM"/"-HH:MM" offset.
std::optional<Date> parseIso8601(std::string_view text);

// Parses text without throwing: a discarded value for anything that is not
// one JSON document. A NUL byte never belongs to JSON text (the parser would
// stop there and ignore what follows), so text holding one is refused.
Json parseJsonText(std::string_view text);

// One JSON value being read, with its path.
class JsonReader {
public:
    JsonReader(const Json& value, std::string path) : value_(&value), path_(std::move(path)) {}

    // Parses text; anything that is not JSON is dataCorrupted.
    static Json parse(std::string_view text);

    const Json& json() const { return *value_; }
    const std::string& path() const { return path_; }

    // A required member: missing is keyNotFound, null is valueNotFound.
    JsonReader at(std::string_view key) const;
    // An optional member: missing and null both mean absent.
    std::optional<JsonReader> maybe(std::string_view key) const;
    std::vector<JsonReader> elements() const;

    std::string string() const;
    bool boolean() const;
    double number() const;
    // An integer in [lo, hi]; an integral real such as 5.0 counts.
    std::int64_t integer(std::int64_t lo, std::int64_t hi) const;
    Date date() const;
    std::map<std::string, double> numbers() const;

    template <typename E>
    E enumeration() const {
        std::string s = string();
        if (auto e = fromRaw<E>(s)) return *e;
        fail(JsonError::Kind::dataCorrupted, "\"" + s + "\" is not a valid value");
    }

    [[noreturn]] void fail(JsonError::Kind kind, const std::string& detail) const;

private:
    void expectObject() const;
    const Json* value_;
    std::string path_;
};

// Writing. Each helper refuses what would not read back.
double finite(double value, std::string_view key);
Json dateJson(Date date);

// Pretty-printed (indented, one member a line), keys in byte order at every level.
std::string encodePretty(const Json& value);

}  // namespace kestrove
