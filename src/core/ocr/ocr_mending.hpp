#pragma once
// Misreadings Tesseract makes that the line's own text or the shape of a
// word shows: a multiplication sign between two numbers comes back as the
// letter x, a middle dot standing alone as a hyphen or a colon, an O as a
// zero and back, and a text cursor that touches the last character as a bar.

#include <string>
#include <vector>

#include "core/ocr/ocr_line_split.hpp"
#include "core/reading/reading.hpp"

namespace kestrove {

// "1299x3" → "1299×3" (not "0x1F": a lone 0 before it is a prefix); in a
// word of capitals a zero is an O ("0K"), in a number an O is a zero
// ("2O0"); a final "|" is dropped. Lines left empty, and lines of
// underscores alone (an underline cursor), go.
std::string mendedLine(const std::string& text);
void mendReading(std::vector<OCRLine>& lines);

// A lone "-" less than twice as wide as tall (a smoothed dot is a little
// wider than tall), or a lone ":" more than half as wide as tall, is a
// middle dot ("87% · 2 h"): a hyphen is a long dash, a colon two dots one
// above the other. The line's text is then its words again.
void mendLoneDots(EngineLine& line);

// A terminal's bitmap font has straight quotes only: a curly one read in it
// is a straight one, and an opening double one before a word a slash
// ("GET “api/pay" is "GET /api/pay").
std::string mendedBitmapText(const std::string& text);
void mendBitmapLine(EngineLine& line);

}  // namespace kestrove
