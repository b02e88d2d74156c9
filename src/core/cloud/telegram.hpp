#pragma once
// The application's side of the messenger chat: whether a chat is linked,
// pairing and unpairing through the server, forwarding barks (with the crop
// unless Local Only is on) and applying the chat's keep/stop buttons to the
// watches.
//
// Every result comes back through the executor given at construction (the
// owner's thread), never from inside the call that asked for it, and only
// while the call's handle is held: cancelling it or letting it go drops the
// request and its outcome. Requests in flight keep the link's state alive,
// so the link may be destroyed at any time while their handles live on.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cloud/cloud_client.hpp"
#include "core/cloud/cloud_settings.hpp"
#include "core/cloud/picture_encoder.hpp"
#include "core/picture/image.hpp"
#include "core/cloud/recent_barks.hpp"
#include "core/cloud/watch_control.hpp"

namespace kestrove {

class TelegramLink {
public:
    static constexpr std::string_view connectedKey = "telegramConnected";
    static constexpr std::string_view unpairPendingKey = "telegramUnpairPending";
    static constexpr std::string_view recentKey = "telegramRecentBarks";

    // What became of one bark.
    class NotifyResult {
    public:
        enum class Kind { sent, failed, skipped, notLinked };
        static NotifyResult sent(bool withImage) { return {Kind::sent, withImage, std::nullopt}; }
        static NotifyResult failed(CloudError error) { return {Kind::failed, false, std::move(error)}; }
        // Nothing was sent: no chat connected, or no server address.
        static NotifyResult skipped() { return {Kind::skipped, false, std::nullopt}; }
        // The server no longer knows the chat; the link has switched itself off.
        static NotifyResult notLinked() { return {Kind::notLinked, false, std::nullopt}; }

        Kind kind() const { return kind_; }
        bool withImage() const { return withImage_; }
        const std::optional<CloudError>& error() const { return error_; }
        bool operator==(const NotifyResult&) const = default;

    private:
        NotifyResult(Kind kind, bool withImage, std::optional<CloudError> error)
            : kind_(kind), withImage_(withImage), error_(std::move(error)) {}
        Kind kind_;
        bool withImage_;
        std::optional<CloudError> error_;
    };

    // Restores the recent barks from the store (an unreadable value gives none).
    // `session` is the application's server session (never null); `encoder`
    // makes the barks' pictures off the owner's thread (one of its own is
    // made at the first picture when none is given).
    TelegramLink(CloudSettings settings, std::shared_ptr<CloudSession> session, Executor executor,
                 std::shared_ptr<PictureEncoder> encoder = nullptr);
    // Requests still in flight store their outcome but no longer call
    // onChange or touch the watches: their owner may be gone too.
    ~TelegramLink();
    TelegramLink(const TelegramLink&) = delete;
    TelegramLink& operator=(const TelegramLink&) = delete;

    // The settings the link was made with (Local Only is read from them).
    const CloudSettings& settings() const;

    // The stored flag. Setting it stores and calls onChange only when it differs.
    bool connected() const;
    void setConnected(bool connected);

    // The watch engine, held weakly: the link never keeps it alive.
    void setWatches(std::weak_ptr<WatchControl> watches);
    // Called whenever the stored connected flag actually changes.
    void setOnChange(std::function<void()> onChange);
    const RecentBarks& recent() const;

    // Finishes an unpairing that could not reach the server before, or
    // checks that a connected chat is still linked. `done` runs at the end.
    CloudCall checkAtLaunch(std::function<void()> done = {});
    // Off locally at once, then the server is told. The unpairing is stored
    // as pending until the server confirms it, so a request that fails or is
    // dropped is repeated at the next launch. `done(true)` when it was told,
    // it already knew no chat (409), or there is no server to tell;
    // `done(false)` when the request failed and the unpairing stays pending.
    CloudCall disconnect(std::function<void(bool)> done = {});
    // Asks for a pairing code and link; connects at once when already linked.
    // notSetUp without a server address.
    CloudCall startPairing(CloudCallback<PairResponse> done);
    // Whether the chat is linked now; connects when it is.
    CloudCall checkPairing(CloudCallback<bool> done);
    // Forwards one bark. With a chat connected and a server address it is
    // remembered for an hour first, whatever the server answers; otherwise
    // nothing is sent and nothing remembered. The crop goes along only while
    // the chat stays connected and Local Only off, to the last byte: when
    // Local Only comes first the bark goes in words, when the chat is
    // unlinked first it is skipped.
    CloudCall bark(const WatchSpec& spec, std::optional<std::string> read, SharedImage crop, Date at,
                   std::function<void(NotifyResult)> done = {});
    // Worth a request only while a chat button could act on something: a
    // running watch, or a bark of the last hour.
    bool shouldPollActions(Date now) const;
    // Fetches and applies the chat's buttons; `done` gets every action
    // received, applied or not (none when nothing was fetched).
    CloudCall pollActions(Date now, std::function<void(std::vector<ChatAction>)> done = {});

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace kestrove
