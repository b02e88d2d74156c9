#pragma once
// Where the text of a prepared picture stands, and the picture Tesseract is
// given made from it. Tesseract reads each line at one height, so a small
// label beside a large number shrinks to nothing, and it reads best when a
// line's ink is a few dozen pixels tall: each row of text is cut into runs
// of words of like height, each run is scaled to that height on its own and
// the runs are stacked, one to a line, into a new picture. A text cursor
// (a filled or hollow block, a bar taller than the text) is not text and is
// painted over before that.

#include <string>
#include <vector>

#include "app/platform/ocr/ocr_line_split.hpp"
#include "app/platform/ocr/ocr_picture.hpp"

namespace kestrove {

// A run of words of like height on one row of text: where its ink stands.
struct TextRun {
    int row = 0;  // which row of the picture, from the top
    PixelBox ink;
    int bandTop = 0, bandBottom = 0;  // the rows of its line
};

// Rows of marks parted by blank rows, each cut at its word gaps into runs;
// a run whose height differs from its neighbour's more than twice over
// starts anew. Rows of marks less than 3 pixels tall are no text, nor is a
// run six times as long as tall made of three pieces or fewer (a bar, a rule).
std::vector<TextRun> textRuns(const GreyPicture& prepared);

// Cursors painted over with the ground: in each row, a filled or hollow
// block at least 60 % of the row's height and 0.3 to 1.1 times as wide as
// tall, and a bar at most 2 pixels (or an eighth of its height) wide that
// stands at least 10 % taller than anything else in its row.
void removeCursors(GreyPicture& prepared);

// How much a run of `inkHeight` pixels is scaled so that Tesseract reads it
// well (1 for most text; small text enlarged in whole steps to 22 pixels, a
// bitmap font to 34, at most 4×; text over 72 pixels reduced).
double runScale(int inkHeight, bool bitmap = false);

// A run drawn without smoothing (a bitmap font: its pixels are ground or
// ink, hardly anything between).
bool drawnWithoutSmoothing(const GreyPicture& prepared, const TextRun& run);

// The runs stacked into one picture, each scaled by runScale; `placed[i]`
// says where run i went. Smooth sampling reads outline fonts best; a bitmap
// font keeps some shapes only when its pixels are repeated (a colon's dots)
// and others only when smoothed (a slash's steps).
enum class Sampling { smooth, sharp };
struct Stacked {
    GreyPicture picture;
    std::vector<PixelBox> placed;
    std::vector<double> scales;  // of each run
};
Stacked stackRuns(const GreyPicture& prepared, const std::vector<TextRun>& runs, Sampling sampling = Sampling::smooth);

// How many characters and sequences a person would hardly write the text
// holds: curly quotes, a cent sign, a semicolon between digits, a clock whose
// first part has three digits or more.
int unlikeliness(const std::string& text);

// Of two readings of the same stack, for each run drawn without smoothing the
// likelier (then the surer) one, its curly quotes mended; the first
// reading's lines elsewhere.
std::vector<EngineLine> likelierByRun(std::vector<EngineLine> smooth, std::vector<EngineLine> sharp,
                                   const std::vector<bool>& bitmap, const Stacked& stacked);

// Lines Tesseract found in the stacked picture, back in the prepared
// picture's pixels. The runs of one row that gave one line each become one
// line again (the line split then parts them at wide gaps, as for any line).
std::vector<EngineLine> unstack(const std::vector<EngineLine>& found, const std::vector<TextRun>& runs,
                                const Stacked& stacked);

}  // namespace kestrove
