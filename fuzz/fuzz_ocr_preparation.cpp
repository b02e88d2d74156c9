// Grey pictures of any shape through everything the picture reading does
// before Tesseract: the pill, cursor, edge and cut-row steps, the runs and
// their stacks. Nothing reads or writes outside a picture, every run lies
// within the prepared picture, and every run has its place in the stack.
//
// Input: a shape byte, a width and a height (two bytes each), the ground's
// shade, then either the pixels themselves (repeated when the picture is
// larger than the input) or boxes of any shade drawn on the ground.
#include <algorithm>

#include "core/ocr/ocr_badges.hpp"
#include "core/ocr/ocr_cursors.hpp"
#include "core/ocr/ocr_enlarging.hpp"
#include "core/ocr/ocr_layout.hpp"
#include "core/ocr/ocr_picture.hpp"
#include "core/ocr/ocr_second_look.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

namespace {

// Large enough that the pixels get a mapping of their own, small enough that
// one run stays well under the fuzzer's time limit.
constexpr int largestArea = 250'000;

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    int byte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    int word() { return byte() << 8 | byte(); }
};

GreyPicture picture(Reader& in) {
    const int shape = in.byte();
    int w = 1 + in.word(), h = 1 + in.word();
    switch (shape % 4) {
        case 0: w = 1 + w % 64, h = 1 + h % 64; break;           // small
        case 1: w = 1 + w % 2000, h = 1 + h % 400; break;        // a box over a page
        case 2: w = 1 + w % 4000, h = 1 + h % 6; break;          // one very wide strip
        default: w = 1 + w % 6, h = 1 + h % 4000; break;         // one very tall strip
    }
    while (static_cast<long>(w) * h > largestArea) (w > h ? w : h) /= 2;
    GreyPicture p{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h)};
    const auto ground = static_cast<std::uint8_t>(in.byte());
    if (shape & 4) {
        // Boxes: a shade, then left, top, width, height in 1/65536ths of the
        // picture (a width or height in quarters of that).
        std::fill(p.pixels.begin(), p.pixels.end(), ground);
        auto at = [](int v, int side) { return static_cast<int>(static_cast<long>(v) * side >> 16); };
        while (in.size >= 9) {
            const auto ink = static_cast<std::uint8_t>(in.byte());
            const int left = at(in.word(), w), top = at(in.word(), h);
            const int right = std::min(w, left + 1 + at(in.word(), w) / 4);
            const int bottom = std::min(h, top + 1 + at(in.word(), h) / 4);
            for (int y = top; y < bottom; ++y)
                std::fill_n(p.pixels.begin() + static_cast<long>(y) * w + left, right - left, ink);
        }
    } else if (in.size > 0) {
        for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = in.data[i % in.size];
    } else {
        std::fill(p.pixels.begin(), p.pixels.end(), ground);
    }
    return p;
}

bool within(const PixelBox& box, int width, int height) {
    return box.left >= 0 && box.top >= 0 && box.left <= box.right && box.top <= box.bottom && box.right <= width &&
           box.bottom <= height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    GreyPicture grey = picture(in);
    const int width = grey.width, height = grey.height;

    flattenPills(grey);
    removeBlockCursors(grey);
    prepareForRecognition(grey);
    removeCursors(grey);
    clearCutRows(grey);
    fuzz::check(grey.width == width && grey.height == height &&
                    grey.pixels.size() == static_cast<std::size_t>(width) * height,
                "preparation changed the picture's size");

    const std::vector<InkRun> runs = textRuns(grey);
    const int ground = groundOf(grey);
    for (const InkRun& run : runs) {
        fuzz::check(within(run.ink, width, height) && run.bandTop >= 0 && run.bandBottom <= height,
                    "a run outside the picture");
        if (drawnWithoutSmoothing(grey, run.ink, ground))
            mendCrossDots(grey, {run.ink.left, run.bandTop, run.ink.right, run.bandBottom}, ground);
    }
    if (runs.empty()) return 0;

    const Stacked stacked = stackRuns(grey, runs);
    fuzz::check(stacked.placed.size() == runs.size(), "a run without its place in the stack");
    for (const PixelBox& placed : stacked.placed)
        fuzz::check(within(placed, stacked.picture.width, stacked.picture.height), "a run placed outside the stack");

    // The second look at some of the runs (those Tesseract was unsure of).
    std::vector<std::size_t> which;
    for (std::size_t i = 0; i < runs.size(); ++i)
        if ((width + height + i) % 3 == 0) which.push_back(i);
    if (which.empty()) which.push_back(runs.size() - 1);
    const Restacked smaller = smallerStack(grey, runs, which);
    for (std::size_t r : smaller.runs) fuzz::check(r < runs.size(), "a second look at a run that is not there");
    return 0;
}
