#pragma once
// The one error of every server call, and the mapping of an error answer
// (status and body) to it.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace kestrove {

class CloudError {
public:
    enum class Case {
        badRequest,           // 400 (detail), or a request that could not be encoded
        dailyLimit,           // 429 "daily_limit" (resetsIn)
        busy,                 // 503 "busy" (resetsIn)
        http,                 // any other error status (the status)
        transport,            // the exchange failed, not by time-out (a description)
        notSetUp,             // no server to ask; raised by callers, never by the client
        tooLarge,             // 413
        slowDown,             // 429 without "daily_limit"
        modelUnavailable,     // 502 without "telegram_unavailable"
        notLinked,            // 409
        telegramUnavailable,  // 502 "telegram_unavailable"
        telegramNotSetUp,     // 503 "telegram_not_set_up"
        timeout,
        badAnswer,            // not HTTP, or a success that is not the expected answer
        withdrawn,            // a picture held back: what allowed it ended before it left; raised by the session
    };

    static CloudError badRequest(std::optional<std::string> detail) { return {Case::badRequest, std::move(detail)}; }
    static CloudError dailyLimit(std::optional<double> resetsIn) { return {Case::dailyLimit, resetsIn}; }
    static CloudError busy(std::optional<double> resetsIn) { return {Case::busy, resetsIn}; }
    static CloudError http(int status) { return {Case::http, status}; }
    static CloudError transport(std::string description) { return {Case::transport, std::move(description)}; }
    static CloudError notSetUp() { return {Case::notSetUp, {}}; }
    static CloudError tooLarge() { return {Case::tooLarge, {}}; }
    static CloudError slowDown() { return {Case::slowDown, {}}; }
    static CloudError modelUnavailable() { return {Case::modelUnavailable, {}}; }
    static CloudError notLinked() { return {Case::notLinked, {}}; }
    static CloudError telegramUnavailable() { return {Case::telegramUnavailable, {}}; }
    static CloudError telegramNotSetUp() { return {Case::telegramNotSetUp, {}}; }
    static CloudError timeout() { return {Case::timeout, {}}; }
    static CloudError badAnswer() { return {Case::badAnswer, {}}; }
    static CloudError withdrawn() { return {Case::withdrawn, {}}; }

    // An error answer: `status` outside 200 to 299 and the raw body. A body
    // that is not a JSON object still gives the status's case.
    static CloudError fromStatus(int status, std::string_view body);

    Case kind() const { return kind_; }
    // The answers on which callers pause model checks.
    bool checksUsedUp() const { return kind_ == Case::dailyLimit || kind_ == Case::busy; }
    // Seconds until the quota comes back (dailyLimit and busy only).
    std::optional<double> resetsIn() const;
    // badRequest's detail.
    std::optional<std::string> detail() const;
    // http's status; 0 for other cases.
    int status() const;
    // transport's description; empty for other cases.
    std::string description() const;

    // The one printed form, wherever it is shown or logged: the case name,
    // with its value in parentheses when it has one: "http(503)",
    // "dailyLimit(120)", "transport(Couldn't connect to server)", "notSetUp".
    std::string text() const;

    bool operator==(const CloudError&) const = default;

private:
    using Payload = std::variant<std::monostate, std::optional<std::string>, std::optional<double>, int, std::string>;
    CloudError(Case kind, Payload payload) : kind_(kind), payload_(std::move(payload)) {}
    Case kind_;
    Payload payload_;
};

std::ostream& operator<<(std::ostream& out, const CloudError& error);

}  // namespace kestrove
