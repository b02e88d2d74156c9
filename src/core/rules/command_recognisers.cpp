#include "core/rules/command_recognisers.hpp"

#include <algorithm>
#include <array>

#include "core/rules/command_comparison.hpp"
#include "core/foundation/text.hpp"

namespace kestrove::CommandParser {

using text::Regex;

namespace {

ParsedCommand ofType(WatchType type) {
    ParsedCommand p;
    p.type = type;
    return p;
}

ParsedCommand withText(WatchType type, std::string text) {
    ParsedCommand p = ofType(type);
    p.text = std::move(text);
    return p;
}

ParsedCommand withSubject(WatchType type, std::string subject) {
    ParsedCommand p = ofType(type);
    p.subject = std::move(subject);
    return p;
}

bool isGenericChangeSubject(std::string_view s) {
    static constexpr std::array<std::string_view, 12> generic{
        "", "this", "it", "anything", "something", "anything here", "this area", "the area",
        "the screen", "this part", "that", "anything at all",
    };
    for (std::string_view g : generic) {
        if (s == g) return true;
    }
    return false;
}

const std::string& stateWords() {
    static const std::string words =
        "done|finished|complete|completed|ready|over|loaded|available|in stock|back|online|offline|green|red|"
        "approved|rejected|merged|deployed|uploaded|downloaded|exported|rendered|installed|sent|delivered|open|"
        "live|paid|confirmed|successful|failed|stuck|empty|full|enabled|disabled|unlocked|playing|paused|"
        "stopped|running|idle|free|my turn|our turn|up|here|there|fertig|abgeschlossen|beendet|erledigt|"
        "bereit|da";
    return words;
}

// "it appears" or "I can see it" names no text: a watch for the letters
// "it" would be met by "Edit" or "Submit". Left to the examples (or the model).
bool isPronoun(std::string_view x) {
    static constexpr std::array<std::string_view, 5> pronouns{"it", "this", "that", "something", "anything"};
    return std::find(pronouns.begin(), pronouns.end(), text::trimWhitespace(x)) != pronouns.end();
}

}  // namespace

std::optional<ParsedCommand> parseTextGone(std::string_view c, std::string_view lower, const std::optional<std::string>& quoted) {
    static const std::array<Regex, 4> patterns{
        Regex(R"(^(.+?) (?:is|are) (?:gone|no longer (?:there|visible|shown|showing|on screen))$)", Regex::CaseInsensitive),
        Regex(R"(^(.+?) (?:disappears|disappear|disappeared|vanishes|vanish|goes away|go away|is removed|clears|is cleared)$)",
              Regex::CaseInsensitive),
        Regex(R"(^(?:it |this )?(?:no longer|stops?) (?:says|saying|shows|showing|reads|reading) (.+)$)", Regex::CaseInsensitive),
        Regex(R"(^(?:there(?:'s| is) )?no (?:more )?(.+?)(?: on screen| here)?$)", Regex::CaseInsensitive),
    };
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        std::optional<Groups> g = firstMatch(lower, patterns[i]);
        if (!g || !(*g)[1]) continue;
        if (quoted) return withText(WatchType::textGone, *quoted);
        // "no more errors" names no text to wait for.
        if (i == 3) return std::nullopt;
        const std::string& x = *(*g)[1];
        std::string t = original(c, x);
        if (isDescriptive(x)) return withSubject(WatchType::textGone, stripDeterminer(t));
        return withText(WatchType::textGone, std::move(t));
    }
    return std::nullopt;
}

std::optional<ParsedCommand> parseExplicitTextAppears(std::string_view c, std::string_view lower,
                                                      const std::optional<std::string>& quoted) {
    // "shows up" means appears: 'Ready shows up' waits for "Ready", not for "up".
    static const std::array<Regex, 2> patterns{
        Regex(R"(^(?:it|this|that|the [\w ]+?|[\w]+)? ?(?:says|reads|shows(?! up\b)|displays|turns into|changes to) (.+)$)",
              Regex::CaseInsensitive),
        Regex(R"(^i (?:can )?(?:read|see) (.+)$)", Regex::CaseInsensitive),
    };
    for (const Regex& re : patterns) {
        std::optional<Groups> g = firstMatch(lower, re);
        if (!g || !(*g)[1]) continue;
        if (quoted) return withText(WatchType::textAppears, *quoted);
        // "it shows 5 or more" is a number comparison.
        if (parseNumberCompare(lower)) return std::nullopt;
        if (isPronoun(*(*g)[1])) return std::nullopt;
        std::string t = text::trimChars(original(c, *(*g)[1]), "'\" ");
        if (t.empty()) return std::nullopt;
        return withText(WatchType::textAppears, std::move(t));
    }
    return std::nullopt;
}

std::optional<ParsedCommand> parseQuotedAppears(std::string_view lower, const std::optional<std::string>& quoted) {
    static const Regex appears(R"((appears|shows up|pops up|comes up|is (shown|visible|displayed|there|on screen))$)",
                               Regex::CaseInsensitive);
    if (!quoted) return std::nullopt;
    // The sentence may be the quote alone; compare it as the sentence was
    // prepared, contractions expanded.
    std::string alone = "\"";
    alone.append(expandContractions(text::lower(*quoted))).push_back('"');
    const bool onlyQuote = lower == alone;
    if (onlyQuote || appears.matches(lower)) return withText(WatchType::textAppears, *quoted);
    return std::nullopt;
}

std::optional<ParsedCommand> parseAnyChange(std::string_view lower) {
    static const Regex happens(R"(^(anything|something) (happens|moves)( here)?$)", Regex::CaseInsensitive);
    static const Regex changes(
        R"(^(?:(.+?) )?(?:changes|changed|change|updates|updated|is updated|gets updated|moves|is different|looks different|starts moving)(?: (?:at all|here|again|in any way))?$)",
        Regex::CaseInsensitive);
    if (happens.matches(lower)) return ofType(WatchType::anyChange);
    std::optional<Groups> g = firstMatch(lower, changes);
    if (!g) return std::nullopt;
    ParsedCommand p = ofType(WatchType::anyChange);
    if ((*g)[1]) {
        std::string subject = stripDeterminer(*(*g)[1]);
        // "the screen changes" speaks of the whole box, as "this changes" does.
        if (!isGenericChangeSubject(*(*g)[1]) && !isGenericChangeSubject(subject)) p.subject = std::move(subject);
    }
    return p;
}

std::optional<ParsedCommand> parseNewItem(std::string_view c, std::string_view lower) {
    static const std::array<Regex, 2> people{
        Regex(R"(\b(someone|somebody|anyone|anybody)\b)", Regex::CaseInsensitive),
        Regex(R"(\b(replies|replied|responds|responded|answers|answered|writes back|wrote back|messages me|texts me|comments|commented)\b)",
              Regex::CaseInsensitive),
    };
    // "new …" then a word of a new item somewhere after it. Every opening
    // ("a new", "any new") ends on "new", so the earliest "new" or "another"
    // leaves the most room; looking after it alone keeps the search linear
    // where a pattern with ".*" between the two retried every "new".
    static const Regex opening(R"(\b(new|another)\b)", Regex::CaseInsensitive);
    static const Regex item(
        R"(\b(message|messages|email|emails|mail|mails|comment|comments|reply|replies|answer|line|lines|item|row|entry|notification|order|post|ticket|issue|result|appears|arrives|comes in|shows up|pops up)\b)",
        Regex::CaseInsensitive);
    const std::u16string l = text::toUtf16(lower);
    for (const Regex& re : people) {
        if (re.matches(std::u16string_view(l))) return withSubject(WatchType::newItem, std::string(c));
    }
    // What follows "new" starts with a character that is not a letter, so
    // the word boundary of an item there is the same as in the whole text.
    if (std::optional<Regex::Match> m = opening.firstMatch(l);
        m && item.matches(std::u16string_view(l).substr((*m)[0].start + (*m)[0].length)))
        return withSubject(WatchType::newItem, std::string(c));
    return std::nullopt;
}

std::optional<ParsedCommand> parseAppears(std::string_view c, std::string_view lower) {
    static const Regex re(R"(^(.+?) (appears|shows up|pops up|comes up|is (shown|visible|displayed))$)", Regex::CaseInsensitive);
    std::optional<Groups> g = firstMatch(lower, re);
    if (!g || !(*g)[1]) return std::nullopt;
    const std::string& x = *(*g)[1];
    if (isPronoun(x)) return std::nullopt;
    std::string t = original(c, x);
    if (isDescriptive(x)) t = stripDeterminer(t);
    return withText(WatchType::textAppears, std::move(t));
}

bool isStateReached(std::string_view lower) {
    static const std::array<Regex, 3> patterns{
        Regex(R"(\b(is|are|gets|got|becomes|turns|goes|ist|sind|wird)( now| jetzt)? ()" + stateWords() + R"()\b)",
              Regex::CaseInsensitive),
        Regex(R"(\b(finishes|finished|completes|completed|ends|ended|loads|loaded|succeeds|succeeded|fails|failed|passes|passed|starts|started|stops|stopped|crashes|crashed|opens|closes|arrives|arrived|turns \w+|goes \w+|is back|comes back)$)",
              Regex::CaseInsensitive),
        Regex(R"(^(done|finished|ready|complete)$)", Regex::CaseInsensitive),
    };
    const std::u16string l = text::toUtf16(lower);
    for (const Regex& re : patterns) {
        if (re.matches(std::u16string_view(l))) return true;
    }
    return false;
}

}  // namespace kestrove::CommandParser
