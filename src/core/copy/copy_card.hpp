#pragma once
// The confirm card of a new watch, its window note, and how values are
// written in texts.

#include <optional>
#include <string>
#include <vector>

#include "core/copy/copy_catalogue.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

// One styled piece of a card sentence.
struct TextRun {
    std::string text;
    bool bold = false;
    bool operator==(const TextRun&) const = default;
};

struct CardCopy {
    std::string headline;
    std::vector<TextRun> sentence;
    // Shown only when both are set.
    std::optional<std::string> readLabel;
    std::optional<std::string> readValue;
    std::vector<TextRun> because;
    std::optional<std::string> note;
    std::optional<std::string> windowNote;

    // The card on one line: headline, sentence, read line, because.
    // The note and the window note are not part of it.
    std::string plain() const;

    bool operator==(const CardCopy&) const = default;
};

namespace Copy {

CardCopy card(const WatchSpec& spec);

// How a box bound to a window follows it: read directly from the window's
// app, or kept with the window's picture.
std::string readsDirectly(const WatchSpec& spec, const WindowAnchor& window, const DirectInfo& info);
std::string staysWithWindow(const WindowAnchor& window);

// The value with its natural decimals and unit word; currencies get no sign.
std::string formatValue(double value, std::optional<ValueUnit> unit);
// "below 20", "at least 2.5 minutes"; the value alone for `none`.
std::string valuePhrase(Comparison comparison, double value, std::optional<ValueUnit> unit);

}  // namespace Copy
}  // namespace kestrove
