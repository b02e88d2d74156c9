// Text matching over a box: the first line is the text looked for, the
// others the lines read. Every line's own text is found in the box, a
// truncation keeps at most the characters asked for, and the reading's
// helpers never fail.
#include "core/reading/reading.hpp"
#include "core/reading/text_match.hpp"
#include "core/rules/new_line_rule.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> texts = fuzz::lines(fuzz::text(data, size));
    const std::string needle = texts.front();
    texts.erase(texts.begin());
    const BaselineReading reading = fuzz::reading(texts);

    (void)TextMatch::contains(reading.lines, needle);
    for (const OCRLine& line : reading.lines) {
        if (text::trimWhitespace(line.text).empty() || !fuzz::validUtf8(line.text)) continue;
        fuzz::check(TextMatch::contains(reading.lines, line.text), "a line's own text is not found: " + line.text);
    }
    (void)TextMatch::normalize(needle);
    (void)TextMatch::stripNumbers(needle);
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{28}, needle.size() % 64}) {
        const std::string cut = TextMatch::truncate(needle, n);
        fuzz::check(text::graphemeCount(cut) <= n + 1, "a truncation keeps too much");
        fuzz::check(cut == needle || cut.ends_with("\u2026"), "a truncation without its ellipsis");
    }
    (void)reading.prominentLine(28);
    (void)reading.prominentText(28);
    (void)reading.lineMentioning(needle);
    (void)reading.looksTransient();
    (void)NewLineRule::newLines(texts, reading.lines);
    return 0;
}
