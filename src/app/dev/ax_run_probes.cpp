// After the rounds: a direct reader that has no answer must never be taken
// for one that read no text (section 5), and which programs on the desktop
// are built on Chromium (section 6).

#include <algorithm>
#include <set>

#include "app/dev/ax_await.hpp"
#include "app/dev/ax_run.hpp"
#include "core/foundation/raw_value.hpp"
#include "core/rules/local_compiler.hpp"

namespace kestrove::DevAX {

namespace {

// A window id no X server hands out to a client soon.
constexpr std::uint32_t absentWindow = 4000000000u;

std::string row(const std::string& name, const ChromiumDetection::Verdict& v) {
    using C = ChromiumDetection::Confidence;
    const std::string kind = v.isChromium ? "Chromium" : v.confidence == C::unknown ? "unknown" : "not Chromium";
    return "  " + pad(name, 28) + pad(kind, 14) + pad(std::string(rawValue(v.confidence)), 9) +
           pad(v.onScreenOnly() ? "on screen only" : "every window state", 20) + v.why;
}

}  // namespace

QCoro::Task<> ComparisonRun::silent(const std::string& label, DirectSession& session, int reads) {
    std::optional<DirectDecider> decider;
    if (goneRule_) decider.emplace(*goneRule_, goneBaseline_, true);
    std::string texts;
    double slowest = 0;
    bool counted = false, barked = false;
    for (int i = 0; i < reads; ++i) {
        const auto [answer, took] = co_await readTimed(session);
        texts += (i ? " \u00b7 " : "") + show(answer);
        slowest = std::max(slowest, took);
        if (decider) {
            const DirectDecider::Step step = decider->take(answer);
            counted = counted || step.counted;
            barked = barked || step.fired;
        }
    }
    report_.add("  " + label);
    report_.add("      " + std::to_string(reads) + " reads \u2192 " + texts + " (slowest " + ms(slowest) +
                " ms) \u00b7 counted: " + (counted ? "YES" : "no") + " \u00b7 barked: " + (barked ? "YES" : "no"));
}

QCoro::Task<bool> ComparisonRun::probes() {
    report_.add("");
    report_.add("== 5. No answer is never \"the text is gone\" ==");
    report_.add("The test window is minimized and says \"Export complete\": \"Exporting\" really is gone. A reader "
                "that took any of the");
    report_.add("following for an answer would bark for \"\\\"Exporting\\\" is gone\"; one that has no answer must "
                "not.");
    const Box& status = statusBox();
    goneBaseline_ = {OCRLine{"Exporting\u2026 30%", NormRect::full(), 1.0}};
    const CompileOutcome outcome =
        LocalCompiler::compile("\"Exporting\" is gone", BaselineReading(goneBaseline_), status.region, std::nullopt,
                               WatchSpec::makeID(), std::chrono::system_clock::now());
    if (const auto* c = outcome.as<CompileOutcome::Confirm>()) {
        goneRule_ = c->spec;
        goneRule_->direct = DirectInfo{false};
    }
    const WindowAnchor anchor = *status.region.window;
    const Size size = status.region.size();

    co_await silent("control: the minimized test window as it is (an app that is not Chromium counts in every "
                    "state)",
                    *freshSession(anchor, size, pid_, verdict_), 3);
    WindowAnchor elsewhere = anchor;
    elsewhere.id = absentWindow;
    co_await silent("a window id that does not exist (" + std::to_string(absentWindow) +
                        "), in the running test process",
                    *freshSession(elsewhere, size, pid_, verdict_), 3);
    const std::int32_t nobody = absentProcess();
    co_await silent("a process that does not exist (pid " + std::to_string(nobody) + ")",
                    *freshSession(anchor, size, nobody, verdict_), 3);
    const auto chrome = ChromiumDetection::verdict("com.google.Chrome", std::nullopt, {});
    co_await silent("the minimized test window, treated as a Chromium app's (its answers count only while on "
                    "screen)",
                    *freshSession(anchor, size, pid_, chrome), 3);
    WindowAnchor outside = anchor;
    outside.x = anchor.windowW - 40;
    co_await silent("a box that no longer lies inside the window (as after a resize)",
                    *freshSession(outside, size, pid_, verdict_), 3);

    const auto hung = freshSession(anchor, size, pid_, verdict_);
    co_await readTimed(*hung);
    remote_.stop();
    co_await pause(0.3);
    co_await silent("an app that hangs (the test process is stopped; the timeout on every call is 1 s)", *hung, 2);

    remote_.resume();
    co_await pause(0.5);
    const auto [after, took] = co_await readTimed(*hung);
    report_.add("      continued, the next read \u2192 " + show(after) + " in " + ms(took) + " ms");
    remote_.send("close");
    co_await pause(1.0);
    co_await silent("the test window after it was closed (the process still runs)", *status.session, 3);

    const ChromiumDetection::Verdict stage = co_await chromium(p_, pid_);
    if (!remote_.running()) co_return false;
    co_await remote_.end();
    co_await pause(0.8);
    co_await silent("after the test process has ended", *status.session, 3);
    co_await survey(stage);
    co_return true;
}

QCoro::Task<> ComparisonRun::survey(const ChromiumDetection::Verdict& stage) {
    report_.add("");
    report_.add("== 6. Is it built on Chromium? Every app that owns a normal window now, by the pid in the window "
                "list, from /proc ==");
    report_.add("(Nothing is asked of the apps: their app id, the libraries they map and the files beside them, "
                "and their helper processes.)");
    const auto all = co_await listWindows(p_, WindowListOptions::all);
    std::set<std::int32_t> seen;
    std::set<std::string> rows;  // sorted, each text once
    for (const WindowInfo& w : all) {
        if (w.layer != 0 || w.isOwn || w.ownerPID <= 0 || !seen.insert(w.ownerPID).second) continue;
        const std::string name = w.app.empty() ? "pid " + std::to_string(w.ownerPID) : w.app;
        rows.insert(row(name, co_await chromium(p_, w.ownerPID)));
    }
    for (const std::string& r : rows) report_.add(r);
    report_.add(row("(the test process)", stage));
}

}  // namespace kestrove::DevAX
