// Direct reading beside the picture: the window's text read through the
// accessibility tree on every tick, judged by a DirectDecider, barking with a
// fresh crop as proof and keeping the watch alive while the picture is lost.
// A reader comes with the watch or is adopted once a candidate session reads
// what the picture reads.
#include "app/engine/watch_runner.hpp"

#include "core/rules/evaluation.hpp"
#include "core/windows/direct_agreement.hpp"

namespace kestrove {

void WatchRunner::directRead(const DirectAnswer& answer) {
    direct_.listed = answer.window();
    // Whatever a newcomer under the closed window's id shows is not read.
    const bool closed = windowClosed(direct_.listed);
    const DirectDecider::Step step =
        direct_.decider->take(closed ? DirectAnswer::noAnswer(DirectSilence::windowGone) : answer);
    direct_.counted = step.counted;
    if (step.counted && spec_.type == WatchType::numberCompare && step.evaluation && step.evaluation->readable)
        if (!tell(&RunnerHost::runnerDidRead, step.evaluation->display, step.evaluation->value)) return;
    if (!updateSight()) return;
    if (step.fired) return barkFromTheDirectReader(step.evaluation, [this] { pictureIfDue(); });
    pictureIfDue();
}

void WatchRunner::barkFromTheDirectReader(std::optional<Evaluation> evaluation, Next next) {
    // One event, one bark: the picture gates re-arm only at a reading that
    // is not met.
    picture_.gate.markFired();
    picture_.settled.markFired();
    if (spec_.mode == WatchMode::everyTime && spec_.type == WatchType::newLine) {
        // The next picture reading is recognised and becomes the baseline.
        picture_.freshLines = true;
        picture_.lastEvaluation.reset();
    }
    if (sight_.lost) return decideDirectBark(nullptr, std::move(evaluation), std::move(next));
    takeProof([this, evaluation, next](SharedImage proof) {
        decideDirectBark(std::move(proof), evaluation, next);
    });
}

void WatchRunner::takeProof(std::function<void(SharedImage)> done) {
    lookForWindow([this, done](WindowSeen seen) {
        if (seen == WindowSeen::offScreen || seen == WindowSeen::closed) return done(nullptr);
        step_ = services_.platform.capturer->capture(spec_.id, spec_.region, [this, seen, done](CapturedBox captured) {
            // A failed proof changes nothing: sight is the picture check's.
            if (!captured.ok()) return done(nullptr);
            BoxShot& shot = captured.value();
            if (!shot.grid) return done(nullptr);
            if (seen == WindowSeen::unlisted && WindowTracking::cannotSee(false, *shot.grid, picture_.lastGrid))
                return done(nullptr);
            auto picture = std::make_shared<const Image>(std::move(shot.image));
            if (!tell(&RunnerHost::publishPicture, picture)) return;
            done(std::move(picture));
        });
    });
}

// The one place where a firing of the direct reader becomes a bark. A firing
// that rests on text being absent is believed only when the picture agrees:
// a direct reading can lose text that is still on screen (a widened window,
// a toolkit that stopped placing it), the picture cannot. No picture, no bark.
void WatchRunner::decideDirectBark(SharedImage proof, std::optional<Evaluation> evaluation, Next next) {
    auto bark = [this, next](SharedImage picture, std::optional<Evaluation> met) {
        if (!tell(&RunnerHost::runnerDidBark, std::move(picture), std::move(met))) return;
        next();
    };
    if (!direct_.decider || !direct_.decider->needsPicture()) {
        if (proof && evaluation && spec_.type == WatchType::numberCompare)
            return barkWithTheNumberShown(std::move(proof), std::move(*evaluation), std::move(next));
        return bark(std::move(proof), std::move(evaluation));
    }
    if (!proof) {
        direct_.decider->confirm(std::nullopt);
        return next();
    }
    step_ = services_.platform.recognizer->recognize(
        spec_.id, proof, readWithLanguageCorrection(spec_.type),
        [this, bark, next, proof, evaluation = std::move(evaluation)](std::vector<OCRLine> lines) mutable {
            if (!direct_.decider->confirm(lines)) return next();
            bark(std::move(proof), std::move(evaluation));
        });
}

// A number read directly may have moved on, or not yet be painted, when the
// proof is taken: the bark says the number its picture shows when that
// meets the rule too, so its "Read" and its picture agree. A picture that
// does not show it (unreadable, not yet painted) keeps the direct reading.
void WatchRunner::barkWithTheNumberShown(SharedImage proof, Evaluation evaluation, Next next) {
    step_ = services_.platform.recognizer->recognize(
        spec_.id, proof, /*languageCorrection=*/false,
        [this, next, proof, evaluation = std::move(evaluation)](std::vector<OCRLine> lines) mutable {
            Evaluation shown = LocalCompiler::evaluate(spec_, lines);
            if (shown.met && shown.readable) evaluation = std::move(shown);
            if (!tell(&RunnerHost::runnerDidBark, std::move(proof), std::optional<Evaluation>(std::move(evaluation))))
                return;
            next();
        });
}

void WatchRunner::candidateRead(Next then) {
    direct_.adoptionTried = true;
    auto read = [this, then] {
        step_ = direct_.pendingSession->read([this, then](DirectAnswer answer) {
            direct_.pendingAnswer = std::move(answer);
            then();
        });
    };
    if (direct_.pendingSession) return read();
    // A session that cannot be opened now is tried again at the next such check.
    step_ = services_.platform.direct->open(spec_.region, [this, then, read](std::shared_ptr<DirectSession> session) {
        direct_.pendingSession = std::move(session);
        if (direct_.pendingSession) return read();
        direct_.pendingAnswer.reset();
        then();
    });
}

void WatchRunner::tryToAdopt(const std::vector<OCRLine>& pictureLines, Next then) {
    const std::vector<OCRLine>* direct = direct_.pendingAnswer ? direct_.pendingAnswer->lines() : nullptr;
    if (!direct_.pending || !direct_.pendingSession || !direct) return then();
    // Readings that differ leave the runner pending; a later check tries again.
    if (!DirectAgreement::check(spec_, pictureLines, *direct).agrees()) return then();
    step_ = direct_.pendingSession->adopt([this, lines = *direct, then] {
        direct_.session = std::move(direct_.pendingSession);
        direct_.decider.emplace(spec_, lines, startedArmed_);
        direct_.pending = false;
        direct_.pendingAnswer.reset();
        then();
    });
}

}  // namespace kestrove
