#pragma once
// Local stand-ins for the kinds a model would judge: a busy word that must
// go, a countdown that must show zeros, a counter or percentage that must
// reach its total, a new line that must appear. Pure functions.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/reading/read_number.hpp"
#include "core/reading/reading.hpp"
#include "core/foundation/text.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove::Rules {

// Searched case-insensitively in the watch sentence.
const text::Regex& failPattern();
const text::Regex& timerPattern();
// Its "100 ?%" needs a word character after "%"; a sentence ending in "100%"
// is tested on its own.
const text::Regex& donePattern();

// A clock shown in the box: "4:59", "00:00", "1:23:45", not inside "123:45" or "1.12:30".
const text::Regex& clock();
// An "N of M" counter: "12 of 40", "3/10", "5 von 8".
const text::Regex& counter();

// In this order: an earlier word wins when the sentence prefers none.
inline constexpr std::array<std::string_view, 18> busyWords{
    "exporting", "exportiere", "downloading", "uploading", "compiling",  "rendering",
    "installing", "loading",   "processing",  "syncing",   "waiting",    "pending",
    "in progress", "remaining", "sold out",   "people ahead", "verbleibend", "wird geladen",
};

// The rule standing in for a state_reached or new_item watch `base`, judged
// from the text of `reading`; absent when none can be made.
std::optional<WatchSpec> rule(WatchType kind, const WatchSpec& base, const BaselineReading& reading);

// The first clock of the first line showing one.
std::optional<std::string> countdown(const BaselineReading& reading);

// Waits for `shown` with every digit zero to appear ("05:00" waits for "00:00").
WatchSpec countdownRule(const WatchSpec& watch, std::string_view shown);

// Every number character made "0", everything else kept: "T-05:30" gives "T-00:00".
std::string zero(std::string_view text);

// The busy phrase to wait for the going of, widened to whole words as read
// ("Reloading", "Exporting…"); a busy word the sentence names is preferred.
std::optional<std::string> busyPhrase(const BaselineReading& reading, std::string_view sentence);

struct CounterTarget {
    ReadNumber number;  // the count, as read
    double total = 0;   // what it counts up to
    bool operator==(const CounterTarget&) const = default;
};

// The first "N of M" counter with 0 < M and N <= M.
std::optional<CounterTarget> counterTarget(const BaselineReading& reading);

}  // namespace kestrove::Rules
