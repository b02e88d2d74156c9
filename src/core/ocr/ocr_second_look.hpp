#pragma once
// A character Tesseract was unsure of (a terminal font's small percent sign
// read as a 2 by a hair) is looked at again: the runs are drawn one step
// smaller and read once more (all of them: Tesseract reads a lone glyph
// better among lines like those it was first read with), and each run that
// held an unsure character keeps the reading whose least sure character is
// surer.

#include <cstddef>
#include <vector>

#include "core/ocr/ocr_layout.hpp"
#include "core/ocr/ocr_line_split.hpp"

namespace kestrove {

// The enlarged runs of `stacked` whose lines hold a character read with
// less confidence than Tesseract gives what it sees clearly.
std::vector<std::size_t> unsureRuns(const std::vector<EngineLine>& found, const Stacked& stacked);

// Each run of `which` takes the lines read of it in `restacked` (the same
// runs drawn at another size) when their least sure character is surer
// than its own; their boxes are moved into `stacked`'s pixels.
void keepSurer(std::vector<EngineLine>& found, const Stacked& stacked, const std::vector<std::size_t>& which,
               const std::vector<EngineLine>& again, const Stacked& restacked);

}  // namespace kestrove
