#pragma once
// Text recognition on worker threads, each with its own Tesseract engines
// (one with the language's dictionaries, one without), made on first use and
// kept for the life of the recogniser.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/platform/text_recognizer.hpp"
#include "core/foundation/executor.hpp"

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

    void recognize(Image image, bool languageCorrection, Done done) override;
    void warmUp() override;

private:
    class Engines;
    using Job = std::function<void(Engines&)>;

    void post(Job job);
    void work();

    Executor deliver_;
    std::function<Image()> warmUpSample_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace kestrove
