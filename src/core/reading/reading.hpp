#pragma once
// A reading of a box: the lines of text found in it, each with its place,
// and the questions the compiler and the rules ask of it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/json_io.hpp"
#include "core/reading/read_number.hpp"

namespace kestrove {

// A rectangle as fractions of the box, origin at its top-left corner, y down.
struct NormRect {
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;

    static constexpr NormRect full() { return {0, 0, 1, 1}; }
    bool operator==(const NormRect&) const = default;
};

// One line of text as a recogniser or the accessibility reader found it.
struct OCRLine {
    std::string text;
    NormRect box;
    double confidence = 0;
    bool operator==(const OCRLine&) const = default;
};

Json toJson(const NormRect& v);
Json toJson(const OCRLine& v);
void fromJson(const JsonReader& r, NormRect& v);
void fromJson(const JsonReader& r, OCRLine& v);

// Lengths below count user-perceived characters; callers pass maxLength 28
// (compiler, set-up) or 24 (suggestions).
struct BaselineReading {
    // In reading order; ReadNumber::line indexes this.
    std::vector<OCRLine> lines;

    BaselineReading() = default;
    explicit BaselineReading(std::vector<OCRLine> lines) : lines(std::move(lines)) {}
    static BaselineReading empty() { return {}; }

    // The line texts joined with "\n".
    std::string fullText() const;
    // Some line holds a letter or a number character.
    bool hasText() const;

    // The tallest line with a letter or number (the longer text breaks a tie
    // of height, the earlier line a full tie), trimmed and truncated.
    std::optional<std::string> prominentLine(std::size_t maxLength) const;
    // The same choice among lines with numbers removed that keep at least two
    // letters; the stripped wording, truncated.
    std::optional<std::string> prominentText(std::size_t maxLength) const;
    // The first line naming a word of `subject` (words of 3 characters or more,
    // not "text", "the", "message", "label"), numbers removed, truncated to 40.
    std::optional<std::string> lineMentioning(std::string_view subject) const;

    // Every number of every line, with its line index and its anchor: the
    // centre of its characters along the line's box, at the line's middle.
    std::vector<ReadNumber> numbers(bool preferTime) const;

    // The prominent wording looks like a passing state ("Uploading photos",
    // "Please wait…").
    bool looksTransient() const;

    bool operator==(const BaselineReading&) const = default;
};

}  // namespace kestrove
