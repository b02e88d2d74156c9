#include "app/platform/tesseract/tesseract_text_recognizer.hpp"

#include <algorithm>
#include <chrono>
#include <memory>

#include "app/platform/tesseract/tesseract_engine.hpp"
#include "core/foundation/log.hpp"
#include "core/foundation/text.hpp"

namespace kestrove {

std::optional<std::string> warmUpLogMessage(double seconds) {
    if (!(seconds > 3.0)) return std::nullopt;
    return "text recognition warmed up in " + text::formatDecimal(seconds, 1, 1, false) + " s";
}

// The engines of one worker thread.
class TesseractTextRecognizer::Engines {
public:
    TesseractEngine& get(bool languageCorrection) {
        auto& engine = languageCorrection ? withDictionaries_ : withoutDictionaries_;
        if (!engine) engine = std::make_unique<TesseractEngine>(languageCorrection);
        return *engine;
    }

private:
    std::unique_ptr<TesseractEngine> withDictionaries_;
    std::unique_ptr<TesseractEngine> withoutDictionaries_;
};

TesseractTextRecognizer::TesseractTextRecognizer(Executor deliver, std::function<Image()> warmUpSample, int workers)
    : warmUpSample_(std::move(warmUpSample)),
      queue_("text recognition", std::max(workers, 1), std::move(deliver), [] { return std::make_unique<Engines>(); }) {}

TesseractTextRecognizer::~TesseractTextRecognizer() = default;

Pending TesseractTextRecognizer::recognize(const std::string& owner, SharedImage image, bool languageCorrection,
                                           Done done) {
    return queue_.post(
        {owner, "recognize"},
        [image = std::move(image), languageCorrection](Engines& engines) {
            if (!image) return std::vector<OCRLine>{};
            return engines.get(languageCorrection).read(*image);
        },
        std::vector<OCRLine>{}, std::move(done));  // a failed recognition reads as nothing
}

void TesseractTextRecognizer::forget(const std::string& owner) { queue_.drop(owner); }

void TesseractTextRecognizer::warmUp() {
    queue_.run({"", "warm-up"}, [sample = warmUpSample_](Engines& engines) {
        const auto start = std::chrono::steady_clock::now();
        const Image picture = sample ? sample() : Image();
        if (!picture.isValid()) return;
        engines.get(false).read(picture);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (auto message = warmUpLogMessage(elapsed.count())) logLine(*message);
    });
}

}  // namespace kestrove
