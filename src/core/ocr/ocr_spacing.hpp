#pragma once
// Tesseract sometimes reads a number glued to the word beside it ("30s",
// "2h15") although the picture shows a space as wide as the line's other
// spaces, and the number reader then drops the number. The picture decides:
// a word is parted where a number meets another character across such a gap.

#include "core/ocr/ocr_line_split.hpp"
#include "core/ocr/ocr_picture.hpp"

namespace kestrove {

// The widest stretch of columns in [from, to) blank over rows [top,
// bottom), blank meaning near `ground`.
int widestBlank(const GreyPicture& picture, int ground, int from, int to, int top, int bottom);

// Words of `line` (read from `picture`) parted where a digit meets another
// character across a blank nearly as wide as the line's spaces (a line of
// one word, across one four times as wide as the widest gap between its
// other characters); the line's text is then its words again.
void partAtSpaces(EngineLine& line, const GreyPicture& picture, int ground);

}  // namespace kestrove
