#pragma once
// Text questions asked of the lines read in a box: is a text there, and the
// small rewrites the reading model and the card texts share.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/reading/reading.hpp"
#include "core/foundation/text.hpp"

namespace kestrove::TextMatch {

// Folded (case, accents, width) and reduced to letters, marks and digits:
// "Sold Out!" gives "soldout".
std::string normalize(std::string_view s);

// Whether `text` occurs in the lines. A clock such as "12:30" must stand on
// its own in one line (spaces around the colon allowed, no digit or colon
// glued to it); any other text is compared normalised across all lines
// joined, so it is found across line breaks and regardless of spacing, case,
// accents and punctuation. A text with nothing left once normalised must
// occur literally in a line; a blank text never occurs.
bool contains(const std::vector<OCRLine>& lines, std::string_view text);

// `s` without its numbers, amounts, percentages and clock times, spaces
// collapsed and separators trimmed: "Price: $1,299.00" gives "Price".
std::string stripNumbers(std::string_view s);

// At most n characters, cut at the last space when that keeps more than half,
// then "…" (so at most n + 1 characters).
std::string truncate(std::string_view s, std::size_t n);

// A clock written alone: "12:30" or "1:05:30".
const text::Regex& clockLiteral();

}  // namespace kestrove::TextMatch
