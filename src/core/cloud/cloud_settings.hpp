#pragma once
// What the application knows about its server, kept in the settings store:
// the base address in force, the device id, Local Only and the pause of
// model checks. No state of its own, so every copy sees the same settings.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/cloud/cloud_client.hpp"
#include "core/foundation/defaults_store.hpp"
#include "core/foundation/json_io.hpp"
#include "core/cloud/url.hpp"

namespace kestrove {

// No model call before `until`.
struct ModelPause {
    Date until;
    std::optional<Date> back;  // when the server said the checks come back

    static constexpr double waitWhenUnknown = 900;  // seconds
    static constexpr double longestWait = 90000;    // 25 hours

    ModelPause(Date until, std::optional<Date> back) : until(until), back(back) {}
    // From the server's resets_in: that long (at most longestWait) with a
    // back time; anything missing, non-positive or not finite pauses for
    // waitWhenUnknown without one.
    ModelPause(std::optional<double> resetsIn, Date now);

    bool mayAsk(Date at) const { return at >= until; }
    bool operator==(const ModelPause&) const = default;
};

class CloudSettings {
public:
    enum class Availability { ready, localOnly, notSetUp };

    static constexpr std::string_view baseURLKey = "apiBaseURL";
    static constexpr std::string_view deviceKey = "deviceID";
    static constexpr std::string_view localOnlyKey = "localOnly";
    static constexpr std::string_view pauseUntilKey = "modelChecksPausedUntil";
    static constexpr std::string_view pauseBackKey = "modelChecksBackAt";

    // `builtIn` is the address used when the store has no override; the
    // build's own unless a test gives another.
    explicit CloudSettings(std::shared_ptr<DefaultsStore> defaults,
                           std::optional<Url> builtIn = CloudSettings::defaultBaseURL());

    // The build option KESTROVE_API_BASE_URL; absent when it is empty.
    static const std::optional<Url>& defaultBaseURL();
    // The rules for any base address: trimmed, parsed, with scheme and host;
    // https, or plain http to a loopback host only.
    static std::optional<Url> usableBaseURL(std::string_view text);

    const std::shared_ptr<DefaultsStore>& defaults() const { return defaults_; }

    // The override when one is stored (absent when it is unusable, blank
    // included: that switches the server off), else the built-in address.
    std::optional<Url> baseURL() const;
    // Made and stored on first need, then never changed.
    std::string deviceID() const;
    bool localOnly() const;
    void setLocalOnly(bool on) const;
    // Local Only wins, then a missing address.
    Availability availability() const;

    // The stored pause while it is in force at `now`; a stored end more than
    // longestWait ahead is not honoured.
    std::optional<ModelPause> modelPause(Date now) const;
    ModelPause pauseModel(std::optional<double> resetsIn, Date now) const;
    // Removes the pause, only when its end is stored.
    void clearModelPause() const;

    // For model calls: only when availability is ready. `session` is the
    // application's one server session (never null). Its picture guard
    // refuses once availability is no longer ready or a pause begins.
    std::optional<CloudClient> client(std::shared_ptr<CloudSession> session) const;
    // For the messenger: whenever there is an address, whatever Local Only says.
    std::optional<CloudClient> messagingClient(std::shared_ptr<CloudSession> session) const;

private:
    std::shared_ptr<DefaultsStore> defaults_;
    std::optional<Url> builtIn_;
};

}  // namespace kestrove
