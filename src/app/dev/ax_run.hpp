#pragma once
// The comparison run of the accessibility check: the test stage in a process
// of its own, four boxes on it read by picture and directly through a fixed
// story in four window states (shown, covered, hidden, minimised), the
// direct reader's failures probed one by one, and which programs on the
// desktop are built on Chromium.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <qcoro/qcorotask.h>

#include "app/dev/ax_reads.hpp"
#include "app/dev/ax_report.hpp"
#include "app/dev/remote.hpp"
#include "app/platform/screen_space.hpp"

namespace kestrove::DevAX {

class ComparisonRun {
public:
    ComparisonRun(Platform& platform, std::string folder);
    // The exit code, once the report is written and the stage has ended.
    QCoro::Task<int> run();

private:
    using Clock = std::chrono::steady_clock;

    // What one round's ticks gathered.
    struct Round {
        int tick = 1;
        Clock::time_point start;
        std::vector<double> plain, recognized, direct;  // picture reads without and with Tesseract; direct reads
        int unseen = 0, keptByDirect = 0, lostByBoth = 0;
    };

    QCoro::Task<int> ended(int code, std::string message);
    // The stage ended on its own, or was ended from outside, before the run was over.
    QCoro::Task<int> stageGone();
    QCoro::Task<bool> findWindow();
    QCoro::Task<> coldStart();
    QCoro::Task<> setUp(int round);
    QCoro::Task<> stateLine(int round);
    // False when the stage ended during the round: its ticks stop there.
    QCoro::Task<bool> ticks();
    QCoro::Task<> tickOf(Round& r, double elapsed);
    void summary(const Round& r);
    // False when the stage ended before the probes were done with it.
    QCoro::Task<bool> probes();
    QCoro::Task<> silent(const std::string& label, DirectSession& session, int reads);
    QCoro::Task<> survey(const ChromiumDetection::Verdict& stage);

    std::shared_ptr<DirectSession> freshSession(const WindowAnchor& anchor, Size size, std::int32_t pid,
                                                const ChromiumDetection::Verdict& verdict);
    Box& statusBox() { return boxes_.front(); }

    Platform& p_;
    Report report_;
    double tick_ = 2;
    Remote remote_;
    std::uint32_t windowID_ = 0;
    WindowInfo window_;  // as found at the start
    ScreenInfo screen_;
    std::int32_t pid_ = 0;
    ChromiumDetection::Verdict verdict_;
    std::vector<Box> boxes_;
    std::vector<Rule> rules_;  // this round's
    std::optional<WatchSpec> goneRule_;  // section 5's
    std::vector<OCRLine> goneBaseline_;
};

}  // namespace kestrove::DevAX
