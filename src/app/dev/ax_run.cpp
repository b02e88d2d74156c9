#include "app/dev/ax_run.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "app/dev/ax_await.hpp"
#include "app/dev/ax_rules.hpp"
#include "app/dev/dev_files.hpp"
#include "app/dev/devax.hpp"
#include "app/dev/stage_script.hpp"
#include "core/copy/copy_card.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove::DevAX {

namespace {

struct BoxRow {
    const char* name;
    double x, y, w, h;
    bool numbers;
};
// In the stage's client area: the status line (with the progress bar), the
// price, the frame counter and the three log lines.
constexpr std::array<BoxRow, 4> boxTable{{
    {"status", 14, 52, 412, 60, false},
    {"price", 14, 122, 412, 48, true},
    {"counter", 14, 10, 412, 38, true},
    {"log", 14, 180, 412, 96, false},
}};

struct SentenceRow {
    const char* sentence;
    std::size_t box;
};
constexpr std::array<SentenceRow, 6> sentenceTable{{
    {"\"Exporting\" is gone", 0},
    {"it says \"Export complete\"", 0},
    {"the export is done", 0},
    {"the price drops below 200", 1},
    {"the counter reaches 40", 2},
    {"a new line appears in the log", 3},
}};

struct StateRow {
    const char* state;
    const char* command;  // null: none
    double wait;
};
constexpr std::array<StateRow, 4> stateTable{{
    {"on screen", nullptr, 0},
    {"covered by another test window", "cover on", 1.0},
    {"not on screen: its app is hidden (all its windows unmapped)", "hide", 1.5},
    {"minimized", "minimize", 2.0},
}};

std::string boxDescription(const Box& b) {
    const WindowAnchor& a = *b.region.window;
    return b.name + " " + whole(b.region.w) + " \u00d7 " + whole(b.region.h) + " pt at " + whole(a.x) + ", " +
           whole(a.y) + " in the window";
}

const WindowInfo* findIn(const std::vector<WindowInfo>& list, std::uint32_t id) {
    const auto it = std::find_if(list.begin(), list.end(), [id](const WindowInfo& w) { return w.id == id; });
    return it == list.end() ? nullptr : &*it;
}

}  // namespace

ComparisonRun::ComparisonRun(Platform& platform, std::string folder)
    : p_(platform), report_{DevFiles::OutputFolder(std::move(folder)), {}} {}

std::shared_ptr<DirectSession> ComparisonRun::freshSession(const WindowAnchor& anchor, Size size, std::int32_t pid,
                                                           const ChromiumDetection::Verdict& verdict) {
    return p_.direct->session(anchor, size, pid, verdict);
}

QCoro::Task<int> ComparisonRun::ended(int code, std::string message) {
    report_.add(std::move(message));
    const int finished = report_.finish(code);
    co_await remote_.end();
    co_return finished;
}

QCoro::Task<int> ComparisonRun::run() {
    if (!report_.folder.prepare()) co_return DevFiles::cannotWrite;
    tick_ = tickLength(std::getenv("KESTROVE_AX_TICK"));
    report_.add("Kestrove --ax-check \u00b7 " + isoNow());
    Permissions allowed;
    allowed.accessibility = co_await accessibilityAllowed(p_);
    allowed.screen = co_await screenAllowed(p_);
    report_.add(permissionLine(allowed));
    if (!allowed.accessibility || !allowed.screen) {
        report_.add("Both permissions are needed. Nothing was read.");
        co_return report_.finish(permissionMissing);
    }

    const std::optional<std::uint32_t> id = co_await remote_.start();
    if (!id) co_return co_await ended(windowMissing, "The test window's process did not start.");
    windowID_ = *id;
    co_await pause(1.2);
    if (!co_await findWindow()) co_return co_await ended(windowMissing, "The test window is not in the window list.");

    co_await coldStart();
    for (int round = 0; round < static_cast<int>(stateTable.size()); ++round) {
        if (!remote_.running()) co_return co_await stageGone();
        co_await setUp(round);
        if (!remote_.running() || !co_await ticks()) co_return co_await stageGone();
        if (round == 1) remote_.send("cover off");
        if (round == 2) {
            remote_.send("unhide");
            co_await pause(1.5);
        }
    }
    if (!co_await probes()) co_return co_await stageGone();
    const int finished = report_.finish(complete);
    co_await remote_.end();
    co_return finished;
}

QCoro::Task<int> ComparisonRun::stageGone() {
    // Every reading after this would be of a window that no longer exists.
    co_return co_await ended(stageEnded, "The test window's process ended before the check was done (" +
                                             remote_.howEnded() + ").");
}

QCoro::Task<bool> ComparisonRun::findWindow() {
    const auto all = co_await listWindows(p_, WindowListOptions::all);
    const WindowInfo* found = findIn(all, windowID_);
    const auto screen = found ? ScreenSpace::screenFor(found->frame, p_.screens->screens()) : std::nullopt;
    if (!found || !screen) co_return false;
    window_ = *found;
    screen_ = *screen;
    pid_ = remote_.pid();
    verdict_ = ChromiumDetection::verdict(std::nullopt, std::vector<std::string>{}, {});

    const Rect& f = window_.frame;
    for (const BoxRow& row : boxTable) {
        const Rect onScreen{f.minX() + row.x, f.minY() + (f.height - stageHeight) + row.y, row.w, row.h};
        Box box;
        box.name = row.name;
        box.numbers = row.numbers;
        box.region = WatchRegion{screen_.displayID, 0, 0, row.w, row.h, screen_.scale,
                                 WindowTracking::anchor(onScreen, window_)};
        box.session = freshSession(*box.region.window, box.region.size(), pid_, verdict_);
        boxes_.push_back(std::move(box));
    }

    report_.add("Test window: id " + std::to_string(windowID_) + ", " + whole(f.width) + " \u00d7 " +
                whole(f.height) + " pt at " + whole(f.minX()) + ", " + whole(f.minY()) + ", scale " +
                real(screen_.scale) + ", a Qt window of another process (pid " + std::to_string(pid_) +
                ", this check's own)");
    std::string boxes;
    for (const Box& b : boxes_) boxes += (boxes.empty() ? "" : " \u00b7 ") + boxDescription(b);
    report_.add("Boxes: " + boxes);
    report_.add("Tick: " + real(tick_) +
                " s (the app's is 5 s). Readers, rules and gates are the app's own; the loop around them is "
                "this check's.");
    report_.add("Picture = XComposite capture of the window, cropped to the box, then Tesseract. Direct = AT-SPI "
                "walk from the window to the box.");
    co_return true;
}

QCoro::Task<> ComparisonRun::coldStart() {
    using std::chrono::duration;
    Box& status = statusBox();
    const auto t0 = Clock::now();
    CapturedBox picture = co_await capture(p_, status.region);
    const auto t1 = Clock::now();
    if (picture.ok()) co_await recognize(p_, std::move(picture.value().image), true);
    const auto t3 = Clock::now();
    const auto [answer, directMS] = co_await readTimed(*status.session);
    (void)answer;
    report_.add("Cold start, once per launch: first capture " + ms(duration<double, std::milli>(t1 - t0).count()) +
                " ms, first Tesseract read " + ms(duration<double, std::milli>(t3 - t1).count()) +
                " ms, first direct read " + ms(directMS) + " ms.");
}

QCoro::Task<> ComparisonRun::setUp(int round) {
    report_.add("");
    report_.add("== " + std::to_string(round + 1) + ". The window is " + stateTable[round].state + " ==");
    remote_.send("show 0");
    for (Box& b : boxes_) {
        b.session = freshSession(b.session->anchor(), b.session->size(), pid_, verdict_);
        b.lastGrid.reset();
        b.lines.reset();
        b.pictureLost = false;
    }
    co_await pause(0.8);

    rules_.clear();
    for (const SentenceRow& row : sentenceTable) rules_.emplace_back(row.sentence, row.box);
    report_.add("Set-up, window shown:");
    report_.add("  " + pad("sentence", 32) + pad("rule", 42) + pad("picture read", 34) + pad("ms", 5) +
                pad("direct read", 34) + pad("ms", 5) + "agree");
    std::vector<SetUpReading> readings;
    for (Box& b : boxes_) readings.push_back(co_await setUpRead(p_, b));

    for (Rule& rule : rules_) {
        const SetUpReading& r = readings[rule.box];
        const auto verdict = compileRule(rule, r.lines, r.direct, boxes_[rule.box].region, verdict_.onScreenOnly());
        if (!verdict) {
            report_.add("  " + pad(rule.sentence, 32) + "NOT COMPILED to a rule from what the picture read (" +
                        show(r.lines) + ")");
            continue;
        }
        rule.agreement = verdict->agrees() ? "yes" : "NO: " + *verdict->difference;
        report_.add("  " + pad(rule.sentence, 32) + pad(describe(*rule.spec), 42) + pad(show(r.lines), 34) +
                    pad(ms(r.ms), 5) + pad(show(r.direct), 34) + pad(ms(r.directMS), 5) + rule.agreement);
    }
    for (Box& b : boxes_) co_await adopt(*b.session);

    const auto first = std::find_if(rules_.begin(), rules_.end(), [](const Rule& r) { return r.adopted; });
    if (first != rules_.end())
        report_.add("  The card's quiet line: \"" + Copy::card(*first->spec).windowNote.value_or("-") + "\"");
    const auto [asked, withText] = statusBox().session->lastWalk();
    report_.add("  One walk for the status box: " + std::to_string(asked) + " elements asked, " +
                std::to_string(withText) + " with text under the box");
    co_await stateLine(round);
    report_.add("Ticks (what each reader read and how long it took; \"=\" the picture did not change, so "
                "Tesseract was not asked again):");
}

QCoro::Task<> ComparisonRun::stateLine(int round) {
    const StateRow& row = stateTable[round];
    if (!row.command) co_return;
    remote_.send(row.command);
    co_await pause(row.wait);
    const Box& status = statusBox();
    const Rect place = WindowTracking::box(*status.region.window, status.region.size(), window_.frame);
    auto coverer = [&](const std::vector<WindowInfo>& onScreen) {
        return WindowTracking::coverer(place, windowID_, onScreen, ScreenSpace::displays(p_.screens->screens()));
    };
    // The stage and the window manager act in their own time: on a busy
    // machine the state can take longer than the pause to show, and a round
    // read before it would not be the round it says it is.
    auto onScreen = co_await listWindows(p_, WindowListOptions::onScreenOnly);
    for (int waited = 0; waited < 80; ++waited) {
        const bool shows = round == 1 ? coverer(onScreen).has_value() : !findIn(onScreen, windowID_);
        if (shows) break;
        co_await pause(0.1);
        onScreen = co_await listWindows(p_, WindowListOptions::onScreenOnly);
    }
    if (round == 1) {
        const auto over = coverer(onScreen);
        std::string what = "NOTHING lies over the status box (the round below is then not a covered one)";
        if (over)
            what = "window " + std::to_string(over->id) + " of " + over->app + " (pid " +
                   std::to_string(over->ownerPID) +
                   (over->ownerPID == pid_ ? ", the test process" : ", NOT the test process") +
                   ") lies over the status box";
        report_.add("Covered: by the window list, " + what + ".");
        co_return;
    }
    const std::string listed = findIn(onScreen, windowID_) ? "STILL on screen" : "not on screen";
    report_.add(std::string(round == 2 ? "Hidden" : "Minimized") + ": the X server lists the window as " + listed +
                ".");
}

QCoro::Task<int> runCheck(Platform& platform, std::string folder) {
    ComparisonRun run(platform, std::move(folder));
    co_return co_await run.run();
}

}  // namespace kestrove::DevAX
