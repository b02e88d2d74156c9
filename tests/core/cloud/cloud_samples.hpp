#pragma once
// Watches, and a messenger link over a loopback server, shared by the server tests.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/cloud/telegram.hpp"
#include "support/cloud_harness.hpp"
#include "support/fake_watch_control.hpp"

namespace kestrove::testing {

inline const Date t0 = std::chrono::sys_days{std::chrono::year{2026} / 3 / 1} + std::chrono::hours{9};

inline WatchSpec watch(const std::string& id, WatchType type = WatchType::textAppears) {
    WatchSpec s;
    s.id = id;
    s.command = "\"Done\" appears";
    s.type = type;
    s.region = {1, 0, 0, 200, 100, 1, std::nullopt};
    s.createdAt = t0 - std::chrono::hours{1};
    return s;
}

// A watch only the model can judge.
inline WatchSpec judged() {
    WatchSpec s = watch("w_JUDGE1", WatchType::stateReached);
    s.command = "the build finishes";
    s.target.description = s.command;
    return s;
}

// A harness, a link over it, and how often the link's connected flag changed.
struct Chat : CloudHarness {
    using Result = TelegramLink::NotifyResult;
    using Actions = std::vector<ChatAction>;

    int changes = 0;
    std::shared_ptr<FakeWatchControl> watches = std::make_shared<FakeWatchControl>();
    std::unique_ptr<TelegramLink> link;

    explicit Chat(bool connected = true) {
        store->set(TelegramLink::connectedKey, connected);
        server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
        link = makeLink();
    }
    std::unique_ptr<TelegramLink> makeLink() {
        auto l = std::make_unique<TelegramLink>(settings, session, main.executor());
        l->setOnChange([this] { ++changes; });
        l->setWatches(watches);
        return l;
    }
    Result bark(const WatchSpec& spec, std::optional<std::string> read = std::nullopt, Date at = t0,
                std::optional<Image> crop = std::nullopt) {
        return await<Result>([&](auto done) { return link->bark(spec, read, crop ? std::make_shared<const Image>(*crop) : nullptr, at, done); });
    }
    Actions poll(Date now = t0) { return await<Actions>([&](auto done) { return link->pollActions(now, done); }); }
    CloudResult<PairResponse> startPairing() {
        return await<CloudResult<PairResponse>>([&](auto done) { return link->startPairing(done); });
    }
    CloudResult<bool> checkPairing() { return await<CloudResult<bool>>([&](auto d) { return link->checkPairing(d); }); }
    bool disconnect() { return await<bool>([&](auto done) { return link->disconnect(done); }); }
    bool pending() const { return store->object(TelegramLink::unpairPendingKey).has_value(); }
};

}  // namespace kestrove::testing
