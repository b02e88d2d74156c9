// Judging by the server's model, for the kinds only a model can judge: a
// baseline and the current picture go to the server, its verdicts go
// through the runner's debounce. Local Only, a server that is not set up,
// the pause of model checks and the server's requests to slow down or send
// smaller pictures are honoured; failures are counted before the user is told.
#include "app/engine/watch_runner.hpp"

#include "core/foundation/time_of_day.hpp"

namespace kestrove {

using namespace std::chrono_literals;

namespace {

constexpr auto holdOff = 30s;

bool is(const std::optional<WatchTrouble>& trouble, WatchTrouble::Kind kind) {
    return trouble && trouble->kind == kind;
}

}  // namespace

std::optional<std::string> WatchRunner::backAt(const ModelPause& pause) const {
    if (!pause.back) return std::nullopt;
    return TimeOfDay::shortTime(*pause.back);
}

bool WatchRunner::modelClient(std::optional<CloudClient>& client) {
    using Kind = WatchTrouble::Kind;
    client.reset();
    CloudSettings& cloud = host_.cloud();
    switch (cloud.availability()) {
        case CloudSettings::Availability::localOnly:
            return tell(&RunnerHost::runnerTrouble, WatchTrouble::localOnly());
        case CloudSettings::Availability::notSetUp:
            return tell(&RunnerHost::runnerTrouble, WatchTrouble::serverNotSetUp());
        case CloudSettings::Availability::ready:
            break;
    }
    const auto trouble = host_.trouble(spec_.id);
    if (is(trouble, Kind::localOnly) || is(trouble, Kind::serverNotSetUp))
        if (!tell(&RunnerHost::runnerTrouble, std::nullopt)) return false;
    if (const auto pause = cloud.modelPause(services_.clock.wallNow()))
        return tell(&RunnerHost::runnerTrouble, WatchTrouble::modelChecksUsedUp(backAt(*pause)));
    if (is(host_.trouble(spec_.id), Kind::modelChecksUsedUp))
        if (!tell(&RunnerHost::runnerTrouble, std::nullopt)) return false;
    client = cloud.client(services_.cloudSession);
    return true;
}

void WatchRunner::askTheModel(ShotRef shot, Next next) {
    if (shot->changed) model_.needsJudging = true;
    // New items every time: a box that moved on right after a bark is
    // looked at against what it shows once it kept still for a check.
    if (spec_.mode == WatchMode::everyTime && spec_.type == WatchType::newItem &&
        model_.debounce.metGate.settle(shot->changed)) {
        model_.baselineCrop = std::shared_ptr<const Image>(shot, &shot->image);
        model_.baselineSent.reset();
        model_.savedCropWanted = false;
        model_.needsJudging = false;
    }
    std::optional<CloudClient> client;
    if (!modelClient(client)) return;
    if (!client) return next();
    // An unchanged box is not sent again unless the debounce asked for another look.
    if (!model_.needsJudging && !model_.debounce.wantsRecheck()) return next();
    if (services_.clock.now() < model_.holdOffUntil) return next();
    if (!model_.savedCropWanted) return encodeForTheModel(std::move(shot), std::move(next));
    step_ = host_.readCrop(spec_.id, [this, shot, next](std::optional<Image> crop) {
        model_.savedCropWanted = false;
        if (crop && !model_.baselineCrop) model_.baselineCrop = std::make_shared<const Image>(std::move(*crop));
        encodeForTheModel(shot, next);
    });
}

void WatchRunner::encodeForTheModel(ShotRef shot, Next next) {
    // The picture itself, shared with the encoder's worker rather than copied.
    const std::shared_ptr<const Image> current(shot, &shot->image);
    if (!model_.baselineCrop) model_.baselineCrop = current;
    step_ = services_.encoder->encode(spec_.id, model_.baselineSent ? nullptr : model_.baselineCrop, current, model_.maxSide,
                                      [this, shot, next](PictureEncoder::Encoded encoded) {
                                          if (!model_.baselineSent) model_.baselineSent = std::move(encoded.baseline);
                                          // A picture that cannot be encoded ends the attempt; the next check tries again.
                                          if (!model_.baselineSent || !encoded.current) return next();
                                          sendToTheModel(shot, std::move(*encoded.current), next);
                                      });
}

void WatchRunner::sendToTheModel(const ShotRef& shot, CloudImage current, Next next) {
    // Decided again at the last moment: Local Only, a pause or a lost server
    // may have come while the pictures were encoded. The session asks once
    // more right before the request leaves, and while it is under way.
    std::optional<CloudClient> client;
    if (!modelClient(client)) return;
    if (!client) return next();
    auto sent = std::make_shared<const CloudImage>(current);
    step_ = client->check(spec_.command, spec_.type, *model_.baselineSent, std::move(current), services_.platform.mainThread,
                          [this, shot, sent, next](CloudResult<CheckResponse> result) {
                              if (result.ok()) return modelAnswered(result.value(), shot, *sent, next);
                              modelFailed(result.error(), next);
                          });
}

void WatchRunner::modelAnswered(const CheckResponse& answer, const ShotRef& shot, const CloudImage& sent, Next next) {
    model_.needsJudging = false;
    host_.cloud().clearModelPause();
    if (!tell(&RunnerHost::runnerTrouble, std::nullopt)) return;
    switch (model_.debounce.record(answer.met, answer.obstructed)) {
        case CloudVerdict::notYet:
            if (!tell(&RunnerHost::runnerRegainedSight)) return;
            break;
        case CloudVerdict::askAgain:
            break;  // the debounce's recheck asks again at the next check
        case CloudVerdict::bark:
            // New items are looked for against the picture of the last bark;
            // a state keeps its first baseline.
            if (spec_.mode == WatchMode::everyTime && spec_.type == WatchType::newItem) {
                model_.baselineCrop = std::shared_ptr<const Image>(shot, &shot->image);
                model_.baselineSent = sent;
            }
            if (!tell(&RunnerHost::runnerRegainedSight)) return;
            if (!tell(&RunnerHost::runnerDidBark, SharedImage(shot, &shot->image), std::nullopt)) return;
            break;
        case CloudVerdict::lostSight:
            if (!tell(&RunnerHost::runnerLostSight, std::nullopt)) return;
            break;
    }
    next();
}

void WatchRunner::modelFailed(const CloudError& error, Next next) {
    // Held back because Local Only or a pause began: the next check says which.
    if (error.kind() == CloudError::Case::withdrawn) return next();
    if (error.checksUsedUp()) {
        // Used up or busy: not a failure, a pause for every watch; the other
        // watches' pictures still on their way stay here.
        const ModelPause pause = host_.cloud().pauseModel(error.resetsIn(), services_.clock.wallNow());
        services_.cloudSession->recheckGuards();
        if (!tell(&RunnerHost::runnerTrouble, WatchTrouble::modelChecksUsedUp(backAt(pause)))) return;
        return next();
    }
    const auto now = services_.clock.now();
    if (error.kind() == CloudError::Case::slowDown) model_.holdOffUntil = now + holdOff;
    if (error.kind() == CloudError::Case::tooLarge) {
        // 1024, 768, 576, 432, 324, then 256 for good.
        model_.maxSide = 3 * model_.maxSide < CloudImage::maxSide ? 256 : 3 * model_.maxSide / 4;
        model_.baselineSent.reset();
    }
    if (model_.debounce.recordFailure())
        if (!tell(&RunnerHost::runnerTrouble, WatchTrouble::cantReachServer())) return;
    // From the third failure on, each one not already held off holds the
    // model off again (also one that comes exactly as a hold-off ends).
    if (model_.debounce.cantReachServer() && model_.holdOffUntil <= now) model_.holdOffUntil = now + holdOff;
    next();
}

}  // namespace kestrove
