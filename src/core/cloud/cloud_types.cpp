#include "core/cloud/cloud_types.hpp"

#include <algorithm>

#include "core/cloud/url.hpp"

namespace kestrove {

namespace {

template <typename T>
void putOptional(Json& object, const char* key, const std::optional<T>& value) {
    if (value) object[key] = *value;
}

std::optional<std::string> maybeString(const JsonReader& r, std::string_view key) {
    if (auto v = r.maybe(key)) return v->string();
    return std::nullopt;
}

std::optional<double> maybeNumber(const JsonReader& r, std::string_view key) {
    if (auto v = r.maybe(key)) return v->number();
    return std::nullopt;
}

}  // namespace

CheckRequest::CheckRequest(std::string device, std::string command, WatchType type, CloudImage baseline,
                           CloudImage current)
    : device(std::move(device)), command(std::move(command)), type(rawValue(type)), baseline(std::move(baseline)),
      current(std::move(current)) {}

NotifyRequest::NotifyRequest(std::string device, std::string watch, std::string command,
                             std::optional<std::string> read, WatchMode mode, std::optional<CloudImage> image)
    : device(std::move(device)), watch(std::move(watch)), command(std::move(command)), read(std::move(read)),
      mode(rawValue(mode)), image(std::move(image)) {}

std::optional<WatchType> CompileResponse::watchType() const { return fromRaw<WatchType>(type); }

std::optional<WatchMode> CompileResponse::watchMode() const {
    if (!mode) return std::nullopt;
    return fromRaw<WatchMode>(*mode);
}

std::vector<WatchType> CompileResponse::topTwoTypes() const {
    std::vector<std::pair<std::string, double>> scored;
    if (types) scored.assign(types->begin(), types->end());
    std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) {
        if (a.second != b.second) return a.second > b.second;
        return a.first < b.first;
    });
    std::vector<WatchType> out;
    auto add = [&](std::optional<WatchType> t) {
        if (t && out.size() < 2 && std::find(out.begin(), out.end(), *t) == out.end()) out.push_back(*t);
    };
    add(watchType());
    for (const auto& [name, score] : scored) add(fromRaw<WatchType>(name));
    return out;
}

std::optional<std::string> PairResponse::link() const {
    if (!url) return std::nullopt;
    auto parsed = Url::parse(*url);
    if (!parsed || parsed->scheme != "https" || parsed->host != linkHost) return std::nullopt;
    return url;
}

std::optional<ChatAction::Kind> ChatAction::kind() const { return fromRaw<Kind>(action); }

Json toJson(const CheckRequest& v) {
    return Json{{"device", v.device}, {"command", v.command}, {"type", v.type},
                {"baseline", toJson(v.baseline)}, {"current", toJson(v.current)}};
}

Json toJson(const CheckResponse& v) {
    Json o{{"met", finite(v.met, "met")}, {"obstructed", finite(v.obstructed, "obstructed")}};
    putOptional(o, "decided_by", v.decidedBy);
    if (v.ms) o["ms"] = finite(*v.ms, "ms");
    return o;
}

Json toJson(const CompileRequest& v) {
    return Json{{"device", v.device}, {"command", v.command}, {"image", toJson(v.image)}};
}

Json toJson(const CompileResponse& v) {
    Json o{{"type", v.type},
           {"type_confidence", finite(v.typeConfidence, "type_confidence")},
           {"referent_visible", finite(v.referentVisible, "referent_visible")},
           {"currently_met", finite(v.currentlyMet, "currently_met")},
           {"too_vague", finite(v.tooVague, "too_vague")}};
    if (v.types) {
        Json t = Json::object();
        for (const auto& [name, score] : *v.types) t[name] = finite(score, "types");
        o["types"] = t;
    }
    putOptional(o, "mode", v.mode);
    if (v.ms) o["ms"] = finite(*v.ms, "ms");
    return o;
}

Json toJson(const DeviceRequest& v) { return Json{{"device", v.device}}; }

Json toJson(const PairResponse& v) {
    Json o{{"linked", v.linked}};
    putOptional(o, "code", v.code);
    putOptional(o, "url", v.url);
    if (v.expiresIn) o["expires_in"] = finite(*v.expiresIn, "expires_in");
    return o;
}

Json toJson(const LinkStatus& v) { return Json{{"linked", v.linked}}; }

Json toJson(const NotifyRequest& v) {
    Json o{{"device", v.device}, {"watch", v.watch}, {"command", v.command}, {"mode", v.mode}};
    putOptional(o, "read", v.read);
    if (v.image) o["image"] = toJson(*v.image);
    return o;
}

Json toJson(const NotifyResponse& v) { return Json{{"sent", v.sent}}; }

Json toJson(const ChatAction& v) { return Json{{"watch", v.watch}, {"action", v.action}}; }

Json toJson(const ActionsResponse& v) {
    Json list = Json::array();
    for (const auto& a : v.actions) list.push_back(toJson(a));
    return Json{{"actions", list}};
}

void fromJson(const JsonReader& r, CheckRequest& v) {
    v.device = r.at("device").string();
    v.command = r.at("command").string();
    v.type = r.at("type").string();
    fromJson(r.at("baseline"), v.baseline);
    fromJson(r.at("current"), v.current);
}

void fromJson(const JsonReader& r, CheckResponse& v) {
    v.met = r.at("met").number();
    v.obstructed = r.at("obstructed").number();
    v.decidedBy = maybeString(r, "decided_by");
    v.ms = maybeNumber(r, "ms");
}

void fromJson(const JsonReader& r, CompileRequest& v) {
    v.device = r.at("device").string();
    v.command = r.at("command").string();
    fromJson(r.at("image"), v.image);
}

void fromJson(const JsonReader& r, CompileResponse& v) {
    v.type = r.at("type").string();
    v.typeConfidence = r.at("type_confidence").number();
    v.types.reset();
    if (auto t = r.maybe("types")) v.types = t->numbers();
    v.mode = maybeString(r, "mode");
    v.referentVisible = r.at("referent_visible").number();
    v.currentlyMet = r.at("currently_met").number();
    v.tooVague = r.at("too_vague").number();
    v.ms = maybeNumber(r, "ms");
}

void fromJson(const JsonReader& r, DeviceRequest& v) { v.device = r.at("device").string(); }

void fromJson(const JsonReader& r, PairResponse& v) {
    v.linked = r.at("linked").boolean();
    v.code = maybeString(r, "code");
    v.url = maybeString(r, "url");
    v.expiresIn = maybeNumber(r, "expires_in");
}

void fromJson(const JsonReader& r, LinkStatus& v) { v.linked = r.at("linked").boolean(); }

void fromJson(const JsonReader& r, NotifyRequest& v) {
    v.device = r.at("device").string();
    v.watch = r.at("watch").string();
    v.command = r.at("command").string();
    v.read = maybeString(r, "read");
    v.mode = r.at("mode").string();
    v.image.reset();
    if (auto i = r.maybe("image")) fromJson(*i, v.image.emplace());
}

void fromJson(const JsonReader& r, NotifyResponse& v) { v.sent = r.at("sent").boolean(); }

void fromJson(const JsonReader& r, ChatAction& v) {
    v.watch = r.at("watch").string();
    v.action = r.at("action").string();
}

void fromJson(const JsonReader& r, ActionsResponse& v) {
    v.actions.clear();
    for (const auto& e : r.at("actions").elements()) fromJson(e, v.actions.emplace_back());
}

std::string encodeWire(const Json& value) {
    try {
        return value.dump();
    } catch (const Json::type_error& e) {
        throw JsonError(JsonError::Kind::notEncodable, "", e.what());
    }
}

}  // namespace kestrove
