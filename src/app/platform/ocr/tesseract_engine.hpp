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

class TesseractEngine {
public:
    // Without language correction the model runs without its dictionaries.
    explicit TesseractEngine(bool languageCorrection);
    ~TesseractEngine();
    TesseractEngine(const TesseractEngine&) = delete;
    TesseractEngine& operator=(const TesseractEngine&) = delete;

    // False when the English model could not be loaded; read gives nothing then.
    bool ready() const { return api_ != nullptr; }

    // The picture's lines in reading order; none for an invalid picture or
    // when recognition fails.
    std::vector<OCRLine> read(const Image& image);

private:
    std::unique_ptr<tesseract::TessBaseAPI> api_;
};

}  // namespace kestrove
