#pragma once
// How a run of text is drawn larger for Tesseract. An outline font is
// sampled smoothly. A terminal's bitmap font has one-pixel strokes and
// square steps Tesseract was never taught: its pixels are repeated, its
// strokes thickened by three quarters of a pixel and its edges blurred, so
// it reads as an ordinary font of that size would (a slash stays a slash,
// a colon two dots, a c no e).

#include "core/ocr/ocr_line_split.hpp"
#include "core/ocr/ocr_picture.hpp"

namespace kestrove {

// A part of the prepared picture and how it is drawn.
struct RunCut {
    PixelBox from;  // may reach past the picture's edges: ground there
    double scale = 1;
    int bandTop = 0, bandBottom = 0;  // the rows of its line; rows outside stay ground
    bool bitmap = false;
    int ground = 255;  // the picture's
    int width() const;
    int height() const;
};

// The cut drawn into `to` with its top-left corner at (left, top), with the
// cut's ground (counted once for a stack of many runs).
void drawEnlarged(const GreyPicture& from, const RunCut& cut, GreyPicture& to, int left, int top);

// Drawn without smoothing (a bitmap font): its pixels are ground or ink,
// hardly anything between. Given the picture's ground, it is not counted
// again (each run of a picture asks).
bool drawnWithoutSmoothing(const GreyPicture& prepared, const PixelBox& ink, int ground);
bool drawnWithoutSmoothing(const GreyPicture& prepared, const PixelBox& ink);

// A bitmap font's dot drawn as a small cross (".", ":" of the "fixed"
// fonts) reads as a comma or a semicolon, its lower arm taken for a tail:
// within `area`, every such cross loses that arm. Given the picture's
// ground, it is not counted again.
void mendCrossDots(GreyPicture& prepared, const PixelBox& area);
void mendCrossDots(GreyPicture& prepared, const PixelBox& area, int ground);

}  // namespace kestrove
