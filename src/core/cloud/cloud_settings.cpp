#include "core/cloud/cloud_settings.hpp"

#include <cmath>
#include <random>

#include "core/foundation/text.hpp"

namespace kestrove {

namespace {

double secondsSince1970(Date d) { return std::chrono::duration<double>(d.time_since_epoch()).count(); }

Date::duration seconds(double s) { return std::chrono::round<Date::duration>(std::chrono::duration<double>(s)); }

// Absent for a number the clock cannot hold (it counts nanoseconds in 64
// bits): a damaged store must not turn into some other date.
std::optional<Date> dateFromSeconds(double s) {
    if (!(std::fabs(s) < 9.2e9)) return std::nullopt;
    return Date(seconds(s));
}

// A random (version 4) UUID in lower-case text form.
std::string makeUUID() {
    std::random_device source;
    std::uint8_t b[16];
    for (int i = 0; i < 16; i += 4) {
        std::uint32_t r = source();
        for (int j = 0; j < 4; ++j) b[i + j] = static_cast<std::uint8_t>(r >> (8 * j));
    }
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3f) | 0x80);
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
        out += hex[b[i] >> 4];
        out += hex[b[i] & 15];
    }
    return out;
}

}  // namespace

ModelPause::ModelPause(std::optional<double> resetsIn, Date now) {
    if (resetsIn && std::isfinite(*resetsIn) && *resetsIn > 0) {
        until = now + seconds(std::min(*resetsIn, longestWait));
        back = until;
    } else {
        until = now + seconds(waitWhenUnknown);
    }
}

CloudSettings::CloudSettings(std::shared_ptr<DefaultsStore> defaults, std::optional<Url> builtIn)
    : defaults_(std::move(defaults)), builtIn_(std::move(builtIn)) {}

const std::optional<Url>& CloudSettings::defaultBaseURL() {
    // Checked by the build with the same rule; empty means no server.
    static const std::optional<Url> url = usableBaseURL(KESTROVE_API_BASE_URL);
    return url;
}

std::optional<Url> CloudSettings::usableBaseURL(std::string_view text) {
    const std::string trimmed = text::trimWhitespaceAndNewlines(text);
    if (trimmed.empty()) return std::nullopt;
    auto url = Url::parse(trimmed);
    if (!url || url->scheme.empty() || !url->hasAuthority()) return std::nullopt;
    const std::string scheme = text::lower(url->scheme);
    if (scheme == "https") return url;
    if (scheme == "http" && url->isLoopbackHost()) return url;
    return std::nullopt;
}

std::optional<Url> CloudSettings::baseURL() const {
    auto override = defaults_->string(baseURLKey);
    if (!override) return builtIn_;
    return usableBaseURL(*override);
}

std::string CloudSettings::deviceID() const {
    if (auto id = defaults_->string(deviceKey); id && !id->empty()) return *id;
    std::string id = makeUUID();
    defaults_->set(deviceKey, id);
    return id;
}

bool CloudSettings::localOnly() const { return defaults_->boolean(localOnlyKey); }

void CloudSettings::setLocalOnly(bool on) const { defaults_->set(localOnlyKey, on); }

CloudSettings::Availability CloudSettings::availability() const {
    if (localOnly()) return Availability::localOnly;
    if (!baseURL()) return Availability::notSetUp;
    return Availability::ready;
}

std::optional<ModelPause> CloudSettings::modelPause(Date now) const {
    auto untilSeconds = defaults_->number(pauseUntilKey);
    if (!untilSeconds) return std::nullopt;
    std::optional<Date> back;
    if (auto b = defaults_->number(pauseBackKey)) back = dateFromSeconds(*b);
    // Beyond the clock's range: long over or far more than a day ahead.
    const std::optional<Date> end = dateFromSeconds(*untilSeconds);
    if (!end) return std::nullopt;
    const Date until = *end;
    if (now >= until) return std::nullopt;
    if (elapsed(now, until) > seconds(ModelPause::longestWait)) return std::nullopt;
    return ModelPause(until, back);
}

ModelPause CloudSettings::pauseModel(std::optional<double> resetsIn, Date now) const {
    ModelPause pause(resetsIn, now);
    defaults_->set(pauseUntilKey, secondsSince1970(pause.until));
    if (pause.back) defaults_->set(pauseBackKey, secondsSince1970(*pause.back));
    else defaults_->removeObject(pauseBackKey);
    return pause;
}

void CloudSettings::clearModelPause() const {
    if (!defaults_->object(pauseUntilKey)) return;
    defaults_->removeObject(pauseUntilKey);
    defaults_->removeObject(pauseBackKey);
}

std::optional<CloudClient> CloudSettings::client(std::shared_ptr<CloudSession> session) const {
    // Ready means Local Only off and a usable address; messagingClient checks
    // the address itself, so it is read and parsed once.
    if (localOnly()) return std::nullopt;
    auto client = messagingClient(std::move(session));
    if (!client) return std::nullopt;
    // Decided now, asked again until the last byte has left: Local Only, a
    // lost address and a pause that began after this moment all hold the
    // pictures back.
    client->pictureGuard = [settings = *this, pausedUntil = defaults_->number(pauseUntilKey)] {
        if (settings.availability() != Availability::ready) return false;
        const auto until = settings.defaults()->number(pauseUntilKey);
        return !until || (pausedUntil && *until <= *pausedUntil);
    };
    return client;
}

std::optional<CloudClient> CloudSettings::messagingClient(std::shared_ptr<CloudSession> session) const {
    auto url = baseURL();
    if (!url) return std::nullopt;
    return CloudClient{*url, deviceID(), std::move(session)};
}

}  // namespace kestrove
