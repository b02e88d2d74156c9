#pragma once
// A number found in a line of text, and how values are written for display.

#include <cstddef>
#include <optional>
#include <string>

#include "core/foundation/json_io.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

struct ReadNumber {
    // For clock times and merged durations: a number of seconds.
    double value = 0;
    // The number's span in the line: the literal with its sign, running on to
    // the end of a time unit word ("10 min"), or the whole clock or duration.
    std::string text;
    std::optional<ValueUnit> unit;
    // Digits written after the decimal separator.
    int decimals = 0;
    // Span inside the line, in UTF-16 code units.
    int location = 0;
    int length = 0;
    // Index of the line in its reading; 0 straight from NumberParser.
    int line = 0;
    // Centre of the number in the box; only set by BaselineReading::numbers.
    std::optional<Anchor> anchor;

    // What a card or status shows: the read text for a time unit, else the
    // value with its decimals ("%" added for a percentage, never a currency sign).
    std::string display() const;

    // The value expressed in `target` when both are time units (a number
    // without a unit is taken to be in `target`); otherwise `value` unchanged.
    double valueIn(std::optional<ValueUnit> target) const;

    bool operator==(const ReadNumber&) const = default;
};

Json toJson(const ReadNumber& v);
void fromJson(const JsonReader& r, ReadNumber& v);

namespace NumberFormat {

// 0 for a whole number, 1 when ten times the value is whole, else 2.
int naturalDecimals(double v);

// en_US_POSIX decimal text: "," groups thousands, exactly `decimals` digits
// after ".", half-even rounding of the decimal value (2.675 gives "2.68").
std::string string(double v, int decimals);

}  // namespace NumberFormat

}  // namespace kestrove

template <>
struct std::hash<kestrove::ReadNumber> {
    std::size_t operator()(const kestrove::ReadNumber& n) const noexcept;
};
