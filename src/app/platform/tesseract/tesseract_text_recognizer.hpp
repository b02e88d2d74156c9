#pragma once
// Text recognition on worker threads, each with its own Tesseract engines
// (one with the language's dictionaries, one without), made on first use and
// kept for the life of the recogniser.

#include <functional>
#include <optional>
#include <string>

#include "app/platform/text_recognizer.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

// The log message of a warm-up that took `seconds`; only a slow one is told.
std::optional<std::string> warmUpLogMessage(double seconds);

class TesseractTextRecognizer final : public TextRecognizer {
public:
    // `deliver` posts each answer to the thread that wants it (the main
    // thread); `warmUpSample` draws the warm-up picture on a worker.
    TesseractTextRecognizer(Executor deliver, std::function<Image()> warmUpSample, int workers = 2);
    // Waits for the recognitions in progress; queued ones are dropped
    // without an answer.
    ~TesseractTextRecognizer() override;

    Pending recognize(const std::string& owner, SharedImage image, bool languageCorrection, Done done) override;
    void forget(const std::string& owner) override;
    void warmUp() override;

private:
    class Engines;

    std::function<Image()> warmUpSample_;
    WorkQueue<Engines> queue_;
};

}  // namespace kestrove
