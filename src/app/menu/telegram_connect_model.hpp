#pragma once
// One attempt to pair the user's chat: ask the server for a code, show its
// link as a QR code, check every 2 seconds whether the user pressed Start,
// and end as connected, run out, no bot, unreachable or no server set up. One attempt at a
// time: starting again or closing drops the one running, its request and
// its sleep included, so nothing of it happens afterwards.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include <QImage>

#include "app/engine/clock.hpp"
#include "core/cloud/telegram.hpp"

namespace kestrove {

class TelegramConnectModel {
public:
    struct Phase {
        enum class Kind { starting, waiting, expired, connected, noBot, unreachable, notSetUp };
        Kind kind = Kind::starting;
        std::string link;  // waiting: the deep link shown

        static Phase waiting(std::string link) { return {Kind::waiting, std::move(link)}; }
        static Phase of(Kind kind) { return {kind, {}}; }
        bool operator==(const Phase&) const = default;
    };

    static constexpr std::chrono::seconds pollEvery{2};
    static constexpr double longestWait = 900;  // seconds a code is watched at most
    static constexpr int qrModulePixels = 12;
    static constexpr int qrQuietModules = 4;

    // `link` may be null: then nothing ever starts. `openUrl` opens the deep
    // link in the messenger.
    TelegramConnectModel(TelegramLink* link, EngineClock& clock, std::function<void(const std::string&)> openUrl);
    TelegramConnectModel(const TelegramConnectModel&) = delete;
    TelegramConnectModel& operator=(const TelegramConnectModel&) = delete;

    // Starts a new attempt, dropping the running one.
    void start();
    // Drops the running attempt without a phase change (the window closes).
    void stop();
    // While waiting: opens the deep link.
    void openTelegram();
    // The window's buttons that close it.
    void done() const {
        if (onDone_) onDone_();
    }

    const Phase& phase() const { return phase_; }
    // One face as it is, with no attempt running: for pictures of the window.
    void showFace(Phase phase, std::optional<QImage> qr);
    // The current link's QR code; none before a link or when it cannot be drawn.
    const std::optional<QImage>& qr() const { return qr_; }
    bool localOnly() const { return localOnly_; }
    // Whether an attempt runs (a request or a sleep is out).
    bool running() const { return call_.active() || sleep_.active(); }

    // Called after any change of phase, picture or Local Only.
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }
    void setOnDone(std::function<void()> onDone) { onDone_ = std::move(onDone); }

private:
    void setPhase(Phase phase);
    void waitForStart(double lifetime);
    void pollOrExpire();
    void changed() const {
        if (onChange_) onChange_();
    }

    TelegramLink* link_;
    EngineClock& clock_;
    std::function<void(const std::string&)> openUrl_;
    std::function<void()> onChange_;
    std::function<void()> onDone_;

    Phase phase_;
    std::optional<QImage> qr_;
    bool localOnly_ = false;
    std::chrono::steady_clock::time_point deadline_{};
    Pending call_;   // the request out, if any
    Pending sleep_;  // the wait before the next check, if any
};

}  // namespace kestrove
