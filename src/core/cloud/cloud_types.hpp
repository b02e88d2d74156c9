#pragma once
// Everything that travels to and from the server: one request and one answer
// type per call. Reading is strict: a required key that is missing, null or
// of the wrong type, or an optional key of the wrong type, throws JsonError
// (the client turns it into badAnswer). Unknown keys are ignored; absent
// optionals are never written, not even as null.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cloud/cloud_image.hpp"
#include "core/foundation/json_io.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

struct CheckRequest {
    std::string device;
    std::string command;
    std::string type;  // a WatchType raw value
    CloudImage baseline;
    CloudImage current;

    CheckRequest() = default;
    CheckRequest(std::string device, std::string command, WatchType type, CloudImage baseline, CloudImage current);
    bool operator==(const CheckRequest&) const = default;
};

struct CheckResponse {
    double met = 0;
    double obstructed = 0;
    std::optional<std::string> decidedBy;  // "decided_by"
    std::optional<double> ms;
    bool operator==(const CheckResponse&) const = default;
};

struct CompileRequest {
    std::string device;
    std::string command;
    CloudImage image;
    bool operator==(const CompileRequest&) const = default;
};

struct CompileResponse {
    std::string type;  // meant to be a WatchType raw value; not checked when reading
    double typeConfidence = 0;
    std::optional<std::map<std::string, double>> types;
    std::optional<std::string> mode;
    double referentVisible = 0;
    double currentlyMet = 0;
    double tooVague = 0;
    std::optional<double> ms;

    std::optional<WatchType> watchType() const;
    std::optional<WatchMode> watchMode() const;
    // At most two kinds: `type` first when it names one, then the scored
    // candidates best first (ties by name), without repeats.
    std::vector<WatchType> topTwoTypes() const;
    bool operator==(const CompileResponse&) const = default;
};

struct DeviceRequest {
    std::string device;
    bool operator==(const DeviceRequest&) const = default;
};

struct PairResponse {
    bool linked = false;
    std::optional<std::string> code;
    std::optional<std::string> url;
    std::optional<double> expiresIn;  // "expires_in"

    // The messenger's short-link host, the only one a pairing link may use.
    static constexpr std::string_view linkHost = "t.me";
    // `url` when it is an https address on linkHost, compared exactly.
    std::optional<std::string> link() const;
    bool operator==(const PairResponse&) const = default;
};

struct LinkStatus {
    bool linked = false;
    bool operator==(const LinkStatus&) const = default;
};

struct NotifyRequest {
    std::string device;
    std::string watch;
    std::string command;
    std::optional<std::string> read;
    std::string mode;  // a WatchMode raw value
    std::optional<CloudImage> image;

    NotifyRequest() = default;
    NotifyRequest(std::string device, std::string watch, std::string command, std::optional<std::string> read,
                  WatchMode mode, std::optional<CloudImage> image);
    bool operator==(const NotifyRequest&) const = default;
};

struct NotifyResponse {
    bool sent = false;
    bool operator==(const NotifyResponse&) const = default;
};

struct ChatAction {
    enum class Kind { keep, stop };
    std::string watch;
    std::string action;

    std::optional<Kind> kind() const;
    bool operator==(const ChatAction&) const = default;
};

template <> struct RawValues<ChatAction::Kind> {
    static constexpr std::array<std::pair<ChatAction::Kind, std::string_view>, 2> table{{
        {ChatAction::Kind::keep, "keep"}, {ChatAction::Kind::stop, "stop"},
    }};
};

struct ActionsResponse {
    std::vector<ChatAction> actions;
    bool operator==(const ActionsResponse&) const = default;
};

Json toJson(const CheckRequest& v);
Json toJson(const CheckResponse& v);
Json toJson(const CompileRequest& v);
Json toJson(const CompileResponse& v);
Json toJson(const DeviceRequest& v);
Json toJson(const PairResponse& v);
Json toJson(const LinkStatus& v);
Json toJson(const NotifyRequest& v);
Json toJson(const NotifyResponse& v);
Json toJson(const ChatAction& v);
Json toJson(const ActionsResponse& v);

void fromJson(const JsonReader& r, CheckRequest& v);
void fromJson(const JsonReader& r, CheckResponse& v);
void fromJson(const JsonReader& r, CompileRequest& v);
void fromJson(const JsonReader& r, CompileResponse& v);
void fromJson(const JsonReader& r, DeviceRequest& v);
void fromJson(const JsonReader& r, PairResponse& v);
void fromJson(const JsonReader& r, LinkStatus& v);
void fromJson(const JsonReader& r, NotifyRequest& v);
void fromJson(const JsonReader& r, NotifyResponse& v);
void fromJson(const JsonReader& r, ChatAction& v);
void fromJson(const JsonReader& r, ActionsResponse& v);

// The compact body sent to the server: "/" written plainly. Throws
// JsonError (notEncodable) when the value cannot be written, e.g. text that
// is not UTF-8.
std::string encodeWire(const Json& value);

// Reads a whole answer; throws JsonError on any fault (not JSON, not an
// object, a required key missing, a key of the wrong type).
template <typename T>
T decodeWire(std::string_view body) {
    Json doc = JsonReader::parse(body);
    T v{};
    fromJson(JsonReader(doc, ""), v);
    return v;
}

}  // namespace kestrove
