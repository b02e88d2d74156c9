#pragma once
// Turning the lines an OCR engine found (pixel boxes, 0-100 confidences) into
// OCRLines. Runs of text on one row with a wide gap between them become
// separate lines, as the rules expect: a price and a quantity far apart on
// one row are two things, not one sentence.

#include <algorithm>
#include <string>
#include <vector>

#include "core/reading/reading.hpp"

namespace kestrove {

// Pixels, origin at the top-left corner; right and bottom exclusive.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// The smallest box holding both.
inline PixelBox unite(const PixelBox& a, const PixelBox& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// Tesseract gives a character it reads clearly 95 or more; a shape two
// characters share about equally gets less (measured on the crops of
// bench/data/ocr).
inline constexpr double clearlyRead = 95;

// One character as the engine placed it.
struct EngineSymbol {
    std::string text;
    PixelBox box;
    double confidence = 100;  // 0-100
};

// A symbol read as one digit.
bool isDigit(const EngineSymbol& symbol);

struct EngineWord {
    std::string text;
    PixelBox box;
    double confidence = 0;  // 0-100
    std::vector<EngineSymbol> symbols;  // left to right; may be empty
};

struct EngineLine {
    std::string text;  // may end in a newline
    PixelBox box;
    double confidence = 0;  // 0-100
    std::vector<EngineWord> words;  // left to right
};

// The word's text made again from its symbols.
void rejoinSymbols(EngineWord& word);

// The line's text made again from its words, one space between them.
void rejoinWords(EngineLine& line);

// A gap between two words wider than this many line heights splits a line.
inline constexpr double wideGapInLineHeights = 1.5;

// The lines of a picture of width × height pixels, in the engine's order.
// Lines without text are dropped.
std::vector<OCRLine> toOCRLines(const std::vector<EngineLine>& lines, int width, int height);

}  // namespace kestrove
