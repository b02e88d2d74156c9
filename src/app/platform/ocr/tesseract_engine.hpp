#pragma once
// One Tesseract engine (English, LSTM only), used by one thread at a time.
// Creating one costs about 100 ms, so each worker keeps its engines.

#include <memory>
#include <vector>

#include "core/picture/image.hpp"
#include "core/reading/reading.hpp"

namespace tesseract {
class TessBaseAPI;
}

namespace kestrove {

// How much a small picture is enlarged before recognition: pictures whose
// shorter side is 1 to 95 pixels grow until it reaches 96 (at most 4×);
// others stay as they are.
int upscaleFactor(int width, int height);
Image upscaledIfSmall(const Image& image);
// A picture not enlarged for its size whose shortest row of text is less
// than this many pixels tall is enlarged by half.
inline constexpr int smallTextRow = 14;

class TesseractEngine {
public:
    // Without language correction the model runs without its dictionaries.
    explicit TesseractEngine(bool languageCorrection);
    ~TesseractEngine();
    TesseractEngine(const TesseractEngine&) = delete;
    TesseractEngine& operator=(const TesseractEngine&) = delete;

    // False when the English model could not be loaded; read gives nothing then.
    bool ready() const { return api_ != nullptr; }

    // How much the picture is prepared before recognition: not at all (as
    // it was read before; kept to measure against), or fully (dark grounds
    // turned light, lines along the edges painted over).
    enum class Preparation { none, full };

    // The picture's lines in reading order; none for an invalid picture or
    // when recognition fails.
    std::vector<OCRLine> read(const Image& image, Preparation preparation = Preparation::full);

private:
    std::unique_ptr<tesseract::TessBaseAPI> api_;
};

}  // namespace kestrove
