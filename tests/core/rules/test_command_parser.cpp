#include "core/rules/command_parser.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace kestrove;

namespace {

using enum WatchType;
using enum Comparison;
constexpr auto none_ = std::nullopt;

ParsedCommand number(Comparison c, double v, std::optional<ValueUnit> unit, std::optional<std::string> subject,
                     bool approach = false) {
    ParsedCommand p;
    p.type = numberCompare, p.comparator = c, p.value = v, p.unit = unit, p.subject = std::move(subject),
    p.approach = approach;
    return p;
}

ParsedCommand withText(WatchType t, std::string text) {
    ParsedCommand p;
    p.type = t, p.text = std::move(text);
    return p;
}

ParsedCommand withSubject(WatchType t, std::optional<std::string> subject) {
    ParsedCommand p;
    p.type = t, p.subject = std::move(subject);
    return p;
}

std::string show(const std::optional<ParsedCommand>& p) {
    if (!p) return "absent";
    std::string s = std::string(rawValue(p->type)) + " " + std::string(rawValue(p->comparator));
    if (p->value) s += " value " + std::to_string(*p->value);
    if (p->unit) s += " unit " + std::string(rawValue(*p->unit));
    if (p->text) s += " text '" + *p->text + "'";
    if (p->subject) s += " subject '" + *p->subject + "'";
    if (p->approach) s += " approach";
    return s;
}

}  // namespace

TEST(CommandParser, CleanTrimsFoldsQuotesAndDropsLeadInsAndTrailingPunctuation) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Bark when the price drops below 200 €!", "the price drops below 200 €"},
        {"when the upload finishes...", "the upload finishes"},
        {"bark when when it is done", "it is done"},
        {"Tell me when\u2026 it is done", "it is done"},
        {"done?!", "done"},
        {"ok..", "ok"},
        {"wait...", "wait..."},
        {"  \u201CExporting\u201D   is\tgone \n", "\"Exporting\" is gone"},
        {"\u2018Ready\u2019 \u00ABshows\u00BB", "'Ready' \"shows\""},
        {"Once the build is green", "the build is green"},
        {"whenever it changes", "whenever it changes"},
        {"when …", ""},
        {"", ""},
        // The lead-in needs a space or dots behind it; "?" is plain trailing punctuation.
        {"when?", "when"},
        {"if if if if it is done", "it is done"},
        {"If\u2026 if... when it is done", "it is done"},
        // The Kelvin sign lower-cases to "k": one character of three bytes goes with the lead-in.
        {"Wa\u212Ae me when \u00C9t\u00E9 is over", "\u00C9t\u00E9 is over"},
        {"if if", "if"},
    };
    for (const auto& [sentence, cleaned] : cases) EXPECT_EQ(CommandParser::clean(sentence), cleaned) << "'" << sentence << "'";

    // Pasted text: every one of a long run of lead-ins goes.
    std::string pasted;
    for (int i = 0; i < 40000; ++i) pasted += i % 3 ? "if " : "when\u2026 ";
    EXPECT_EQ(CommandParser::clean(pasted + "the build is green"), "the build is green");
}

TEST(CommandParser, TextHelpers) {
    // Contractions expand on whole lower-case words only.
    EXPECT_EQ(CommandParser::expandContractions("it's done, that's it and they're back"),
              "it is done, that is it and they are back");
    EXPECT_EQ(CommandParser::expandContractions("i'm here, everything's fine"), "i am here, everything is fine");
    EXPECT_EQ(CommandParser::expandContractions("bit's it'sy It's"), "bit's it'sy It's");
    // Quoted text prefers double quotes and skips apostrophes inside words.
    const std::pair<const char*, std::optional<std::string>> quoted[] = {
        {"\"Ready\" shows up", "Ready"}, {"it's 'Done' now", "Done"}, {"'a' then \"b\"", "b"},
        {"\"  Sold out \"", "Sold out"}, {"don't won't", none_}, {"\"\" is empty", none_}};
    for (const auto& [in, out] : quoted) EXPECT_EQ(CommandParser::quotedText(in), out) << in;
    // The passage as typed, also for a phrase of the expanded sentence.
    EXPECT_EQ(CommandParser::original("Wait for ÉTÉ Sale", "été sale"), "ÉTÉ Sale");
    EXPECT_EQ(CommandParser::original("nothing here", "absent"), "absent");
    EXPECT_EQ(CommandParser::original("it says It's READY", "it is ready"), "It's READY");
    // Every group of the first match, or nothing.
    EXPECT_EQ(CommandParser::firstMatch("Price 12", "(\\w+) (\\d+)( x)?", false),
              (std::vector<std::optional<std::string>>{"Price 12", "Price", "12", none_}));
    EXPECT_EQ(CommandParser::firstMatch("PRICE", "price", false), none_);
    EXPECT_TRUE(CommandParser::firstMatch("PRICE", "price", true));
    EXPECT_EQ(CommandParser::firstMatch("x", "(unclosed", false), none_);
    for (const char* p : {"it", " this ", "the error", "the spinner", "text", "a toast", "my build", "that thing"})
        EXPECT_TRUE(CommandParser::isDescriptive(p)) << p;
    for (const char* p : {"exporting", "theme", "error", "thisisit", "done"}) EXPECT_FALSE(CommandParser::isDescriptive(p)) << p;
}

TEST(CommandParser, ParsesEveryKindOfSentence) {
    const std::pair<std::string, std::optional<ParsedCommand>> cases[] = {
        {"\u201CExporting\u201D is gone", withText(textGone, "Exporting")},
        {"Exporting is gone", withText(textGone, "Exporting")},
        {"the error is gone", withSubject(textGone, "error")},
        {"the spinner disappears", withSubject(textGone, "spinner")},
        {"it no longer says Loading", withText(textGone, "Loading")},
        {"\"Error\" is no longer visible", withText(textGone, "Error")},
        {"no more \"Error 42\"", withText(textGone, "Error 42")},
        {"no more errors", none_},
        {"it says Done", withText(textAppears, "Done")},
        {"I can see Welcome back", withText(textAppears, "Welcome back")},
        {"\"Ready\"", withText(textAppears, "Ready")},
        {"\"It's done\"", withText(textAppears, "It's done")},
        {"\"Ready\" shows up", withText(textAppears, "Ready")},
        {"Done appears", withText(textAppears, "Done")},
        {"the dialog is visible", withText(textAppears, "dialog")},
        // An unquoted "shows up" waits for the thing, not for "up".
        {"Ready shows up", withText(textAppears, "Ready")},
        {"it shows Ready", withText(textAppears, "Ready")},
        // A pronoun that appears names no text: a watch for the letters "it"
        // would be met by "Edit" or "Submit".
        {"when it appears", none_}, {"this shows up", none_}, {"that pops up", none_}, {"it is visible", none_},
        {"something appears", none_}, {"anything comes up", none_}, {"I can see it", none_},
        {"when it says this", none_},
        {"the dialog appears", withText(textAppears, "dialog")},
        {"Itinerary appears", withText(textAppears, "Itinerary")},
        // Expanded contractions do not leak into the awaited text.
        {"it says it's ready", withText(textAppears, "it's ready")},
        {"it's done", withSubject(stateReached, "it's done")},
        {"Bark when the price drops below 200 €!", number(lt, 200, ValueUnit::eur, "price")},
        {"queue is 5 or less", number(lte, 5, none_, "queue")},
        {"3 or more seats left", number(gte, 3, none_, "time remaining")},
        {"5 dollars or fewer", number(lte, 5, ValueUnit::usd, "price")},
        {"less than or equal to 10", number(lte, 10, none_, none_)},
        {"x<5", none_},
        {"price < 5", number(lt, 5, none_, "price")},
        {"when it reaches a hundred", number(gte, 100, none_, none_, true)},
        {"price hits 50 dollars", number(gte, 50, ValueUnit::usd, "price", true)},
        {"when the count hits zero", number(gte, 0, none_, "count", true)},
        {"when the timer is under 1:00", number(lt, 60, ValueUnit::seconds, "timer")},
        {"the battery is above 80%", number(gt, 80, ValueUnit::percent, "battery")},
        {"less than 2 minutes left", number(lt, 2, ValueUnit::minutes, "time remaining")},
        {"under 5 items remaining", number(lt, 5, none_, "time remaining")},
        {"the total exceeds $1,000", number(gt, 1000, ValueUnit::usd, "total")},
        {"the loss drops below -$50", number(lt, -50, ValueUnit::usd, "loss")},
        {"below 20 euros", number(lt, 20, ValueUnit::eur, "price")},
        {"the price is 5", number(eq, 5, none_, "price")},
        {"my queue position is at most 3 here", number(lte, 3, none_, "queue position")},
        {"the fan speed is over 3000 rpm", number(gt, 3000, none_, "fan speed")},
        {"this changes", withSubject(anyChange, none_)},
        {"anything happens", withSubject(anyChange, none_)},
        {"the counter changes", withSubject(anyChange, "counter")},
        {"the screen changes", withSubject(anyChange, none_)},
        {"the log updates again", withSubject(anyChange, "log")},
        {"someone replies", withSubject(newItem, "someone replies")},
        {"a new message arrives", withSubject(newItem, "a new message arrives")},
        {"a new line appears in the log", withSubject(newItem, "a new line appears in the log")},
        {"the download is done", withSubject(stateReached, "the download is done")},
        {"ready", withSubject(stateReached, "ready")},
        {"When the upload finishes...", withSubject(stateReached, "the upload finishes")},
        {"the server ist jetzt bereit", withSubject(stateReached, "the server ist jetzt bereit")},
        // Vague sentences parse to nothing.
        {"", none_}, {"   ", none_}, {"when?", none_}, {"hmm", none_}, {"do your thing", none_},
    };
    for (const auto& [sentence, expected] : cases) {
        std::optional<ParsedCommand> got = CommandParser::parse(sentence);
        EXPECT_EQ(got, expected) << "'" << sentence << "' gave " << show(got) << ", expected " << show(expected);
    }
}
