#pragma once
// The watches that barked to the chat in the last hour, with their watch as it
// was at the bark, so a "keep" pressed in the chat can bring back a watch that
// has finished or been removed since.

#include <chrono>
#include <map>
#include <optional>
#include <string>

#include "core/foundation/json_io.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

struct RecentBarks {
    struct Entry {
        WatchSpec spec;
        Date at{};
        bool operator==(const Entry&) const = default;
    };

    // An entry is alive while less than this has passed since its bark.
    static constexpr std::chrono::seconds keepFor{3600};

    std::map<std::string, Entry> entries;  // by watch id

    // A newer bark of the same watch replaces the older one; entries that
    // are no longer alive at `at` are dropped.
    void remember(const WatchSpec& spec, Date at);
    // Keeps entries dated after `now` too (a clock set back must not lose them).
    void prune(Date now);
    std::optional<WatchSpec> spec(const std::string& id, Date now) const;
    bool any(Date now) const;

    bool operator==(const RecentBarks&) const = default;
};

// {"entries": {"<id>": {"spec": <watch-file spec>, "at": "<ISO-8601>"}}};
// every key required when reading. Stored with encodeJson/decodeJson.
Json toJson(const RecentBarks::Entry& v);
Json toJson(const RecentBarks& v);
void fromJson(const JsonReader& r, RecentBarks::Entry& v);
void fromJson(const JsonReader& r, RecentBarks& v);

}  // namespace kestrove
