#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/copy/copy_card.hpp"

namespace kestrove {
namespace {

using std::nullopt;

struct Make {
    WatchSpec s;
    Make(WatchType type, std::string command) {
        s.type = type;
        s.command = std::move(command);
    }
    Make& text(std::string t) { return s.target.text = std::move(t), *this; }
    Make& about(std::string d) { return s.target.description = std::move(d), *this; }
    Make& number(Comparison c, std::optional<double> v, std::optional<ValueUnit> u = nullopt) {
        s.comparator = c;
        s.value = v;
        s.target.unit = u;
        return *this;
    }
    Make& from(WatchType kind) { return s.ruleFrom = kind, *this; }
    Make& display(std::string d) { return s.baseline.currentDisplay = std::move(d), *this; }
    Make& current(std::string t) { return s.baseline.currentText = std::move(t), *this; }
    Make& window(std::string app) { return s.region.window.emplace().app = std::move(app), *this; }
    Make& direct(bool onScreenOnly) { return s.direct = DirectInfo{onScreenOnly}, *this; }
    operator WatchSpec() const { return s; }
};

std::vector<std::string> boldTexts(const CardCopy& c) {
    std::vector<std::string> out;
    for (const auto* runs : {&c.sentence, &c.because})
        for (const TextRun& r : *runs)
            if (r.bold) out.push_back(r.text);
    return out;
}

TEST(CopyCard, WordsForEveryKind) {
    using T = WatchType;
    struct Case { const char* what; WatchSpec spec; std::string plain; std::vector<std::string> bold; };
    // Each card's words after "Got it. I'll bark ".
    const Case cases[] = {
        {"any change", Make(T::anyChange, "anything changes"), "as soon as anything here changes.",
         {"anything here changes"}},
        {"text appears, read differs", Make(T::textAppears, "it says Done").text("Done").current("Working"),
         "when I can read \"Done\" here. Right now I read Working.", {"\"Done\""}},
        {"text appears, display wins", Make(T::textAppears, "x").text("Done").display("Saving").current("Working"),
         "when I can read \"Done\" here. Right now I read Saving.", {"\"Done\""}},
        {"text appears, already reads it", Make(T::textAppears, "x").text("Done").current("done!"),
         "when I can read \"Done\" here.", {"\"Done\""}},
        {"text appears, nothing read", Make(T::textAppears, "x").text("Done"), "when I can read \"Done\" here.",
         {"\"Done\""}},
        {"countdown rule", Make(T::textAppears, "the timer ends").text("00:00").display("05:00").from(T::stateReached),
         "when I can read \"00:00\" here, or when the countdown is gone. Right now I read 05:00. "
         "That's how I'll know the timer ends.",
         {"\"00:00\"", "the timer ends"}},
        {"text gone", Make(T::textGone, "Loading is gone").text("Loading").current("Loading"),
         "when \"Loading\" is gone from here.", {"\"Loading\""}},
        {"busy rule", Make(T::textGone, "the export is done").text("Exporting").from(T::stateReached),
         "when \"Exporting\" is gone and this box has stopped changing. That's how I'll know the export is done.",
         {"\"Exporting\"", "the export is done"}},
        {"number, no description", Make(T::numberCompare, "x").number(Comparison::lt, 20, ValueUnit::eur).display("24.50"),
         "when the number here is below 20. Right now I read 24.50.", {"number", "below 20"}},
        {"number, no comparator", Make(T::numberCompare, "x").number(Comparison::none, 20, ValueUnit::eur),
         "when the number here is 20.", {"number", "20"}},
        {"number, unset value", Make(T::numberCompare, "x").about("queue").number(Comparison::lte, nullopt),
         "when the queue here is at or below 0.", {"queue", "at or below 0"}},
        {"number with duration",
         Make(T::numberCompare, "x").about("wait").number(Comparison::gte, 2.5, ValueUnit::minutes),
         "when the wait here is at least 2.5 minutes.", {"wait", "at least 2.5 minutes"}},
        {"percentage rule",
         Make(T::numberCompare, "the upload finishes").about("progress").number(Comparison::none, 100, ValueUnit::percent)
             .display("45%").from(T::stateReached),
         "when the progress here reaches 100% or disappears. Right now I read 45%. "
         "That's how I'll know the upload finishes.",
         {"progress", "100%", "the upload finishes"}},
        {"new line", Make(T::newLine, "a new line appears").display("3 lines"),
         "when a new line of text shows up here. Right now I read 3 lines.", {"a new line of text"}},
        {"new line from a new-item sentence", Make(T::newLine, "a new message arrives").display("1 line").from(T::newItem),
         "when a new line of text shows up here. Right now I read 1 line.", {"a new line of text"}},
        {"new line, blank display", Make(T::newLine, "x").display("  "), "when a new line of text shows up here.",
         {"a new line of text"}},
        {"new item", Make(T::newItem, "a new order comes in").display("3 lines"),
         "when a new order comes in. Right now: not yet.", {"a new order comes in"}},
    };
    for (const Case& c : cases) {
        const CardCopy card = Copy::card(c.spec);
        EXPECT_EQ(card.plain(), "Got it. I'll bark " + c.plain) << c.what;
        EXPECT_EQ(boldTexts(card), c.bold) << c.what;
        const bool judged = needsCloud(c.spec.type);
        EXPECT_EQ(card.note, judged ? std::optional<std::string>(Copy::judgedNote) : nullopt) << c.what;
        EXPECT_EQ(card.windowNote, nullopt) << c.what;
    }
}

TEST(CopyCard, WindowNote) {
    const std::string long25(25, 'a');
    const std::string long24(24, 'a');
    struct Case { WatchSpec spec; std::optional<std::string> note; };
    const Case cases[] = {
        {Make(WatchType::anyChange, "x"), nullopt},
        {Make(WatchType::anyChange, "x").window(" Safari\t"), "Stays with this Safari window, also when something covers it"},
        {Make(WatchType::anyChange, "x").window(long24), "Stays with this " + long24 + " window, also when something covers it"},
        {Make(WatchType::anyChange, "x").window(long25), "Stays with this window, also when something covers it"},
        {Make(WatchType::anyChange, "x").window("   "), "Stays with this window, also when something covers it"},
        {Make(WatchType::numberCompare, "x").window("Safari").direct(true),
         "Reads this number directly from Safari while the window is on screen"},
        {Make(WatchType::textAppears, "x").window("").direct(false),
         "Reads this text directly from its app, also when the window is covered"},
        {Make(WatchType::newLine, "x").window(long25).direct(true),
         "Reads this text directly from its app while the window is on screen"},
    };
    for (const Case& c : cases) {
        const CardCopy card = Copy::card(c.spec);
        EXPECT_EQ(card.windowNote, c.note);
        EXPECT_EQ(card.plain(), Copy::card(Make(c.spec.type, "x")).plain()) << "the note is no part of the words";
    }
}

TEST(CopyCard, FormatValue) {
    using U = ValueUnit;
    struct Case { double value; std::optional<ValueUnit> unit; std::string text; };
    const Case cases[] = {
        {2.5, U::minutes, "2.5 minutes"}, {1, U::minutes, "1 minute"},   {1, U::seconds, "1 second"},
        {0, U::seconds, "0 seconds"},     {1.004, U::seconds, "1.00 seconds"}, {1, U::hours, "1 hour"},
        {36, U::hours, "36 hours"},       {0.125, U::percent, "0.12%"}, {45, U::percent, "45%"},
        {19.99, U::usd, "19.99"},         {1, U::eur, "1"},             {1234.5, U::gbp, "1,234.5"},
        {1234567, nullopt, "1,234,567"},  {-3.5, nullopt, "-3.5"},
    };
    for (const Case& c : cases) EXPECT_EQ(Copy::formatValue(c.value, c.unit), c.text) << c.value;
}

TEST(CopyCard, ValuePhrase) {
    using C = Comparison;
    const std::pair<Comparison, std::string> cases[] = {
        {C::lt, "below 1 second"},  {C::lte, "at or below 1 second"}, {C::gt, "above 1 second"},
        {C::gte, "at least 1 second"}, {C::eq, "exactly 1 second"},   {C::none, "1 second"},
    };
    for (const auto& [c, phrase] : cases) EXPECT_EQ(Copy::valuePhrase(c, 1, ValueUnit::seconds), phrase) << rawValue(c);
    EXPECT_EQ(Copy::valuePhrase(Comparison::lt, 200, ValueUnit::usd), "below 200");
}

}  // namespace
}  // namespace kestrove
