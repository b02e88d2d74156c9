#include "core/cloud/recent_barks.hpp"

#include "core/watch/watch_json.hpp"

namespace kestrove {

namespace {

bool alive(const RecentBarks::Entry& e, Date now) { return elapsed(e.at, now) < RecentBarks::keepFor; }

}  // namespace

void RecentBarks::remember(const WatchSpec& spec, Date at) {
    entries.insert_or_assign(spec.id, Entry{spec, at});
    prune(at);
}

void RecentBarks::prune(Date now) {
    std::erase_if(entries, [now](const auto& item) { return !alive(item.second, now); });
}

std::optional<WatchSpec> RecentBarks::spec(const std::string& id, Date now) const {
    auto it = entries.find(id);
    if (it == entries.end() || !alive(it->second, now)) return std::nullopt;
    return it->second.spec;
}

bool RecentBarks::any(Date now) const {
    for (const auto& [id, e] : entries)
        if (alive(e, now)) return true;
    return false;
}

Json toJson(const RecentBarks::Entry& v) { return Json{{"spec", toJson(v.spec)}, {"at", dateJson(v.at)}}; }

Json toJson(const RecentBarks& v) {
    Json entries = Json::object();
    for (const auto& [id, e] : v.entries) entries[id] = toJson(e);
    return Json{{"entries", std::move(entries)}};
}

void fromJson(const JsonReader& r, RecentBarks::Entry& v) {
    v.spec = readJson<WatchSpec>(r.at("spec"));
    v.at = r.at("at").date();
}

void fromJson(const JsonReader& r, RecentBarks& v) {
    JsonReader entries = r.at("entries");
    if (!entries.json().is_object()) entries.fail(JsonError::Kind::typeMismatch, "expected an object");
    RecentBarks out;
    for (const auto& [id, value] : entries.json().items())
        out.entries.emplace(id, readJson<RecentBarks::Entry>(JsonReader(value, entries.path() + "." + id)));
    v = std::move(out);
}

}  // namespace kestrove
