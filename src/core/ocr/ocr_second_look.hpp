#pragma once
// A character Tesseract was unsure of (a terminal font's small percent sign
// read as a 2 by a hair) is looked at again: the runs that held one are
// drawn one step smaller and read once more, and each keeps the reading
// whose least sure character is surer. Only those runs are read again
// where they can be read alone: the others cost as much to read twice as
// the whole first look, and were read no better among them (a bitmap
// semicolon read as '>' beside them).

#include <cstddef>
#include <vector>

#include "core/ocr/ocr_layout.hpp"
#include "core/ocr/ocr_line_split.hpp"

namespace kestrove {

// The enlarged runs of `stacked` whose lines hold a character read with
// less confidence than Tesseract gives what it sees clearly.
std::vector<std::size_t> unsureRuns(const std::vector<EngineLine>& found, const Stacked& stacked);

// Runs drawn again at another size: run j of `stacked` is run runs[j] of
// the first stack.
struct Restacked {
    Stacked stacked;
    std::vector<std::size_t> runs;
};

// The runs of `which`, one step smaller; all the runs when one of them is
// a glyph or two.
Restacked smallerStack(const GreyPicture& prepared, const std::vector<InkRun>& runs,
                       const std::vector<std::size_t>& which);

// Each run of `which` takes the lines read of it in `restacked` when their
// least sure character is surer than its own; their boxes are moved into
// `stacked`'s pixels.
void keepSurer(std::vector<EngineLine>& found, const Stacked& stacked, const std::vector<std::size_t>& which,
               const std::vector<EngineLine>& again, const Restacked& restacked);

}  // namespace kestrove
