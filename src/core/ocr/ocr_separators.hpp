#pragma once
// Tesseract now and then reads a number's point as a comma, or as both over
// one mark ("249,.99"), and the number reader then takes another value
// (249). The picture tells them apart: a comma's tail reaches below the
// digits' baseline, a point stands on it.

#include "core/ocr/ocr_line_split.hpp"
#include "core/ocr/ocr_picture.hpp"

namespace kestrove {

// In each word of `line` (read from `picture`), the one or two points and
// commas read between two digits become the one the mark between them
// shows; the line's text is then its words again.
void mendSeparators(EngineLine& line, const GreyPicture& picture, int ground);

}  // namespace kestrove
