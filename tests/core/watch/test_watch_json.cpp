#include <gtest/gtest.h>

#include <limits>

#include "core/watch/watch_json.hpp"

using namespace kestrove;
using namespace std::chrono;

namespace {

Date at(int y, unsigned mo, unsigned d, int h, int mi, int s) {
    return sys_days{year{y} / mo / d} + hours{h} + minutes{mi} + seconds{s};
}

WatchSpec minimalSpec() {
    WatchSpec s;
    s.id = "w_0A1B2C";
    s.command = "something changes";
    s.type = WatchType::anyChange;
    s.comparator = Comparison::none;
    s.mode = WatchMode::once;
    s.region = {7, 10, 20, 300, 40, 2, std::nullopt};
    s.createdAt = at(2026, 3, 1, 9, 30, 0);
    return s;
}

WatchFile fullFile() {
    WatchSpec s = minimalSpec();
    s.command = "the price drops below 200";
    s.type = WatchType::numberCompare;
    s.target = {"price", ValueUnit::eur, "€", Anchor{0.25, 0.5}};
    s.comparator = Comparison::lt;
    s.value = 200;
    s.mode = WatchMode::everyTime;
    s.region.window = WindowAnchor{4242, "Firefox", "org.mozilla.firefox", 12.5, 30, 1280, 800, 3120};
    s.confidence = std::map<std::string, double>{{"type", 0.9}, {"referent_visible", 0.75}};
    s.baseline = {219.5, false, "219.50", "Price €219.50", std::vector<std::string>{"Price €219.50", "In stock"}};
    s.fallbackFrom = WatchType::stateReached;
    s.ruleFrom = WatchType::newItem;
    s.direct = DirectInfo{true};
    WatchRecord full{s, WatchStatus::lostSight, at(2026, 3, 2, 23, 59, 59), "219.50", 219.5, true};
    WatchSpec bound = minimalSpec();
    bound.region.window = WindowAnchor{42, "Editor", std::nullopt, 1.5, 2, 300, 200};
    WatchRecord bare{bound, WatchStatus::paused, std::nullopt, std::nullopt, std::nullopt, false, true};
    return {1, {full, bare}};
}

// The stored form of fullFile(), as every version reads and writes it.
constexpr const char* golden = R"({"version": 1, "watches": [
    {"spec": {"id": "w_0A1B2C", "command": "the price drops below 200", "type": "number_compare",
              "target": {"description": "price", "unit": "EUR", "text": "€", "anchor": {"x": 0.25, "y": 0.5}},
              "comparator": "lt", "value": 200, "mode": "every_time",
              "region": {"display_id": 7, "x": 10, "y": 20, "w": 300, "h": 40, "scale": 2,
                         "window": {"id": 4242, "app": "Firefox", "bundle_id": "org.mozilla.firefox", "x": 12.5,
                                    "y": 30, "window_w": 1280, "window_h": 800, "owner_pid": 3120}},
              "poll_seconds": 5, "debounce_checks": 2, "confidence": {"type": 0.9, "referent_visible": 0.75},
              "baseline": {"current_value": 219.5, "currently_met": false, "current_display": "219.50",
                           "current_text": "Price €219.50", "lines": ["Price €219.50", "In stock"]},
              "created_at": "2026-03-01T09:30:00Z", "fallback_from": "state_reached", "rule_from": "new_item",
              "direct": {"on_screen_only": true}},
     "status": "lost_sight", "last_bark_at": "2026-03-02T23:59:59Z", "last_read": "219.50", "last_value": 219.5,
     "told": true},
    {"spec": {"id": "w_0A1B2C", "command": "something changes", "type": "any_change", "target": {},
              "comparator": "none", "mode": "once",
              "region": {"display_id": 7, "x": 10, "y": 20, "w": 300, "h": 40, "scale": 2,
                         "window": {"id": 42, "app": "Editor", "x": 1.5, "y": 2, "window_w": 300, "window_h": 200}},
              "poll_seconds": 5, "debounce_checks": 2, "baseline": {"currently_met": false},
              "created_at": "2026-03-01T09:30:00Z"},
     "status": "paused", "no_crop": true}]})";

}  // namespace

// Keys, enumeration names and left-out optionals are what stored files rely on.
TEST(WatchJson, TheStoredFormIsFixed) {
    const WatchFile file = fullFile();
    const std::string text = encodeJson(file);
    EXPECT_EQ(Json::parse(text), Json::parse(golden));
    EXPECT_EQ(decodeJson<WatchFile>(golden), file);
    EXPECT_EQ(encodeJson(decodeJson<WatchFile>(text)), text);
    EXPECT_NE(text.find("\n    "), std::string::npos);  // pretty: one member a line, indented
    EXPECT_LT(text.find("\"created_at\""), text.find("\"debounce_checks\""));  // keys sorted
    EXPECT_LT(text.find("\"display_id\""), text.find("\"h\""));
    // Dates are written to the whole second.
    WatchSpec s = minimalSpec();
    s.createdAt += milliseconds(999);
    EXPECT_EQ(Json::parse(encodeJson(s)).at("created_at"), "2026-03-01T09:30:00Z");
}

// Nulls and missing optionals read as absent, unknown keys are ignored,
// integers may be written as integral reals and dates with an offset.
TEST(WatchJson, ReadingTakesWhatTheFormAllows) {
    Json doc = toJson(fullFile());
    Json& r = doc["watches"][0];
    r["last_bark_at"] = r["last_read"] = r["spec"]["fallback_from"] = r["told"] = nullptr;
    r.erase("last_value");
    r["spec"]["colour"] = "blue";
    doc["written_by"] = "a newer version";
    doc["version"] = 1.0;
    doc["watches"][1]["spec"]["poll_seconds"] = 15.0;
    doc["watches"][1]["spec"]["created_at"] = "2026-03-01T10:30:00+01:00";
    WatchFile expected = fullFile();
    expected.watches[0].lastBarkAt.reset();
    expected.watches[0].lastRead.reset();
    expected.watches[0].lastValue.reset();
    expected.watches[0].told = false;
    expected.watches[0].spec.fallbackFrom.reset();
    expected.watches[1].spec.pollSeconds = 15;
    EXPECT_EQ(decodeJson<WatchFile>(doc.dump()), expected);
}

TEST(WatchJson, EachFaultNamesItsPathAndKind) {
    using K = JsonError::Kind;
    const Json erase = "(erase)";
    const std::tuple<const char*, Json, K, std::string> cases[] = {  // where, new value, fault, path named
        {"/watches/1/spec/poll_seconds", erase, K::keyNotFound, "watches[1].spec.poll_seconds"},
        {"/watches/1/spec/poll_seconds", 5.5, K::typeMismatch, "watches[1].spec.poll_seconds"},
        {"/watches/0/spec/comparator", nullptr, K::valueNotFound, "watches[0].spec.comparator"},
        {"/watches/0/spec/type", "price_drop", K::dataCorrupted, "watches[0].spec.type"},
        {"/watches/0/spec/created_at", "1 March 2026", K::dataCorrupted, "watches[0].spec.created_at"},
        {"/watches/0/last_bark_at", "2026-03-01T09:30:00.5Z", K::dataCorrupted, "watches[0].last_bark_at"},
        // Dates beyond what the clock holds are refused, never read as another date.
        {"/watches/0/spec/created_at", "2300-01-01T00:00:00Z", K::dataCorrupted, "watches[0].spec.created_at"},
        {"/watches/0/last_bark_at", "1600-01-01T00:00:00Z", K::dataCorrupted, "watches[0].last_bark_at"},
        {"/watches/1/spec/baseline", Json::object(), K::keyNotFound, "watches[1].spec.baseline.currently_met"},
        {"/watches/0/last_value", "219.50", K::typeMismatch, "watches[0].last_value"},
        {"/watches/0/told", "yes", K::typeMismatch, "watches[0].told"},
        {"/watches/1/no_crop", "yes", K::typeMismatch, "watches[1].no_crop"},
        {"/watches/0/spec/baseline/lines/1", 3, K::typeMismatch, "watches[0].spec.baseline.lines[1]"},
        {"/watches/0/spec/region/display_id", -1, K::typeMismatch, "watches[0].spec.region.display_id"},
        {"/watches/0/spec/region/window/owner_pid", -1, K::typeMismatch, "watches[0].spec.region.window.owner_pid"},
        {"/watches/0/spec/region/window/owner_pid", "3120", K::typeMismatch,
         "watches[0].spec.region.window.owner_pid"},
        {"/watches", Json::object(), K::typeMismatch, "watches"},
        {"/version", erase, K::keyNotFound, "version"},
    };
    for (const auto& [where, value, kind, path] : cases) {
        Json doc = toJson(fullFile());
        const Json::json_pointer at(where);
        if (value == erase) doc[at.parent_pointer()].erase(at.back());
        else doc[at] = value;
        try {
            decodeJson<WatchFile>(doc.dump());
            ADD_FAILURE() << where << ": read without error";
        } catch (const JsonError& e) {
            EXPECT_EQ(e.kind(), kind) << where << ": " << e.what();
            EXPECT_EQ(e.path(), path) << where;
            EXPECT_EQ(std::string(e.what()).rfind(path + ": ", 0), 0u) << e.what();
        }
    }
}

TEST(WatchJson, TextThatIsNotJsonIsCorrupted) {
    using namespace std::string_literals;
    // A sound file followed by a NUL byte (and more) is no JSON text either.
    const std::string sound = encodeJson(fullFile());
    for (const std::string& text :
         {""s, "{"s, "watches"s, "{\"version\": 1, \"watches\": [}"s, sound + '\0' + "garbage", sound + '\0'}) {
        try {
            decodeJson<WatchFile>(text);
            ADD_FAILURE() << text;
        } catch (const JsonError& e) {
            EXPECT_EQ(e.kind(), JsonError::Kind::dataCorrupted) << text;
        }
    }
}

TEST(WatchJson, NonFiniteNumbersAreRefusedNotWrittenAsNull) {
    const std::function<void(WatchFile&, double)> places[] = {
        [](WatchFile& f, double v) { f.watches[0].lastValue = v; },
        [](WatchFile& f, double v) { f.watches[1].spec.region.w = v; },
        [](WatchFile& f, double v) { (*f.watches[0].spec.confidence)["type"] = v; },
    };
    for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()})
        for (const auto& place : places) {
            WatchFile f = fullFile();
            place(f, v);
            EXPECT_THROW(encodeJson(f), JsonError) << v;
        }
}

TEST(WatchJson, DeeplyNestedValuesFailWithoutRecursingIntoThem) {
    // A damaged integer, string or object field: the error must name it
    // without writing out (or otherwise walking) the nested value.
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    const std::string sound = encodeJson(fullFile());
    for (const std::string key : {"\"poll_seconds\": 5", "\"command\": \"something changes\"", "\"target\": {}"}) {
        std::string text = sound;
        const std::size_t at = text.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        text.replace(at, key.size(), key.substr(0, key.find(':') + 2) + deep);
        try {
            decodeJson<WatchFile>(text);
            ADD_FAILURE() << key;
        } catch (const JsonError& e) {
            EXPECT_EQ(e.kind(), JsonError::Kind::typeMismatch) << key;
            EXPECT_LT(std::string(e.what()).size(), 200u) << key;
        }
    }
}
