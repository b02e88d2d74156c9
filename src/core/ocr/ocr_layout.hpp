#pragma once
// Where the text of a prepared picture stands, and the picture Tesseract is
// given made from it. Tesseract reads each line at one height, so a small
// label beside a large number shrinks to nothing, and it reads best when a
// line's ink is a few dozen pixels tall: each row of text is cut into runs
// of words of like height, each run is scaled to that height on its own and
// the runs are stacked, one to a line, into a new picture (cursors are
// painted over before that: ocr_cursors).

#include <string>
#include <vector>

#include "core/ocr/ocr_ink.hpp"
#include "core/ocr/ocr_line_split.hpp"
#include "core/ocr/ocr_picture.hpp"

namespace kestrove {

// A run of words of like height on one row of text: where its ink stands.
struct InkRun {
    int row = 0;  // which row of the picture, from the top
    PixelBox ink;
    int bandTop = 0, bandBottom = 0;  // the rows of its line
    bool raised = false;              // small and raised after the run before it (cents set as a superscript)
};

// Rows of marks parted by blank rows, each cut at its word gaps into runs;
// a word whose height, or whose letters' height, differs from the run's
// before it more than twice over starts anew, and so does one raised off
// the line: at most two thirds as tall as the word before it (nine tenths
// when it rises a fifth above its top), from its top to well above its
// foot, and no narrower than tall (a price's cents set as a superscript; a
// quote or a degree sign is smaller or narrower), and so does what comes
// back down to the line after it. Rows of marks less than 3 pixels tall
// are no text, nor is a run six times as long as tall made of three pieces
// or fewer (a bar, a rule).
std::vector<InkRun> textRuns(const GreyPicture& prepared);

// A row of text at the box's top or bottom edge whose letters stand lower
// than those of other rows of its size (strokes at most a quarter thicker),
// from their top or from the edge down to their foot, may be the
// neighbouring line the edge cuts. The ink between it and the edge within
// half the tallest row counts as part of it (the tops of a cut line's
// letters part into several bands). Standing under half as high, it is
// painted over with the ground; higher, its bands are returned for the
// reading to judge (dropCutLines). A row with no other row of its size (a
// small caption under a large price), a row whose letters stand on the
// edge as high as whole rows' or that only its descenders touch, and a
// picture of one row are left alone.
std::vector<Band> clearCutRows(GreyPicture& prepared);

// How much a run of `inkHeight` pixels is scaled so that Tesseract reads it
// well (1 for most text; small text enlarged in whole steps to 22 pixels, a
// bitmap font to 34, at most 4×; text over 72 pixels reduced).
double runScale(int inkHeight, bool bitmap = false);

// The runs stacked into one picture, each scaled by runScale and drawn as
// its font needs (ocr_enlarging); `placed[i]` says where run i went.
struct Stacked {
    GreyPicture picture;
    std::vector<PixelBox> placed;
    std::vector<double> scales;  // of each run
    std::vector<bool> bitmap;    // each run drawn in a bitmap font
};
// `step` whole steps are added to each enlarged run's scale (a second look
// at another size).
Stacked stackRuns(const GreyPicture& prepared, const std::vector<InkRun>& runs, int step = 0);

// Which run of the stack a box found in it stands in (the placed run holding
// its middle), -1 for none.
int runOf(const Stacked& stacked, const PixelBox& box);

// The lines read of the runs within each band of `mayBeCut` are dropped
// unless they read as words of whole letters: Tesseract sure of them on
// the whole, the characters read spanning most of their ink, and their
// letters reaching as those characters reach in any font (at the top edge
// small letters start below capitals, digits and ascenders, by at least
// three fifths as much as in the whole rows read; at the bottom edge
// descenders end below the rest, and small letters stand over two thirds
// as high as tall ones). A line cut through its letters reads as such
// letters cut, or as garbage; a line cut only at the tips of its
// ascenders or descenders cannot be told from a whole one, and stays.
// `prepared` is the picture the runs were stacked from.
void dropCutLines(std::vector<EngineLine>& found, const Stacked& stacked, const GreyPicture& prepared,
                  const std::vector<InkRun>& runs, const std::vector<Band>& mayBeCut);

// The lines read in runs of a bitmap font with their quotes mended; an
// opening quote before a word is the slash it reads as only when its mark
// runs down the line.
void mendBitmapLines(std::vector<EngineLine>& found, const Stacked& stacked);

// Lines Tesseract found in the stacked picture, back in the prepared
// picture's pixels. The runs of one row that gave one line each become one
// line again (the line split then parts them at wide gaps, as for any line);
// two digits raised after a currency amount without decimals (any currency
// sign, any ISO 4217 code; a code that is also a word, "TOP", only where
// the row speaks of prices) are its cents ("$249⁹⁹", "249⁹⁹ €" and
// "CHF 249⁹⁹" are 249.99), other raised digits the superscript they are
// ("10¹²", "Rate 4.5%¹²", "TOP 10¹² SONGS": no number of their own).
std::vector<EngineLine> unstack(const std::vector<EngineLine>& found, const std::vector<InkRun>& runs,
                                const Stacked& stacked);

}  // namespace kestrove
