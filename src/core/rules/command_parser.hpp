#pragma once
// Turns the one English sentence a user types ("the price drops below 200 €",
// "\"Exporting\" is gone", "someone replies") into the kind of watch and its
// comparator, number, unit, text and subject. Pure text work, no state; every
// pattern is compiled once and shared read-only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/text.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

struct ParsedCommand {
    WatchType type = WatchType::anyChange;
    // none for every kind but numberCompare
    Comparison comparator = Comparison::none;
    std::optional<double> value;
    std::optional<ValueUnit> unit;
    // The text whose appearing or going is awaited.
    std::optional<std::string> text;
    // What the sentence speaks of ("price", "error"); for stateReached and
    // newItem the whole cleaned sentence.
    std::optional<std::string> subject;
    // The phrase was "reaches", "hits" or "gets to": the compiler may turn the
    // direction round when the number read is already past the target.
    bool approach = false;

    bool operator==(const ParsedCommand&) const = default;
};

namespace CommandParser {

// The parsed sentence, or absent when no recogniser accepts it.
std::optional<ParsedCommand> parse(std::string_view sentence);

// The sentence trimmed, its curly quotes made ASCII, runs of white space made
// one space, lead-ins ("bark when", "tell me when", …) and trailing ".", "!"
// and "?" removed (an ending "..." stays). Also what a watch stores as its
// command.
std::string clean(std::string_view sentence);

// "it's" to "it is" and the like, on whole words; callers pass lower-case text.
std::string expandContractions(std::string_view text);

// The first passage in double quotes, else in single quotes that are not
// apostrophes inside a word; trimmed. Absent when there is none.
std::optional<std::string> quotedText(std::string_view text);

// Groups of the first match (index 0 the whole match; absent for a group that
// took no part), or absent when nothing matches.
using Groups = std::vector<std::optional<std::string>>;
std::optional<Groups> firstMatch(std::string_view text, const text::Regex& pattern);
// The same for a pattern given as text, compiled on each call; a pattern that
// does not compile gives absent. Prefer the compiled overload in hot paths.
std::optional<Groups> firstMatch(std::string_view text, std::string_view pattern, bool caseInsensitive);

// The passage of `text`, in its own letter case, that reads as the lower-case
// `phrase`; the phrase unchanged when `text` has no such passage. A phrase
// whose contractions were expanded for matching ("it is ready") finds the
// passage as written ("It's ready").
std::string original(std::string_view text, std::string_view phrase);

// A phrase that describes a thing ("the error", "it", "this dialog") rather
// than quoting the text to look for.
bool isDescriptive(std::string_view phrase);

// `^(the|my|this|that|a|an|our|your)\s+`, case-insensitive.
const text::Regex& determiner();
// `phrase` with a leading determiner removed, then trimmed.
std::string stripDeterminer(std::string_view phrase);

}  // namespace CommandParser

}  // namespace kestrove
