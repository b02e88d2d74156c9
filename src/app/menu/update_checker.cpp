#include "app/menu/update_checker.hpp"

namespace kestrove {

UpdateChecker::UpdateChecker(EngineClock& clock, std::shared_ptr<CloudSession> session, Executor main,
                             std::optional<Url> feed, std::optional<std::int64_t> ownBuild)
    : clock_(clock), session_(std::move(session)), main_(std::move(main)), feed_(std::move(feed)),
      ownBuild_(ownBuild) {}

std::shared_ptr<CloudSession> UpdateChecker::feedSession() {
    return CloudSession::make({timeout, 1u << 20});
}

std::vector<std::string> UpdateChecker::requestHeaders() {
    return {"User-Agent: Kestrove", "Accept-Language: en", "Accept: application/json"};
}

void UpdateChecker::start() {
    if (started_ || !canLook()) return;
    started_ = true;
    scheduleTick();
    launch_ = clock_.after(std::chrono::seconds(static_cast<int>(UpdateCheck::launchDelay)), [this] { lookIfDue(); });
}

void UpdateChecker::scheduleTick() {
    tick_ = clock_.after(tick, [this] {
        lookIfDue();
        scheduleTick();
    });
}

void UpdateChecker::lookIfDue() {
    if (!UpdateCheck::isDue(lastLook_, clock_.wallNow())) return;
    // An automatic look only ever brings news of a release, never a passing note.
    automatic_ = look([this](UpdateCheck::Outcome outcome) {
        if (outcome.kind == UpdateCheck::Outcome::Kind::newer && outcome.release) show(*outcome.release);
    });
}

Pending UpdateChecker::look(std::function<void(UpdateCheck::Outcome)> done) {
    lastLook_ = clock_.wallNow();  // a failed look counts as a look too
    const std::optional<std::int64_t> own = ownBuild_;
    return session_->get(*feed_, requestHeaders(), main_, [own, done = std::move(done)](CloudSession::Outcome o) {
        // A transport failure or time-out has neither body nor status: unknown.
        const HttpAnswer* answer = o ? &o.value() : nullptr;
        UpdateCheck::Outcome outcome =
            UpdateCheck::outcome(answer ? std::optional<std::string_view>(answer->body) : std::nullopt,
                                 answer ? std::optional<int>(answer->status) : std::nullopt, own);
        return std::function<void()>([done, outcome = std::move(outcome)] { done(outcome); });
    });
}

void UpdateChecker::checkNow() {
    if (note_.kind == Note::Kind::checking) return;
    if (!canLook()) {
        // Nothing to ask or compare with: say so rather than guess, and
        // offer no retry that could never work.
        say(found_ ? Note::out(*found_) : Note::notSetUp());
        return;
    }
    fading_.cancel();
    setNote(Note::checking());
    manual_ = look([this](UpdateCheck::Outcome outcome) {
        switch (outcome.kind) {
        case UpdateCheck::Outcome::Kind::newer:
            if (outcome.release) show(*outcome.release);
            break;
        case UpdateCheck::Outcome::Kind::upToDate: say(Note::upToDate()); break;
        case UpdateCheck::Outcome::Kind::unknown: say(found_ ? Note::out(*found_) : Note::unknown()); break;
        }
    });
}

void UpdateChecker::show(Release release) {
    fading_.cancel();
    found_ = release;
    setNote(Note::out(std::move(release)));
}

void UpdateChecker::say(Note note) {
    setNote(note);
    if (note.kind != Note::Kind::upToDate && note.kind != Note::Kind::unknown && note.kind != Note::Kind::notSetUp) return;
    fading_ = clock_.after(fadeAfter, [this, said = std::move(note)] {
        if (note_ == said) setNote(found_ ? Note::out(*found_) : Note::none());
    });
}

void UpdateChecker::setNote(Note note) {
    if (note == note_) return;
    note_ = std::move(note);
    if (onChange_) onChange_();
}

}  // namespace kestrove
