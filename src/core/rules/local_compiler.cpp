#include "core/rules/local_compiler.hpp"

#include <algorithm>
#include <array>

#include "core/rules/command_parser.hpp"
#include "core/rules/evaluation.hpp"
#include "core/rules/rules.hpp"
#include "core/foundation/text.hpp"
#include "core/reading/text_match.hpp"

namespace kestrove {

const WatchSpec* CompileOutcome::spec() const {
    return std::visit(
        [](const auto& c) -> const WatchSpec* {
            if constexpr (requires { c.spec; }) return &c.spec;
            else return nullptr;
        },
        value);
}

namespace LocalCompiler {

namespace {

using Outcome = CompileOutcome;

constexpr std::size_t readLength = 28;

// What every rule built here starts from: the cleaned sentence, a once watch
// checked every 5 s that barks on 2 met checks, and the box's prominent line.
WatchSpec baseSpec(std::string_view sentence, WatchType type, const WatchRegion& region,
                   const BaselineReading& reading, const std::string& id, Date now) {
    WatchSpec s;
    s.id = id;
    s.command = CommandParser::clean(sentence);
    s.type = type;
    s.comparator = Comparison::none;
    s.mode = WatchMode::once;
    s.region = region;
    s.pollSeconds = 5;
    s.debounceChecks = 2;
    s.baseline.currentText = reading.prominentLine(readLength);
    s.createdAt = now;
    return s;
}

bool isGenericNumberSubject(std::string_view lower) {
    static constexpr std::array<std::string_view, 8> generic{
        "number", "value", "it", "this", "count", "time remaining", "number remaining", "amount",
    };
    return std::find(generic.begin(), generic.end(), lower) != generic.end();
}

bool mentionsPrice(std::string_view lower) {
    static constexpr std::array<std::string_view, 7> words{"price", "cost", "total", "amount", "balance", "fare", "bid"};
    return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return lower.find(w) != std::string_view::npos; });
}


// Keeps the candidates that pass `keep` when exactly one does.
template <class Keep> void narrow(std::vector<ReadNumber>& candidates, Keep keep) {
    std::vector<ReadNumber> kept;
    std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(kept), keep);
    if (kept.size() == 1) candidates = std::move(kept);
}

Outcome alreadyTrue(WatchSpec spec, std::optional<std::string> read, const IDSource& makeID) {
    WatchSpec fallback = anyChangeFallback(spec, makeID);
    return {Outcome::AlreadyTrue{std::move(spec), std::move(read), std::move(fallback)}};
}

// A rule of the model-judged kinds made checkable here, or a question for the model.
Outcome fromRule(std::optional<WatchSpec> rule, const WatchSpec& base, const IDSource& makeID) {
    if (!rule) return {Outcome::NeedsJudge{base, anyChangeFallback(base, makeID)}};
    if (!rule->baseline.currentlyMet) return {Outcome::Confirm{std::move(*rule)}};
    std::optional<std::string> read = rule->baseline.currentDisplay;
    return alreadyTrue(std::move(*rule), std::move(read), makeID);
}

// The line a numbers-stripped wording was taken from, as read (trimmed and
// truncated like the wording).
std::optional<std::string> ownLine(const BaselineReading& reading, const std::string& wording, std::size_t maxLength) {
    for (const OCRLine& line : reading.lines) {
        if (TextMatch::truncate(TextMatch::stripNumbers(line.text), maxLength) == wording) {
            return TextMatch::truncate(text::trimWhitespace(line.text), maxLength);
        }
    }
    return std::nullopt;
}

// Without the ellipsis a truncation added. Letters and digits are found
// with or without it, but a line of symbols only ("==== FAILURES ====" cut
// to its first 28 characters) is looked for as written, and no line shows "…".
std::optional<std::string> withoutEllipsis(const std::string& text) {
    static const std::string ellipsis = "\u2026";
    if (!text.ends_with(ellipsis)) return std::nullopt;
    std::string cut = text.substr(0, text.size() - ellipsis.size());
    if (text::trimWhitespace(cut).empty()) return std::nullopt;
    return cut;
}

// What a text-gone rule without a quoted text waits for: always something
// the box shows, or it would count as gone at once. Wording with its
// numbers stripped ("Error not found" from "Error 404 not found") is not in
// the box as such; the line as read is.
std::optional<std::string> goneText(const BaselineReading& reading, const std::optional<std::string>& subject) {
    std::optional<std::string> found;
    std::size_t maxLength = 40;
    if (subject) found = reading.lineMentioning(*subject);
    if (!found) {
        found = reading.prominentText(readLength);
        maxLength = readLength;
    }
    if (!found) return std::nullopt;
    for (std::optional<std::string> text : {found, ownLine(reading, *found, maxLength)}) {
        if (!text) continue;
        if (TextMatch::contains(reading.lines, *text)) return text;
        if (auto cut = withoutEllipsis(*text); cut && TextMatch::contains(reading.lines, *cut)) return cut;
    }
    return std::nullopt;
}

Outcome compileNumber(WatchSpec s, const ParsedCommand& p, const BaselineReading& reading,
                      const std::optional<ReadNumber>& chosen, const IDSource& makeID) {
    const std::vector<ReadNumber> numbers = reading.numbers(isTime(p.unit));

    // "when the timer hits zero" over a box that shows only a clock.
    if (!chosen && !p.unit && p.value == 0.0 && s.comparator != Comparison::lt && s.comparator != Comparison::gt &&
        numbers.empty()) {
        if (std::optional<std::string> shown = Rules::countdown(reading)) {
            s.ruleFrom = WatchType::stateReached;
            WatchSpec rule = Rules::countdownRule(s, *shown);
            if (!rule.baseline.currentlyMet) return {Outcome::Confirm{std::move(rule)}};
            return alreadyTrue(std::move(rule), *shown, makeID);
        }
    }

    // A number of another unit ("20%" for a rule in euros) is never offered
    // or taken: the rule could not read it, and would never bark.
    ReadNumber n;
    if (chosen) {
        if (!fitsUnit(*chosen, p.unit)) return {Outcome::NotVisible{std::move(s), p.subject.value_or("number")}};
        n = *chosen;
    } else {
        std::vector<ReadNumber> c;
        std::copy_if(numbers.begin(), numbers.end(), std::back_inserter(c), [&](const ReadNumber& r) { return fitsUnit(r, p.unit); });
        const std::string subject = p.subject ? text::lower(*p.subject) : std::string();
        if (c.size() >= 2 && p.subject && !isGenericNumberSubject(subject)) {
            // Each line is lower-cased once, however many of its numbers ask.
            std::vector<std::optional<bool>> mentions(reading.lines.size());
            narrow(c, [&](const ReadNumber& r) {
                std::optional<bool>& m = mentions[static_cast<std::size_t>(r.line)];
                if (!m) m = text::lower(reading.lines[static_cast<std::size_t>(r.line)].text).find(subject) != std::string::npos;
                return *m;
            });
        }
        if (!p.unit && c.size() >= 2 && p.subject && mentionsPrice(subject)) {
            narrow(c, [](const ReadNumber& r) { return r.unit && isCurrency(*r.unit); });
        }
        if (p.unit && c.size() >= 2) {
            narrow(c, [&](const ReadNumber& r) { return r.unit && fitsUnit(r, p.unit); });
        }
        if (c.size() != 1) {
            if (c.empty()) return {Outcome::NotVisible{std::move(s), p.subject.value_or("number")}};
            return {Outcome::WhichNumber{std::move(s), std::move(c)}};
        }
        n = c.front();
    }

    const double v = n.valueIn(p.unit);
    if (p.approach && p.value && v > *p.value) s.comparator = Comparison::lte;
    s.target.anchor = n.anchor;
    if (!p.unit && n.unit && !isTime(*n.unit)) s.target.unit = n.unit;

    const std::string display = n.display();
    s.baseline.currentValue = v;
    s.baseline.currentDisplay = display;
    s.baseline.currentlyMet = holds(s.comparator, v, p.value.value_or(0));
    if (!s.baseline.currentlyMet) return {Outcome::Confirm{std::move(s)}};
    return alreadyTrue(std::move(s), display, makeID);
}

}  // namespace

CompileOutcome compile(std::string_view sentence, const BaselineReading& reading, const WatchRegion& region,
                       const std::optional<ReadNumber>& chosen, const std::string& id, Date now, const IDSource& makeID) {
    const std::optional<ParsedCommand> parsed = CommandParser::parse(sentence);
    if (!parsed) return {Outcome::TooVague{suggestions(reading, true)}};
    const ParsedCommand& p = *parsed;

    WatchSpec s = baseSpec(sentence, p.type, region, reading, id, now);
    s.target = WatchTarget{p.subject, p.unit, p.text, std::nullopt};
    s.comparator = p.comparator;
    s.value = p.value;

    switch (p.type) {
    case WatchType::anyChange:
        s.target.description = p.subject.value_or("anything here");
        return {Outcome::Confirm{std::move(s)}};

    case WatchType::textAppears: {
        if (!p.text || p.text->empty()) return {Outcome::TooVague{suggestions(reading, true)}};
        if (!TextMatch::contains(reading.lines, *p.text)) return {Outcome::Confirm{std::move(s)}};
        s.baseline.currentlyMet = true;
        WatchSpec gone = s;
        gone.id = makeID();
        gone.type = WatchType::textGone;
        gone.command = "\"" + *p.text + "\" is gone";
        gone.baseline.currentlyMet = false;
        return {Outcome::AlreadyVisible{std::move(s), std::move(gone)}};
    }

    case WatchType::textGone:
        // Quotes around nothing but spaces: a blank text is never read, so it
        // would count as gone at once.
        if (p.text && p.text->empty()) return {Outcome::TooVague{suggestions(reading, true)}};
        if (p.text) {
            if (TextMatch::contains(reading.lines, *p.text)) return {Outcome::Confirm{std::move(s)}};
            s.baseline.currentlyMet = true;
            return alreadyTrue(std::move(s), reading.prominentText(readLength), makeID);
        }
        if (std::optional<std::string> t = goneText(reading, p.subject)) {
            s.target.text = std::move(*t);
            return {Outcome::Confirm{std::move(s)}};
        }
        return {Outcome::NoText{s, anyChangeFallback(s, makeID)}};

    case WatchType::stateReached:
    case WatchType::newItem:
        s.target.description = s.command;
        return fromRule(Rules::rule(p.type, s, reading), s, makeID);

    case WatchType::newLine:
        return {Outcome::NeedsJudge{s, anyChangeFallback(s, makeID)}};

    case WatchType::numberCompare:
        return compileNumber(std::move(s), p, reading, chosen, makeID);
    }
    return {Outcome::TooVague{suggestions(reading, true)}};
}

WatchSpec judgeSpec(std::string_view sentence, WatchType kind, const BaselineReading& reading, const WatchRegion& region,
                    const std::string& id, Date now) {
    WatchSpec s = baseSpec(sentence, kind, region, reading, id, now);
    s.target.description = s.command;
    return s;
}

WatchSpec anyChangeFallback(const WatchSpec& from, const IDSource& makeID) {
    WatchSpec s = from;
    s.id = makeID();
    s.type = WatchType::anyChange;
    s.target = WatchTarget{};
    s.target.description = "anything here";
    s.comparator = Comparison::none;
    s.value.reset();
    s.confidence.reset();
    s.baseline = Baseline{};
    s.baseline.currentText = from.baseline.currentText;
    s.fallbackFrom = from.ruleFrom.value_or(from.type);
    s.ruleFrom.reset();
    s.direct.reset();
    return s;
}

WatchSpec anyChangeSpec(const WatchSpec& from) {
    WatchSpec s = anyChangeFallback(from, [&] { return from.id; });
    s.fallbackFrom.reset();
    return s;
}

}  // namespace LocalCompiler

}  // namespace kestrove
