#pragma once
// A number's minus sign is drawn as the typographic minus (U+2212, as wide
// as a digit: web pages, calculators, editors set in proportional fonts)
// or as a hyphen; Tesseract reads both as a hyphen. In an outline font the
// mark's length against the digit after it tells them apart; a terminal's
// bitmap font has one dash, its hyphen.

#include <vector>

#include "core/ocr/ocr_layout.hpp"
#include "core/ocr/ocr_line_split.hpp"

namespace kestrove {

// In the lines read in runs of an outline font, a hyphen or minus read
// before a digit and after no letter or digit (a sign, not a range) becomes
// U+2212 when its mark is at least half as long as the digit is tall, else
// a hyphen; the line's text is then its words again.
void mendMinusSigns(std::vector<EngineLine>& found, const Stacked& stacked);

}  // namespace kestrove
