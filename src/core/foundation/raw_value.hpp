#pragma once
// String raw values of enumerations: their JSON form and their text form.
// An enumeration opts in by specialising RawValues<E> with its cases in
// declared order; that order is also the order of allCases<E>().

#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace kestrove {

template <typename E>
struct RawValues;  // static constexpr std::array<std::pair<E, std::string_view>, N> table;

template <typename E>
constexpr std::string_view rawValue(E e) {
    for (const auto& [c, s] : RawValues<E>::table)
        if (c == e) return s;
    return {};
}

// Exact, case-sensitive match; anything else is absent.
template <typename E>
constexpr std::optional<E> fromRaw(std::string_view s) {
    for (const auto& [c, raw] : RawValues<E>::table)
        if (raw == s) return c;
    return std::nullopt;
}

template <typename E>
constexpr auto allCases() {
    constexpr auto& table = RawValues<E>::table;
    std::array<E, table.size()> out{};
    for (std::size_t i = 0; i < table.size(); ++i) out[i] = table[i].first;
    return out;
}

}  // namespace kestrove
