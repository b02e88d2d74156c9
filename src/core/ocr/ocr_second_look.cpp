#include "core/ocr/ocr_second_look.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace kestrove {

namespace {

// A run shorter than this many times its height holds a glyph or two.
constexpr int shortRun = 3;

// The confidence of the least sure character read in run `run`; -1 when
// nothing was read there.
double leastSure(const std::vector<EngineLine>& found, const Stacked& stacked, int run) {
    double least = -1;
    for (const EngineLine& line : found) {
        if (runOf(stacked, line.box) != run) continue;
        for (const EngineWord& word : line.words)
            for (const EngineSymbol& symbol : word.symbols)
                least = least < 0 ? symbol.confidence : std::min(least, symbol.confidence);
    }
    return least;
}

PixelBox moved(const PixelBox& b, const PixelBox& from, double fromScale, const PixelBox& to, double toScale) {
    const double k = toScale / fromScale;
    auto x = [&](int v) { return to.left + int(std::lround((v - from.left) * k)); };
    auto y = [&](int v) { return to.top + int(std::lround((v - from.top) * k)); };
    return {x(b.left), y(b.top), x(b.right), y(b.bottom)};
}

// The lines of run `run` of `restacked`, moved as `place` says.
template <typename Place>
std::vector<EngineLine> linesOf(const std::vector<EngineLine>& again, const Stacked& restacked, int run, Place place) {
    std::vector<EngineLine> lines;
    for (const EngineLine& line : again) {
        if (runOf(restacked, line.box) != run) continue;
        EngineLine l = line;
        l.box = place(l.box);
        for (EngineWord& word : l.words) {
            word.box = place(word.box);
            for (EngineSymbol& symbol : word.symbols) symbol.box = place(symbol.box);
        }
        lines.push_back(std::move(l));
    }
    return lines;
}

}  // namespace

std::vector<std::size_t> unsureRuns(const std::vector<EngineLine>& found, const Stacked& stacked) {
    std::vector<std::size_t> which;
    for (std::size_t i = 0; i < stacked.scales.size(); ++i) {
        if (stacked.scales[i] < 2) continue;  // only an enlarged run has a smaller size to try
        const double least = leastSure(found, stacked, static_cast<int>(i));
        if (least >= 0 && least < clearlyRead) which.push_back(i);
    }
    return which;
}

Restacked smallerStack(const GreyPicture& prepared, const std::vector<InkRun>& runs,
                       const std::vector<std::size_t>& which) {
    auto chosen = [&](std::size_t i) { return std::find(which.begin(), which.end(), i) != which.end(); };
    // A run of a glyph or two gives Tesseract no measure of its font's
    // height: read alone, a lone prompt sign "$" reads "4". It is read again
    // among all the runs, as it was first read.
    bool lone = false;
    for (std::size_t i = 0; i < runs.size(); ++i)
        lone |= chosen(i) && runs[i].ink.width() < shortRun * runs[i].ink.height();
    Restacked out;
    std::vector<InkRun> drawn;
    for (std::size_t i = 0; i < runs.size(); ++i)
        if (lone || chosen(i)) {
            out.runs.push_back(i);
            drawn.push_back(runs[i]);
        }
    out.stacked = stackRuns(prepared, drawn, -1);
    return out;
}

void keepSurer(std::vector<EngineLine>& found, const Stacked& stacked, const std::vector<std::size_t>& which,
               const std::vector<EngineLine>& again, const Restacked& restacked) {
    for (std::size_t j = 0; j < restacked.runs.size() && j < restacked.stacked.placed.size(); ++j) {
        const std::size_t i = restacked.runs[j];
        if (i >= stacked.placed.size() || std::find(which.begin(), which.end(), i) == which.end()) continue;
        const int run = static_cast<int>(i), readAgain = static_cast<int>(j);
        if (leastSure(again, restacked.stacked, readAgain) <= leastSure(found, stacked, run)) continue;
        const PixelBox &from = restacked.stacked.placed[j], &to = stacked.placed[i];
        const double fromScale = restacked.stacked.scales[j], toScale = stacked.scales[i];
        const std::vector<EngineLine> lines = linesOf(
            again, restacked.stacked, readAgain, [&](const PixelBox& b) { return moved(b, from, fromScale, to, toScale); });
        auto inRun = [&](const EngineLine& l) { return runOf(stacked, l.box) == run; };
        const auto at = std::distance(found.begin(), std::find_if(found.begin(), found.end(), inRun));
        std::erase_if(found, inRun);
        found.insert(found.begin() + std::min(at, static_cast<std::ptrdiff_t>(found.size())), lines.begin(), lines.end());
    }
}

}  // namespace kestrove
