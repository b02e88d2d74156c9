#pragma once
// One Tesseract engine (English, LSTM only), used by one thread at a time.
// Creating one costs about 100 ms, so each worker keeps its engines.

#include <memory>
#include <vector>

#include "core/ocr/ocr_layout.hpp"
#include "core/picture/image.hpp"
#include "core/reading/reading.hpp"

namespace tesseract {
class TessBaseAPI;
}

namespace kestrove {

class TesseractEngine {
public:
    // Without language correction the model runs without its dictionaries.
    explicit TesseractEngine(bool languageCorrection);
    ~TesseractEngine();
    TesseractEngine(const TesseractEngine&) = delete;
    TesseractEngine& operator=(const TesseractEngine&) = delete;

    // False when the English model could not be loaded; read gives nothing then.
    bool ready() const { return api_ != nullptr; }

    // How much the picture is prepared before recognition: not at all (the
    // picture as it is; kept to measure against), or fully (dark grounds
    // turned light, lines along the edges and cursors painted over, each run
    // of text scaled to the height Tesseract reads best).
    enum class Preparation { none, full };

    // The picture's lines in reading order; none for an invalid picture or
    // when recognition fails.
    std::vector<OCRLine> read(const Image& image, Preparation preparation = Preparation::full);

private:
    std::vector<EngineLine> readStack(const Stacked& stacked);

    std::unique_ptr<tesseract::TessBaseAPI> api_;
};

}  // namespace kestrove
