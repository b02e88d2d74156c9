#pragma once
// How the accessibility check writes what it saw: readings, rules, times and
// barks as report text, and the numbers it takes from its environment. Pure
// functions; every number is written the same in every locale.

#include <optional>
#include <string>
#include <vector>

#include "core/reading/reading.hpp"
#include "core/watch/watch_spec.hpp"
#include "core/windows/direct_reading.hpp"

namespace kestrove::DevAX {

// The first bark of one reader: its tick, the seconds since the ticks began
// and the value the rule read, when it showed one.
struct BarkRecord {
    int tick = 0;
    double seconds = 0;
    std::optional<std::string> read;
    bool operator==(const BarkRecord&) const = default;
};

// The lines' texts joined by " | ", or "(no text)".
std::string show(const std::vector<OCRLine>& lines);
// Lines as above, or "NO ANSWER (<silence>)".
std::string show(const DirectAnswer& answer);

// Milliseconds: one decimal below 10, else a whole number (halves away from zero).
std::string ms(double milliseconds);

// The rule's kind and what it looks for, as "number_compare lt 200".
std::string describe(const WatchSpec& spec);

// Blanks up to `width` characters, or one blank when the text is that long already.
std::string pad(const std::string& text, int width);

// The element at count / 2 of the sorted values (the upper middle); 0 for none.
double median(std::vector<double> values);
// The largest value; 0 for none.
double largest(const std::vector<double>& values);

// "never", or "t3 (+4.2 s), read 189".
std::string when(const std::optional<BarkRecord>& bark);

// The lines that mention "Counter" or "Export", and how many lines there were.
std::string brief(const std::vector<OCRLine>& lines);

// printf's "%.<decimals>f", never with a locale's comma.
std::string fixed(double value, int decimals);
// printf's "%g".
std::string general(double value);
// The shortest text that reads back as the value, with ".0" for a whole number.
std::string real(double value);
// Cut towards zero to a whole number; "?" when it is not a finite number.
std::string whole(double value);

// The seconds between ticks from KESTROVE_AX_TICK (null when unset): 2 when
// the text is not a number, or is infinite or beyond an hour; at least 1
// (also for NaN).
double tickLength(const char* text);

// "the counter reaches N + 20" from the first "Counter <digits>" in the
// lines' texts; none without one, or when N + 20 does not fit.
std::optional<std::string> counterSentence(const std::vector<OCRLine>& lines);

}  // namespace kestrove::DevAX
