// The ticks of one round of the comparison run: the story shown step by
// step, every box read directly and then by picture, each rule fed both, and
// the round's barks, times and sight summed up.

#include <array>

#include "app/dev/ax_await.hpp"
#include "app/dev/ax_rules.hpp"
#include "app/dev/ax_run.hpp"
#include "core/copy/copy_status.hpp"

namespace kestrove::DevAX {

namespace {

constexpr int ticksPerRound = 8;

// What the stage shows at each tick, for the reader of the report.
constexpr std::array<const char*, ticksPerRound> storyAt{
    "as at set-up",
    "counter 20, 55 %, the log gets a new line",
    "counter 28, 80 %, the price drops to \u20ac189.00",
    "counter 36, 95 %",
    "counter 40, \"Export complete\"",
    "nothing",
    "nothing",
    "nothing",
};

std::string padLeft(std::string s, std::size_t width) {
    return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
}

std::string verdict(const std::optional<BarkRecord>& picture, const std::optional<BarkRecord>& direct) {
    if (!picture && !direct) return "NEVER BARKS";
    if (picture && direct && picture->tick == direct->tick)
        return std::string("t") + std::to_string(picture->tick) + ", both at once";
    const bool pictureFirst = picture && (!direct || picture->seconds <= direct->seconds);
    const BarkRecord& first = pictureFirst ? *picture : *direct;
    return std::string("t") + std::to_string(first.tick) + ", from the " + (pictureFirst ? "picture" : "direct reader") + " alone";
}

}  // namespace

QCoro::Task<bool> ComparisonRun::ticks() {
    Round r;
    r.start = Clock::now();
    remote_.send("show 0");
    co_await pause(tick_);
    for (;;) {
        co_await tickOf(r, std::chrono::duration<double>(Clock::now() - r.start).count());
        if (!remote_.running()) co_return false;
        if (r.tick >= ticksPerRound) break;
        remote_.send("show " + std::to_string(r.tick));
        ++r.tick;
        co_await pause(tick_);
    }
    summary(r);
    co_return true;
}

QCoro::Task<> ComparisonRun::tickOf(Round& r, double elapsed) {
    report_.add("  t" + std::to_string(r.tick) + " +" + padLeft(fixed(elapsed, 1), 4) + " s  [" +
                storyAt[r.tick - 1] + "]");
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        Box& box = boxes_[i];
        const auto [answer, directMS] = co_await readTimed(*box.session);
        const PictureLook look = co_await readPicture(p_, box, false);
        r.direct.push_back(directMS);
        if (!look.lost) {
            (look.recognized ? r.recognized : r.plain).push_back(look.ms);
        } else {
            ++r.unseen;
            ++(answer.counts() ? r.keptByDirect : r.lostByBoth);
        }
        const std::string picture = look.lost         ? "CANNOT SEE the window"
                                    : look.recognized ? show(box.lines.value_or(std::vector<OCRLine>{}))
                                                      : "=";
        report_.add("       " + pad(box.name, 8) + " picture " + pad(picture, 52) + " " + pad(ms(look.ms) + " ms", 8) +
                    " direct " + pad(show(answer), 52) + " " + ms(directMS) + " ms");
        for (Rule& rule : rules_)
            if (rule.box == i) feedRule(rule, box, look, answer, r.tick, elapsed);
    }
}

void ComparisonRun::summary(const Round& r) {
    report_.add("Barks (the tick at which each reader had its rule met twice in a row; the watch barks at the "
                "earlier one):");
    report_.add("  " + pad("sentence", 32) + pad("picture", 34) + pad("direct", 34) + "the watch");
    for (const Rule& rule : rules_)
        report_.add("  " + pad(rule.sentence, 32) + pad(when(rule.pictureBark), 34) +
                    pad(rule.adopted ? when(rule.directBark) : "not adopted", 34) +
                    verdict(rule.pictureBark, rule.directBark));
    report_.add("Times: picture without Tesseract median " + ms(median(r.plain)) + " ms (" +
                std::to_string(r.plain.size()) + " looks), with it median " + ms(median(r.recognized)) +
                " ms, slowest " + ms(largest(r.recognized)) + " ms (" + std::to_string(r.recognized.size()) +
                " looks) \u00b7 direct median " + ms(median(r.direct)) + " ms, slowest " + ms(largest(r.direct)) +
                " ms (" + std::to_string(r.direct.size()) + " reads)");
    const std::string tag = Copy::tag(WatchStatus::watching, 5, std::nullopt, false, std::nullopt, true);
    report_.add("Sight: of " + std::to_string(boxes_.size() * ticksPerRound) +
                " looks the picture could not see the box in " + std::to_string(r.unseen) +
                "; the direct reader still read it in " + std::to_string(r.keptByDirect) + " of those (tag: \"" +
                tag + "\"); lost by both: " + std::to_string(r.lostByBoth) + ".");
}

}  // namespace kestrove::DevAX
