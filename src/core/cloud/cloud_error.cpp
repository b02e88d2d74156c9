#include "core/cloud/cloud_error.hpp"

#include "core/foundation/json_io.hpp"
#include "core/foundation/text.hpp"

namespace kestrove {

namespace {

// The body sent with an error status. Each field is read on its own: one of
// the wrong type is just absent.
struct ErrorBody {
    std::optional<std::string> error;
    std::optional<std::string> detail;
    std::optional<double> resetsIn;
};

ErrorBody readErrorBody(std::string_view body) {
    ErrorBody out;
    Json doc = parseJsonText(body);
    if (doc.is_discarded() || !doc.is_object()) return out;
    auto string = [&](const char* key) -> std::optional<std::string> {
        auto it = doc.find(key);
        if (it == doc.end() || !it->is_string()) return std::nullopt;
        return it->get<std::string>();
    };
    out.error = string("error");
    out.detail = string("detail");
    if (auto it = doc.find("resets_in"); it != doc.end() && it->is_number()) out.resetsIn = it->get<double>();
    return out;
}

constexpr std::string_view caseName(CloudError::Case c) {
    using C = CloudError::Case;
    switch (c) {
    case C::badRequest: return "badRequest";
    case C::dailyLimit: return "dailyLimit";
    case C::busy: return "busy";
    case C::http: return "http";
    case C::transport: return "transport";
    case C::notSetUp: return "notSetUp";
    case C::tooLarge: return "tooLarge";
    case C::slowDown: return "slowDown";
    case C::modelUnavailable: return "modelUnavailable";
    case C::notLinked: return "notLinked";
    case C::telegramUnavailable: return "telegramUnavailable";
    case C::telegramNotSetUp: return "telegramNotSetUp";
    case C::timeout: return "timeout";
    case C::badAnswer: return "badAnswer";
    case C::withdrawn: return "withdrawn";
    }
    return "unknown";
}

}  // namespace

CloudError CloudError::fromStatus(int status, std::string_view body) {
    const ErrorBody b = readErrorBody(body);
    switch (status) {
    case 400: return badRequest(b.detail);
    case 409: return notLinked();
    case 413: return tooLarge();
    case 429: return b.error == "daily_limit" ? dailyLimit(b.resetsIn) : slowDown();
    case 502: return b.error == "telegram_unavailable" ? telegramUnavailable() : modelUnavailable();
    case 503:
        if (b.error == "busy") return busy(b.resetsIn);
        if (b.error == "telegram_not_set_up") return telegramNotSetUp();
        return http(503);
    default: return http(status);
    }
}

std::optional<double> CloudError::resetsIn() const {
    if (auto* v = std::get_if<std::optional<double>>(&payload_)) return *v;
    return std::nullopt;
}

std::optional<std::string> CloudError::detail() const {
    if (auto* v = std::get_if<std::optional<std::string>>(&payload_)) return *v;
    return std::nullopt;
}

int CloudError::status() const {
    if (auto* v = std::get_if<int>(&payload_)) return *v;
    return 0;
}

std::string CloudError::description() const {
    if (auto* v = std::get_if<std::string>(&payload_)) return *v;
    return {};
}

std::string CloudError::text() const {
    std::string out(caseName(kind_));
    std::optional<std::string> value;
    if (auto* s = std::get_if<std::optional<std::string>>(&payload_)) value = *s;
    else if (auto* d = std::get_if<std::optional<double>>(&payload_); d && *d) value = text::formatDecimal(**d, 0, 3, false);
    else if (auto* i = std::get_if<int>(&payload_)) value = std::to_string(*i);
    else if (auto* t = std::get_if<std::string>(&payload_)) value = *t;
    if (value) out += "(" + *value + ")";
    return out;
}

std::ostream& operator<<(std::ostream& out, const CloudError& error) { return out << error.text(); }

}  // namespace kestrove
