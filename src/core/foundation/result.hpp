#pragma once
// A value or the error that kept it: the one shape every asynchronous answer
// that can fail takes (a picture or a CaptureError, a server answer or a
// CloudError, a window list or the reason there is none, an accessibility
// answer or an AccessError).

#include <optional>
#include <utility>
#include <variant>

namespace kestrove {

// The value of a call that gives nothing back but may fail: Result<Done, E>.
struct Done {
    bool operator==(const Done&) const = default;
};

template <typename T, typename E>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : value_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const noexcept { return value_.index() == 0; }
    explicit operator bool() const noexcept { return ok(); }

    // Asking for the side that is not there throws std::bad_variant_access.
    const T& value() const& { return std::get<0>(value_); }
    T& value() & { return std::get<0>(value_); }
    T&& value() && { return std::get<0>(std::move(value_)); }
    const E& error() const& { return std::get<1>(value_); }

    // Whether it failed, and for this reason: what callers that treat one
    // failure apart (a time-out, say) ask.
    bool failedWith(const E& e) const { return !ok() && error() == e; }
    // The value, or none whatever the error: for callers to whom every
    // failure means the same.
    std::optional<T> asOptional() const& { return ok() ? std::optional<T>(value()) : std::nullopt; }
    std::optional<T> asOptional() && { return ok() ? std::optional<T>(std::move(*this).value()) : std::nullopt; }

    bool operator==(const Result&) const = default;

private:
    std::variant<T, E> value_;
};

}  // namespace kestrove
