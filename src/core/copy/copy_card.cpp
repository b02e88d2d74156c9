#include "core/copy/copy_card.hpp"

#include "core/copy/copy_status.hpp"
#include "core/reading/read_number.hpp"
#include "core/foundation/text.hpp"
#include "core/reading/text_match.hpp"

namespace kestrove {

namespace {

std::string runTexts(const std::vector<TextRun>& runs) {
    std::string out;
    for (const TextRun& r : runs) out += r.text;
    return out;
}

std::string quote(const std::string& s) {
    std::string out = "\"";
    out.append(s).append("\"");
    return out;
}

TextRun plain(std::string s) { return {std::move(s), false}; }
TextRun bold(std::string s) { return {std::move(s), true}; }

// A read text worth showing: set and not blank.
std::optional<std::string> shown(const std::optional<std::string>& read) {
    if (!read || text::trimWhitespaceAndNewlines(*read).empty()) return std::nullopt;
    return read;
}

void setRead(CardCopy& card, std::string label, const std::optional<std::string>& read) {
    if (!read) return;
    card.readLabel = std::move(label);
    card.readValue = *read;
}

// The words of the card; the window note is added by card().
CardCopy words(const WatchSpec& spec) {
    const bool fromModelKind = spec.ruleFrom.has_value();
    const std::optional<std::string> display = shown(spec.baseline.currentDisplay);
    const std::string quoted = quote(spec.target.text.value_or(""));
    const std::string subject = spec.target.description.value_or("number");
    const double value = spec.value.value_or(0);

    CardCopy card;
    card.headline = "Got it.";
    bool explain = false;
    switch (spec.type) {
        case WatchType::anyChange:
            card.sentence = {plain("I'll bark as soon as "), bold("anything here changes"), plain(".")};
            break;
        case WatchType::textAppears: {
            card.sentence = {plain("I'll bark when I can read "), bold(quoted),
                             plain(fromModelKind ? " here, or when the countdown is gone." : " here.")};
            std::optional<std::string> read = display ? display : shown(spec.baseline.currentText);
            // Never claim to read already exactly what the watch waits for.
            if (read && TextMatch::normalize(*read) == TextMatch::normalize(spec.target.text.value_or("")))
                read.reset();
            setRead(card, "Right now I read", read);
            explain = fromModelKind;
            break;
        }
        case WatchType::textGone:
            card.sentence = {plain("I'll bark when "), bold(quoted),
                             plain(fromModelKind ? " is gone and this box has stopped changing." : " is gone from here.")};
            explain = fromModelKind;
            break;
        case WatchType::numberCompare:
            if (fromModelKind)
                card.sentence = {plain("I'll bark when the "), bold(subject), plain(" here reaches "),
                                 bold(Copy::formatValue(value, spec.target.unit)), plain(" or disappears.")};
            else
                card.sentence = {plain("I'll bark when the "), bold(subject), plain(" here is "),
                                 bold(Copy::valuePhrase(spec.comparator, value, spec.target.unit)), plain(".")};
            setRead(card, "Right now I read", display);
            explain = fromModelKind;
            break;
        case WatchType::newLine:
            card.sentence = {plain("I'll bark when "), bold("a new line of text"), plain(" shows up here.")};
            setRead(card, "Right now I read", display);
            break;
        case WatchType::stateReached:
        case WatchType::newItem:
            card.sentence = {plain("I'll bark when "), bold(spec.command), plain(".")};
            card.readLabel = "Right now:";
            card.readValue = "not yet";
            card.note = std::string(Copy::judgedNote);
            break;
    }
    if (explain) card.because = {plain("That's how I'll know "), bold(spec.command), plain(".")};
    return card;
}

}  // namespace

std::string CardCopy::plain() const {
    std::string out = headline + " " + runTexts(sentence);
    if (readLabel && readValue) out.append(" ").append(*readLabel).append(" ").append(*readValue).append(".");
    if (!because.empty()) out.append(" ").append(runTexts(because));
    return out;
}

namespace Copy {

CardCopy card(const WatchSpec& spec) {
    CardCopy out = words(spec);
    if (const auto& window = spec.region.window)
        out.windowNote = spec.direct ? readsDirectly(spec, *window, *spec.direct) : staysWithWindow(*window);
    return out;
}

std::string readsDirectly(const WatchSpec& spec, const WindowAnchor& window, const DirectInfo& info) {
    const std::optional<std::string> name = detail::shownAppName(window);
    std::string out = "Reads ";
    out += spec.type == WatchType::numberCompare ? "this number" : "this text";
    out += " directly ";
    out += name ? "from " + *name : std::string("from its app");
    out += info.onScreenOnly ? " while the window is on screen" : ", also when the window is covered";
    return out;
}

std::string staysWithWindow(const WindowAnchor& window) {
    if (const auto name = detail::shownAppName(window))
        return "Stays with this " + *name + " window, also when something covers it";
    return "Stays with this window, also when something covers it";
}

std::string formatValue(double value, std::optional<ValueUnit> unit) {
    std::string out = NumberFormat::string(value, NumberFormat::naturalDecimals(value));
    if (!unit) return out;
    const bool one = value == 1;
    switch (*unit) {
        case ValueUnit::percent: return out + "%";
        case ValueUnit::seconds: return out + (one ? " second" : " seconds");
        case ValueUnit::minutes: return out + (one ? " minute" : " minutes");
        case ValueUnit::hours: return out + (one ? " hour" : " hours");
        case ValueUnit::eur:
        case ValueUnit::usd:
        case ValueUnit::gbp: return out;
    }
    return out;
}

std::string valuePhrase(Comparison comparison, double value, std::optional<ValueUnit> unit) {
    const std::string formatted = formatValue(value, unit);
    switch (comparison) {
        case Comparison::lt: return "below " + formatted;
        case Comparison::lte: return "at or below " + formatted;
        case Comparison::gt: return "above " + formatted;
        case Comparison::gte: return "at least " + formatted;
        case Comparison::eq: return "exactly " + formatted;
        case Comparison::none: return formatted;
    }
    return formatted;
}

}  // namespace Copy
}  // namespace kestrove
