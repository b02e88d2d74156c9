// Follow mode of the accessibility check: one box of a real window of
// another program, read tick by tick by picture and directly, each reading
// fed to the rules of a page that shows an export in progress.

#include <algorithm>
#include <cstdlib>

#include "app/dev/ax_await.hpp"
#include "app/dev/ax_report.hpp"
#include "app/dev/dev_files.hpp"
#include "app/dev/ax_rules.hpp"
#include "app/dev/devax.hpp"
#include "core/copy/copy_card.hpp"
#include "core/foundation/raw_value.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove::DevAX {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int setUpAttempts = 8;

std::string barkCell(const std::optional<BarkRecord>& b) {
    if (!b) return "never";
    std::string out = "t" + std::to_string(b->tick) + " (+" + fixed(b->seconds, 0) + " s)";
    if (b->read) out += ", read " + *b->read;
    return out;
}

std::optional<std::string> setUpProblem(const SetUpReading& r) {
    if (show(r.lines).find("Exporting") == std::string::npos) return "the page shows no \"Exporting\" right now";
    if (!r.direct.counts()) return show(r.direct);
    return DirectAgreement::sameWords(r.lines, *r.direct.lines()).difference;
}

QCoro::Task<std::shared_ptr<DirectSession>> open(Platform& platform, const WatchRegion& region) {
    co_return co_await answer<std::shared_ptr<DirectSession>>(
        [&](auto done) { return platform.direct->open(region, std::move(done)); });
}

struct Followed {
    WindowInfo window;
    Box box;
};

// The window and its box with a direct session; none when either is
// missing (the report says which).
QCoro::Task<std::optional<Followed>> openBox(Platform& platform, std::uint32_t windowID, Rect box, Report& report) {
    const auto all = co_await listWindows(platform, WindowListOptions::all);
    const auto found = std::find_if(all.begin(), all.end(), [&](const WindowInfo& w) { return w.id == windowID; });
    const auto screen =
        found != all.end() ? ScreenSpace::screenFor(found->frame, platform.screens->screens()) : std::nullopt;
    if (!screen) {
        report.add("No window with that id.");
        co_return std::nullopt;
    }
    Followed f{*found, {}};
    const Rect global{f.window.frame.minX() + box.x, f.window.frame.minY() + box.y, box.width, box.height};
    f.box.name = "box";
    f.box.region = WatchRegion{screen->displayID, 0, 0, box.width, box.height, screen->scale,
                               WindowTracking::anchor(global, f.window)};
    f.box.session = co_await open(platform, f.box.region);
    if (!f.box.session) {
        report.add("No direct reader for this window.");
        co_return std::nullopt;
    }
    co_return f;
}

void describeWindow(Report& report, const WindowInfo& window, const Rect& box,
                    const ChromiumDetection::Verdict& chromium) {
    report.add("Window: " + window.app + ", " + whole(window.frame.width) + " \u00d7 " +
               whole(window.frame.height) + " pt \u00b7 box " + whole(box.width) + " \u00d7 " + whole(box.height) +
               " pt at " + whole(box.x) + ", " + whole(box.y) + " in it");
    report.add(std::string("Chromium: ") + (chromium.isChromium ? "yes" : "no") + " (" +
               std::string(rawValue(chromium.confidence)) + ": " + chromium.why + ") \u2192 answers count " +
               (chromium.onScreenOnly() ? "only while the window is on screen" : "in every window state"));
}

// The set-up reading, tried again while the page shows no export or the two
// readings differ, and reported.
QCoro::Task<SetUpReading> setUp(Platform& platform, Box& b, Report& report) {
    // The first capture and recognition of the run happen here, before the set-up reads.
    co_await readPicture(platform, b, true);
    std::vector<std::string> reasons;
    SetUpReading reading = co_await setUpRead(platform, b);
    while (reasons.size() + 1 < setUpAttempts) {
        const auto problem = setUpProblem(reading);
        if (!problem) break;
        reasons.push_back(*problem);
        co_await pause(2);
        reading = co_await setUpRead(platform, b);
    }
    std::string head = "Set-up, attempt " + std::to_string(reasons.size() + 1);
    if (!reasons.empty()) {
        std::string why;
        for (const std::string& r : reasons) why += (why.empty() ? "" : " / ") + r;
        head += " (not adopted before, each time because: " + why + ")";
    }
    report.add(head + ":");
    report.add("  picture (" + ms(reading.ms) + " ms): " + show(reading.lines));
    report.add("  direct  (" + ms(reading.directMS) + " ms, " + std::to_string(b.session->lastWalk().first) +
               " elements asked): " + show(reading.direct));
    co_return reading;
}

// The export page's sentences, compiled from the set-up reading and reported.
std::vector<Rule> compileRules(const SetUpReading& reading, const Box& b, bool onScreenOnly, Report& report) {
    std::vector<Rule> rules;
    for (const char* s : {"\"Exporting\" is gone", "it says \"Export complete\"", "the export is done"})
        rules.emplace_back(s, 0);
    if (auto counter = counterSentence(reading.lines)) rules.emplace_back(*counter, 0);
    for (Rule& rule : rules) {
        const auto verdict = compileRule(rule, reading.lines, reading.direct, b.region, onScreenOnly);
        if (!verdict) {
            report.add("  " + pad(rule.sentence, 32) + "not compiled to a rule from what the picture read");
            continue;
        }
        const std::string agree = verdict->agrees() ? "agree: yes" : "agree: NO (" + *verdict->difference + ")";
        const std::string adoption =
            rule.adopted ? " \u00b7 \"" + Copy::card(*rule.spec).windowNote.value_or("") + "\"" : " \u00b7 stays picture-only";
        report.add("  " + pad(rule.sentence, 32) + pad(describe(*rule.spec), 42) + agree + adoption);
    }
    return rules;
}

// What the ticks gathered for the closing lines.
struct Tally {
    std::vector<double> pictureTimes;
    std::vector<double> directTimes;
    int both = 0;  // ticks where both readers read
    int same = 0;  // of those, ticks where their words were the same
};

// One row per tick, each reading fed to every rule, until `seconds` have passed.
QCoro::Task<Tally> followTicks(Platform& platform, Box& b, std::vector<Rule>& rules, std::uint32_t windowID,
                               double tick, double seconds, Report& report) {
    Tally tally;
    const auto start = Clock::now();
    const auto since = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    for (int n = 1; since() < seconds; ++n) {
        co_await pause(tick);
        const auto [answer, directMS] = co_await readTimed(*b.session);
        const PictureLook look = co_await readPicture(platform, b, false);
        const double at = since();
        tally.directTimes.push_back(directMS);
        std::string words;
        if (!look.lost) {
            tally.pictureTimes.push_back(look.ms);
            if (look.recognized && b.lines && answer.counts()) {
                ++tally.both;
                const auto verdict = DirectAgreement::sameWords(*b.lines, *answer.lines());
                if (verdict.agrees()) ++tally.same;
                else words = " \u00b7 words differ: " + *verdict.difference;
            }
        }
        std::string barks;
        for (Rule& rule : rules) {
            const Fired fired = feedRule(rule, b, look, answer, n, at);
            if (fired.picture) barks += (barks.empty() ? "" : ", ") + ("PICTURE BARKS for " + rule.sentence);
            if (fired.direct) barks += (barks.empty() ? "" : ", ") + ("DIRECT BARKS for " + rule.sentence);
        }
        const auto onScreen = co_await listWindows(platform, WindowListOptions::onScreenOnly);
        const bool shown = std::any_of(onScreen.begin(), onScreen.end(), [&](const WindowInfo& w) { return w.id == windowID; });
        const std::string picture = look.lost ? "CANNOT SEE the window" : look.recognized ? brief(*b.lines) : "=";
        const std::string direct = answer.counts() ? brief(*answer.lines()) : show(answer);
        report.add("  " + clockTime() + " t" + pad(std::to_string(n), 3) + " " + (shown ? "on screen " : "off screen") +
                   " picture " + pad(picture, 50) + " " + pad(ms(look.ms), 5) + " direct " + pad(direct, 50) + " " +
                   pad(ms(directMS), 5) + words + (barks.empty() ? "" : " \u00b7 " + barks));
    }
    co_return tally;
}

void summarize(Report& report, const std::vector<Rule>& rules, const Tally& t) {
    report.add("Barks (the first of each; the rows above have every one, as an \"every time\" watch would bark):");
    for (const Rule& rule : rules)
        report.add("  " + pad(rule.sentence, 32) + "picture " + pad(barkCell(rule.pictureBark), 26) + "direct " +
                   (rule.adopted ? barkCell(rule.directBark) : "not adopted"));
    report.add("Words: in " + std::to_string(t.same) + " of " + std::to_string(t.both) +
               " ticks where both read, the two readings had the same words (they are taken about 0.1 s apart).");
    report.add("Times: picture median " + ms(median(t.pictureTimes)) + " ms, slowest " + ms(largest(t.pictureTimes)) +
               " ms \u00b7 direct median " + ms(median(t.directTimes)) + " ms, slowest " + ms(largest(t.directTimes)) +
               " ms");
}

}  // namespace

QCoro::Task<int> followCheck(Platform& platform, std::string folder, std::uint32_t windowID, Rect box,
                             double seconds) {
    Report report{DevFiles::OutputFolder(folder), {}};
    if (!report.folder.prepare()) co_return DevFiles::cannotWrite;
    const double tick = tickLength(std::getenv("KESTROVE_AX_TICK"));
    report.add("Kestrove --ax-check --window " + std::to_string(windowID) + " \u00b7 " + isoNow());
    if (!co_await accessibilityAllowed(platform) || !co_await screenAllowed(platform)) {
        report.add("Both permissions are needed. Nothing was read.");
        co_return report.finish(permissionMissing);
    }
    auto followed = co_await openBox(platform, windowID, box, report);
    if (!followed) co_return report.finish(windowMissing);
    Box& b = followed->box;
    const ChromiumDetection::Verdict& chromium = b.session->chromium();
    describeWindow(report, followed->window, box, chromium);

    const SetUpReading reading = co_await setUp(platform, b, report);
    std::vector<Rule> rules = compileRules(reading, b, chromium.onScreenOnly(), report);
    co_await adopt(*b.session);

    report.writeReady();
    report.add("Ticks every " + real(tick) + " s (\"=\" the picture did not change):");
    const Tally tally = co_await followTicks(platform, b, rules, windowID, tick, seconds, report);
    summarize(report, rules, tally);
    co_return report.finish(complete);
}

}  // namespace kestrove::DevAX
