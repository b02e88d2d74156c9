#pragma once
// What a currency sign or code is, for the number reader and the picture
// reading alike.

#include <string_view>

namespace kestrove {

// A character of Unicode's currency symbols ("$", "€", "£", "¥", "₹", "₽").
bool isCurrencySign(char32_t c);

// An ISO 4217 code, current or withdrawn, in capitals ("CHF", "JPY",
// "DEM"); "usd", "eur" and "gbp" in any case, as the number reader takes
// them. In small letters any other code is a word ("top", "all").
bool isCurrencyCode(std::string_view word);

// A code that is also an ordinary word written in capitals ("TOP 10",
// "ALL 24 ROOMS", "SOS"): a currency only where something else says so.
bool isAlsoAWord(std::string_view code);

// Something in `text` says it holds a price: a currency sign, a code that
// is no word, an amount with two decimals, or a word such as "price" or
// "total".
bool speaksOfPrices(std::string_view text);

}  // namespace kestrove
