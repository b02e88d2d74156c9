#pragma once
// Whether a picture reading and a direct reading of the same box agree well
// enough to switch a watch to direct reading, with a short reason when not.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/reading/reading.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove::DirectAgreement {

struct Verdict {
    std::optional<std::string> difference;  // short lower-case reason; absent when they agree

    bool agrees() const { return !difference; }
    bool operator==(const Verdict&) const = default;
};

inline const Verdict agrees{};
inline Verdict differs(std::string reason) { return {std::move(reason)}; }

// The folded words of the lines, in order, duplicates kept: runs of letters
// and numbers, at least two characters long unless the one is a number.
std::vector<std::string> words(const std::vector<OCRLine>& lines);

// Levenshtein distance between two character lists, giving up with
// atMost + 1 as soon as the distance must exceed atMost.
int editDistance(const std::vector<std::string>& a, const std::vector<std::string>& b, int atMost);

// Equal, or long words (5+ characters, no numbers) one misread character apart.
bool sameWord(std::string_view a, std::string_view b);

// How many words of n may go unmatched: one in ten.
int allowance(int n);

Verdict sameWords(const std::vector<OCRLine>& picture, const std::vector<OCRLine>& direct);

// Whether the two readings judge the watch alike: the same number for a
// number watch, otherwise the same words and the same verdict of the rule.
Verdict check(const WatchSpec& spec, const std::vector<OCRLine>& picture, const std::vector<OCRLine>& direct);

// The watch, read from pictures only, or directly when a direct reading was
// given and agrees with the picture.
WatchSpec adopt(const WatchSpec& spec, const std::vector<OCRLine>& picture,
                const std::optional<std::vector<OCRLine>>& direct, bool onScreenOnly);

}  // namespace kestrove::DirectAgreement
