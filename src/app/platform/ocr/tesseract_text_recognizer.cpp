#include "app/platform/ocr/tesseract_text_recognizer.hpp"

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>

#include "app/platform/ocr/tesseract_engine.hpp"
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
    : deliver_(std::move(deliver)), warmUpSample_(std::move(warmUpSample)) {
    const int count = std::max(workers, 1);
    for (int i = 0; i < count; ++i) workers_.emplace_back([this] { work(); });
}

TesseractTextRecognizer::~TesseractTextRecognizer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    for (auto& t : workers_) t.join();
}

void TesseractTextRecognizer::post(Job job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void TesseractTextRecognizer::work() {
    Engines engines;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job(engines);
    }
}

void TesseractTextRecognizer::recognize(Image image, bool languageCorrection, Done done) {
    post([this, image = std::move(image), languageCorrection, done = std::move(done)](Engines& engines) mutable {
        std::vector<OCRLine> lines;
        try {
            lines = engines.get(languageCorrection).read(image);
        } catch (const std::exception&) {
            lines.clear();  // a failed recognition reads as nothing
        }
        deliver_([done = std::move(done), lines = std::move(lines)]() mutable { done(std::move(lines)); });
    });
}

void TesseractTextRecognizer::warmUp() {
    post([this](Engines& engines) {
        const auto start = std::chrono::steady_clock::now();
        try {
            const Image sample = warmUpSample_ ? warmUpSample_() : Image();
            if (!sample.isValid()) return;
            engines.get(false).read(sample);
        } catch (const std::exception&) {
            return;
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (auto message = warmUpLogMessage(elapsed.count())) logLine(*message);
    });
}

}  // namespace kestrove
