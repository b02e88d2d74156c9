// One line of read text through the number reader: every number lies inside
// the line, comes in order, carries its own span's text and, for a time, a
// finite number of seconds; literals and unit words never fail.
#include <cmath>

#include "core/reading/number_parser.hpp"
#include "core/reading/reading.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(fuzz::text(data, size));
    const std::u16string u = text::toUtf16(line);
    for (bool preferTime : {false, true}) {
        const std::vector<ReadNumber> numbers = NumberParser::numbers(line, preferTime);
        int last = -1;
        for (const ReadNumber& n : numbers) {
            fuzz::check(n.location >= 0 && n.length > 0 && static_cast<std::size_t>(n.location + n.length) <= u.size(),
                        "a number outside its line");
            fuzz::check(n.location >= last, "numbers out of order");
            last = n.location;
            const std::string span = text::toUtf8(std::u16string_view(u).substr(static_cast<std::size_t>(n.location),
                                                                                static_cast<std::size_t>(n.length)));
            fuzz::check(span.find(n.text) != std::string::npos, "a number's text is not its span");
            if (isTime(n.unit)) fuzz::check(std::isfinite(n.value * secondsFactor(*n.unit)), "a time too large to hold");
            (void)n.display();
        }
        (void)fuzz::reading({line, line}).numbers(preferTime);
    }
    (void)NumberParser::parseLiteral(line, false);
    (void)NumberParser::parseLiteral(line, true);
    (void)NumberParser::unit(line, true);
    return 0;
}
