#pragma once
// The two timed reads of the accessibility check, on the application's own
// readers: a box's picture (capture, pixel change test, Tesseract only when
// the pixels changed) and a box's direct reading (the AT-SPI walk), and the
// state each box and each sentence carries between reads.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <qcoro/qcorotask.h>

#include "app/dev/ax_text.hpp"
#include "app/platform/platform.hpp"
#include "core/picture/pixel_diff.hpp"
#include "core/watch/runtime.hpp"
#include "core/windows/direct_decider.hpp"

namespace kestrove::DevAX {

// One watched box of the check.
struct Box {
    std::string name;
    WatchRegion region;  // bound to a window
    bool numbers = false;  // read without language correction
    std::shared_ptr<DirectSession> session;
    std::optional<DiffGrid> lastGrid;  // the reference of the next change test
    std::optional<std::vector<OCRLine>> lines;  // of the last picture recognised
    bool pictureLost = false;
};

// One sentence with the state of both readers.
struct Rule {
    Rule(std::string sentence, std::size_t box) : sentence(std::move(sentence)), box(box) {}

    std::string sentence;
    std::size_t box = 0;
    std::optional<WatchSpec> spec;  // none when it did not compile
    std::string agreement = "-";
    bool adopted = false;
    TriggerGate gate{2, true};
    SettledGate settled{2, true};
    std::vector<std::string> baselineLines;
    std::optional<BarkRecord> pictureBark;
    std::optional<DirectDecider> decider;
    std::optional<BarkRecord> directBark;
};

// One timed picture read.
struct PictureLook {
    std::optional<std::vector<OCRLine>> lines;  // none when the box could not be seen
    bool changed = false;     // the pixels changed (always for a box's first picture)
    bool recognized = false;  // Tesseract read this picture; else the lines are the last ones
    bool lost = false;
    double ms = 0;
};

// The set-up reading of a box: its picture's lines and the direct read taken
// between capture and recognition, each with its own time.
struct SetUpReading {
    std::vector<OCRLine> lines;
    double ms = 0;
    DirectAnswer direct = DirectAnswer::noAnswer(DirectSilence::failed);
    double directMS = 0;
};

// The picture of the box. Tesseract runs when `force` is set, when the pixels
// changed, after a look that lost the box, or the first time.
QCoro::Task<PictureLook> readPicture(Platform& platform, Box& box, bool force);

QCoro::Task<SetUpReading> setUpRead(Platform& platform, Box& box);

// The platform's calls, awaited.
QCoro::Task<CapturedBox> capture(Platform& platform, const WatchRegion& region);
QCoro::Task<std::vector<OCRLine>> recognize(Platform& platform, Image image, bool languageCorrection);
// An empty list when there is no window list to ask.
QCoro::Task<std::vector<WindowInfo>> listWindows(Platform& platform, WindowListOptions options);
QCoro::Task<std::pair<DirectAnswer, double>> readTimed(DirectSession& session);
QCoro::Task<> adopt(DirectSession& session);
QCoro::Task<ChromiumDetection::Verdict> chromium(Platform& platform, std::int32_t pid);

}  // namespace kestrove::DevAX
