#include "core/reading/currency.hpp"

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <string_view>

#include <unicode/uchar.h>
#include <unicode/ucurr.h>
#include <unicode/uenum.h>

#include "core/foundation/text.hpp"

namespace kestrove {

bool isCurrencySign(char32_t c) { return u_charType(static_cast<UChar32>(c)) == U_CURRENCY_SYMBOL; }

bool isCurrencyCode(std::string_view word) {
    static const std::set<std::string, std::less<>> codes = [] {
        std::set<std::string, std::less<>> out;
        UErrorCode status = U_ZERO_ERROR;
        UEnumeration* all = ucurr_openISOCurrencies(UCURR_ALL, &status);
        for (const char* code; U_SUCCESS(status) && (code = uenum_next(all, nullptr, &status));) out.insert(code);
        uenum_close(all);
        return out;
    }();
    if (codes.contains(word)) return true;
    const std::string lower = text::lower(word);
    return lower == "usd" || lower == "eur" || lower == "gbp";
}

bool isAlsoAWord(std::string_view code) {
    // The codes that read as English words (or a call for help) in capitals.
    static constexpr std::array<std::string_view, 18> words = {"ALL", "BAD", "BAM", "BAN", "BOB", "CAD",
                                                               "COP", "CUP", "GEL", "MAD", "MOP", "PEN",
                                                               "RUB", "SIT", "SOS", "TOP", "TRY", "YUM"};
    return std::find(words.begin(), words.end(), code) != words.end();
}

bool speaksOfPrices(std::string_view s) {
    static const text::Regex decimals(R"((?<![\d.,])\d{1,3}(?:[,.'\x{00A0}\x{202F}]?\d{3})*[.,]\d{2}(?![\d.,]))");
    static const text::Regex word(R"(\b(?:prices?|total|subtotal|costs?|fee|sale|pay|paid|due|balance)\b)",
                                  text::Regex::CaseInsensitive);
    static const text::Regex capitals(R"(\b[A-Z]{3}\b)");
    const std::u16string u = text::toUtf16(s);
    for (std::size_t i = 0; i < u.size(); ++i)
        if (isCurrencySign(u[i])) return true;  // every currency sign lies in the Basic Multilingual Plane
    for (const text::Regex::Match& m : capitals.allMatches(u)) {
        const std::string code = text::toUtf8(std::u16string_view(u).substr(m[0].start, m[0].length));
        if (isCurrencyCode(code) && !isAlsoAWord(code)) return true;
    }
    return decimals.matches(std::u16string_view(u)) || word.matches(std::u16string_view(u));
}

}  // namespace kestrove
