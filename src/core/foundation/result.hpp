#pragma once
// A value or the error that kept it: the one shape every asynchronous answer
// that can fail takes (a picture or a CaptureError, a server answer or a
// CloudError, a window list or the reason there is none).

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

    bool operator==(const Result&) const = default;

private:
    std::variant<T, E> value_;
};

}  // namespace kestrove
