#include "app/menu/telegram_connect_model.hpp"

#include <algorithm>
#include <cmath>

#include "app/menu/qr_code.hpp"

namespace kestrove {

TelegramConnectModel::TelegramConnectModel(TelegramLink* link, EngineClock& clock,
                                           std::function<void(const std::string&)> openUrl)
    : link_(link), clock_(clock), openUrl_(std::move(openUrl)), localOnly_(link && link->settings().localOnly()) {}

void TelegramConnectModel::stop() {
    call_.cancel();
    sleep_.cancel();
}

void TelegramConnectModel::start() {
    if (!link_) return;
    stop();
    const bool localOnly = link_->settings().localOnly();
    const bool localOnlyChanged = localOnly != localOnly_;
    localOnly_ = localOnly;
    if (phase_.kind != Phase::Kind::starting) setPhase(Phase::of(Phase::Kind::starting));
    else if (localOnlyChanged) changed();

    call_ = link_->startPairing([this](CloudResult<PairResponse> answer) {
        if (!answer) {
            switch (answer.error().kind()) {
            case CloudError::Case::telegramNotSetUp: return setPhase(Phase::of(Phase::Kind::noBot));
            // No server address: trying again can never work.
            case CloudError::Case::notSetUp: return setPhase(Phase::of(Phase::Kind::notSetUp));
            default: return setPhase(Phase::of(Phase::Kind::unreachable));
            }
        }
        const PairResponse& pair = answer.value();
        if (pair.linked) return setPhase(Phase::of(Phase::Kind::connected));
        const std::optional<std::string> link = pair.link();
        if (!link) return setPhase(Phase::of(Phase::Kind::unreachable));
        qr_ = QRCode::image(*link, qrModulePixels, qrQuietModules);
        setPhase(Phase::waiting(*link));
        const double given = pair.expiresIn.value_or(longestWait);
        waitForStart(std::isnan(given) ? longestWait : std::min(given, longestWait));
    });
}

void TelegramConnectModel::waitForStart(double lifetime) {
    const auto span = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(std::max(lifetime, 0.0)));
    deadline_ = clock_.now() + span;
    pollOrExpire();
}

// One turn of the poll: expired once the deadline has passed, else a check
// after the pause. A failed or negative check just goes round again.
void TelegramConnectModel::pollOrExpire() {
    if (clock_.now() >= deadline_) return setPhase(Phase::of(Phase::Kind::expired));
    sleep_ = clock_.after(pollEvery, [this] {
        call_ = link_->checkPairing([this](CloudResult<bool> linked) {
            if (linked && linked.value()) return setPhase(Phase::of(Phase::Kind::connected));
            pollOrExpire();
        });
    });
}

void TelegramConnectModel::openTelegram() {
    if (phase_.kind == Phase::Kind::waiting && openUrl_) openUrl_(phase_.link);
}

void TelegramConnectModel::showFace(Phase phase, std::optional<QImage> qr) {
    stop();
    qr_ = std::move(qr);
    phase_ = std::move(phase);
    changed();
}

void TelegramConnectModel::setPhase(Phase phase) {
    if (phase == phase_) return;
    phase_ = std::move(phase);
    changed();
}

}  // namespace kestrove
