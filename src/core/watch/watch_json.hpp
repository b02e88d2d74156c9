#pragma once
// The JSON form of the watch model, as stored in watches.json and in the
// messenger link's recent barks. Each type has its own writer and reader so
// other stores can reuse them.

#include <string>
#include <string_view>

#include "core/foundation/json_io.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

Json toJson(const Anchor& v);
Json toJson(const WatchTarget& v);
Json toJson(const WindowAnchor& v);
Json toJson(const WatchRegion& v);
Json toJson(const DirectInfo& v);
Json toJson(const Baseline& v);
Json toJson(const WatchSpec& v);
Json toJson(const WatchRecord& v);
Json toJson(const WatchFile& v);

void fromJson(const JsonReader& r, Anchor& v);
void fromJson(const JsonReader& r, WatchTarget& v);
void fromJson(const JsonReader& r, WindowAnchor& v);
void fromJson(const JsonReader& r, WatchRegion& v);
void fromJson(const JsonReader& r, DirectInfo& v);
void fromJson(const JsonReader& r, Baseline& v);
void fromJson(const JsonReader& r, WatchSpec& v);
void fromJson(const JsonReader& r, WatchRecord& v);
void fromJson(const JsonReader& r, WatchFile& v);

template <typename T>
T readJson(const JsonReader& r) {
    T v{};
    fromJson(r, v);
    return v;
}

// Pretty-printed with sorted keys; throws JsonError (notEncodable) on a non-finite number.
template <typename T>
std::string encodeJson(const T& v) { return encodePretty(toJson(v)); }

// Throws JsonError naming the path of the first fault; nothing partial is returned.
template <typename T>
T decodeJson(std::string_view text) {
    Json doc = JsonReader::parse(text);
    return readJson<T>(JsonReader(doc, ""));
}

}  // namespace kestrove
