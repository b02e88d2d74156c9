#include "core/watch/watch_json.hpp"

#include <limits>

namespace kestrove {

namespace {

constexpr std::int64_t kIntMin = std::numeric_limits<int>::min();
constexpr std::int64_t kIntMax = std::numeric_limits<int>::max();
constexpr std::int64_t kU32Max = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t kPidMax = std::numeric_limits<std::int32_t>::max();

template <typename E>
Json raw(E e) { return std::string(rawValue(e)); }

// Absent optionals are left out, never written as null.
template <typename T, typename Write>
void putOptional(Json& out, const char* key, const std::optional<T>& v, Write write) {
    if (v) out[key] = write(*v);
}

Json number(double v, const char* key) { return finite(v, key); }

std::optional<double> optionalNumber(const JsonReader& r, const char* key) {
    if (auto m = r.maybe(key)) return m->number();
    return std::nullopt;
}

std::optional<std::string> optionalString(const JsonReader& r, const char* key) {
    if (auto m = r.maybe(key)) return m->string();
    return std::nullopt;
}

template <typename E>
std::optional<E> optionalEnum(const JsonReader& r, const char* key) {
    if (auto m = r.maybe(key)) return m->enumeration<E>();
    return std::nullopt;
}

template <typename T>
std::optional<T> optionalObject(const JsonReader& r, const char* key) {
    if (auto m = r.maybe(key)) return readJson<T>(*m);
    return std::nullopt;
}

}  // namespace

Json toJson(const Anchor& v) { return {{"x", number(v.x, "x")}, {"y", number(v.y, "y")}}; }

Json toJson(const WatchTarget& v) {
    Json out = Json::object();
    putOptional(out, "description", v.description, [](const auto& s) { return Json(s); });
    putOptional(out, "unit", v.unit, [](ValueUnit u) { return raw(u); });
    putOptional(out, "text", v.text, [](const auto& s) { return Json(s); });
    putOptional(out, "anchor", v.anchor, [](const Anchor& a) { return toJson(a); });
    return out;
}

Json toJson(const WindowAnchor& v) {
    Json out = {{"id", v.id},
                {"app", v.app},
                {"x", number(v.x, "x")},
                {"y", number(v.y, "y")},
                {"window_w", number(v.windowW, "window_w")},
                {"window_h", number(v.windowH, "window_h")}};
    putOptional(out, "bundle_id", v.bundleID, [](const auto& s) { return Json(s); });
    if (v.ownerPID > 0) out["owner_pid"] = v.ownerPID;
    return out;
}

Json toJson(const WatchRegion& v) {
    Json out = {{"display_id", v.displayID},
                {"x", number(v.x, "x")},
                {"y", number(v.y, "y")},
                {"w", number(v.w, "w")},
                {"h", number(v.h, "h")},
                {"scale", number(v.scale, "scale")}};
    putOptional(out, "window", v.window, [](const WindowAnchor& w) { return toJson(w); });
    return out;
}

Json toJson(const DirectInfo& v) { return {{"on_screen_only", v.onScreenOnly}}; }

Json toJson(const Baseline& v) {
    Json out = {{"currently_met", v.currentlyMet}};
    putOptional(out, "current_value", v.currentValue, [](double d) { return number(d, "current_value"); });
    putOptional(out, "current_display", v.currentDisplay, [](const auto& s) { return Json(s); });
    putOptional(out, "current_text", v.currentText, [](const auto& s) { return Json(s); });
    putOptional(out, "lines", v.lines, [](const auto& l) { return Json(l); });
    return out;
}

Json toJson(const WatchSpec& v) {
    Json out = {{"id", v.id},
                {"command", v.command},
                {"type", raw(v.type)},
                {"target", toJson(v.target)},
                {"comparator", raw(v.comparator)},
                {"mode", raw(v.mode)},
                {"region", toJson(v.region)},
                {"poll_seconds", v.pollSeconds},
                {"debounce_checks", v.debounceChecks},
                {"baseline", toJson(v.baseline)},
                {"created_at", dateJson(v.createdAt)}};
    putOptional(out, "value", v.value, [](double d) { return number(d, "value"); });
    putOptional(out, "confidence", v.confidence, [](const auto& scores) {
        Json o = Json::object();
        for (const auto& [k, s] : scores) o[k] = number(s, "confidence");
        return o;
    });
    putOptional(out, "fallback_from", v.fallbackFrom, [](WatchType t) { return raw(t); });
    putOptional(out, "rule_from", v.ruleFrom, [](WatchType t) { return raw(t); });
    putOptional(out, "direct", v.direct, [](const DirectInfo& d) { return toJson(d); });
    return out;
}

Json toJson(const WatchRecord& v) {
    Json out = {{"spec", toJson(v.spec)}, {"status", raw(v.status)}};
    putOptional(out, "last_bark_at", v.lastBarkAt, [](Date d) { return dateJson(d); });
    putOptional(out, "last_read", v.lastRead, [](const auto& s) { return Json(s); });
    putOptional(out, "last_value", v.lastValue, [](double d) { return number(d, "last_value"); });
    if (v.told) out["told"] = true;
    if (v.noCrop) out["no_crop"] = true;
    return out;
}

Json toJson(const WatchFile& v) {
    Json watches = Json::array();
    for (const auto& w : v.watches) watches.push_back(toJson(w));
    return {{"version", v.version}, {"watches", std::move(watches)}};
}

// Readers take the members in the order of the stored form, so the first fault
// reported is the first one a reader meets.

void fromJson(const JsonReader& r, Anchor& v) {
    v.x = r.at("x").number();
    v.y = r.at("y").number();
}

void fromJson(const JsonReader& r, WatchTarget& v) {
    v.description = optionalString(r, "description");
    v.unit = optionalEnum<ValueUnit>(r, "unit");
    v.text = optionalString(r, "text");
    v.anchor = optionalObject<Anchor>(r, "anchor");
}

void fromJson(const JsonReader& r, WindowAnchor& v) {
    v.id = static_cast<std::uint32_t>(r.at("id").integer(0, kU32Max));
    v.app = r.at("app").string();
    v.bundleID = optionalString(r, "bundle_id");
    v.x = r.at("x").number();
    v.y = r.at("y").number();
    v.windowW = r.at("window_w").number();
    v.windowH = r.at("window_h").number();
    const auto owner = r.maybe("owner_pid");
    v.ownerPID = owner ? static_cast<std::int32_t>(owner->integer(0, kPidMax)) : 0;
}

void fromJson(const JsonReader& r, WatchRegion& v) {
    v.displayID = static_cast<std::uint32_t>(r.at("display_id").integer(0, kU32Max));
    v.x = r.at("x").number();
    v.y = r.at("y").number();
    v.w = r.at("w").number();
    v.h = r.at("h").number();
    v.scale = r.at("scale").number();
    v.window = optionalObject<WindowAnchor>(r, "window");
}

void fromJson(const JsonReader& r, DirectInfo& v) { v.onScreenOnly = r.at("on_screen_only").boolean(); }

void fromJson(const JsonReader& r, Baseline& v) {
    v.currentValue = optionalNumber(r, "current_value");
    v.currentlyMet = r.at("currently_met").boolean();
    v.currentDisplay = optionalString(r, "current_display");
    v.currentText = optionalString(r, "current_text");
    v.lines.reset();
    if (auto lines = r.maybe("lines")) {
        v.lines.emplace();
        for (const auto& e : lines->elements()) v.lines->push_back(e.string());
    }
}

void fromJson(const JsonReader& r, WatchSpec& v) {
    v.id = r.at("id").string();
    v.command = r.at("command").string();
    v.type = r.at("type").enumeration<WatchType>();
    v.target = readJson<WatchTarget>(r.at("target"));
    v.comparator = r.at("comparator").enumeration<Comparison>();
    v.value = optionalNumber(r, "value");
    v.mode = r.at("mode").enumeration<WatchMode>();
    v.region = readJson<WatchRegion>(r.at("region"));
    v.pollSeconds = static_cast<int>(r.at("poll_seconds").integer(kIntMin, kIntMax));
    v.debounceChecks = static_cast<int>(r.at("debounce_checks").integer(kIntMin, kIntMax));
    v.confidence.reset();
    if (auto c = r.maybe("confidence")) v.confidence = c->numbers();
    v.baseline = readJson<Baseline>(r.at("baseline"));
    v.createdAt = r.at("created_at").date();
    v.fallbackFrom = optionalEnum<WatchType>(r, "fallback_from");
    v.ruleFrom = optionalEnum<WatchType>(r, "rule_from");
    v.direct = optionalObject<DirectInfo>(r, "direct");
}

void fromJson(const JsonReader& r, WatchRecord& v) {
    v.spec = readJson<WatchSpec>(r.at("spec"));
    v.status = r.at("status").enumeration<WatchStatus>();
    v.lastBarkAt.reset();
    if (auto d = r.maybe("last_bark_at")) v.lastBarkAt = d->date();
    v.lastRead = optionalString(r, "last_read");
    v.lastValue = optionalNumber(r, "last_value");
    const auto told = r.maybe("told");
    v.told = told && told->boolean();
    v.noCrop = false;
    if (auto b = r.maybe("no_crop")) v.noCrop = b->boolean();
}

void fromJson(const JsonReader& r, WatchFile& v) {
    v.version = static_cast<int>(r.at("version").integer(kIntMin, kIntMax));
    v.watches.clear();
    for (const auto& e : r.at("watches").elements()) v.watches.push_back(readJson<WatchRecord>(e));
}

}  // namespace kestrove
