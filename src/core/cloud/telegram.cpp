#include "core/cloud/telegram.hpp"

#include "core/copy/copy_status.hpp"
#include "core/watch/watch_json.hpp"

namespace kestrove {

// Everything a completion needs; completions hold it by shared pointer.
struct TelegramLink::State {
    CloudSettings settings;
    std::shared_ptr<CloudSession> session;
    Executor executor;
    std::weak_ptr<WatchControl> watches;
    std::function<void()> onChange;
    RecentBarks recent;

    DefaultsStore& store() const { return *settings.defaults(); }
    std::optional<CloudClient> client() const { return settings.messagingClient(session); }

    bool connected() const { return store().boolean(connectedKey); }
    void setConnected(bool on) {
        if (connected() == on) return;
        store().set(connectedKey, on);
        if (onChange) onChange();
    }
    void markConnected() {
        store().removeObject(unpairPendingKey);
        setConnected(true);
    }
    void saveRecent() {
        try {
            const std::string text = encodeJson(recent);
            store().set(recentKey, std::vector<std::uint8_t>(text.begin(), text.end()));
        } catch (const JsonError&) {
            // A watch that cannot be written (a non-finite number) is not stored.
        }
    }
    // A client only while a chat button could act on something: a running
    // watch, or a bark of the last hour.
    std::optional<CloudClient> actionsClient(Date now) const {
        if (!connected()) return std::nullopt;
        auto w = watches.lock();
        if (!(w && w->anyRunning()) && !recent.any(now)) return std::nullopt;
        return client();
    }
    // Results that need no request still arrive through the executor, and
    // their handle can stop them like any other.
    CloudCall post(std::function<void()> work) const { return Pending::answered(executor, std::move(work)); }
};

namespace {

RecentBarks restore(const DefaultsStore& store) {
    auto bytes = store.data(TelegramLink::recentKey);
    if (!bytes) return {};
    try {
        return decodeJson<RecentBarks>(std::string(bytes->begin(), bytes->end()));
    } catch (const JsonError&) {
        return {};
    }
}

}  // namespace

TelegramLink::TelegramLink(CloudSettings settings, std::shared_ptr<CloudSession> session, Executor executor)
    : state_(std::make_shared<State>(State{std::move(settings), std::move(session), std::move(executor), {}, {}, {}})) {
    state_->recent = restore(state_->store());
}

TelegramLink::~TelegramLink() {
    state_->onChange = nullptr;
    state_->watches.reset();
}

const CloudSettings& TelegramLink::settings() const { return state_->settings; }

bool TelegramLink::connected() const { return state_->connected(); }
void TelegramLink::setConnected(bool connected) { state_->setConnected(connected); }
void TelegramLink::setWatches(std::weak_ptr<WatchControl> watches) { state_->watches = std::move(watches); }
void TelegramLink::setOnChange(std::function<void()> onChange) { state_->onChange = std::move(onChange); }
const RecentBarks& TelegramLink::recent() const { return state_->recent; }

CloudCall TelegramLink::checkAtLaunch(std::function<void()> done) {
    auto finish = [done = std::move(done)] {
        if (done) done();
    };
    if (state_->store().boolean(unpairPendingKey)) return disconnect([finish](bool) { finish(); });
    // Without a chat there is nothing to ask, and no device id to make.
    auto client = state_->connected() ? state_->client() : std::nullopt;
    if (!client) return state_->post(finish);
    return client->pairStatus(state_->executor, [state = state_, finish](CloudResult<LinkStatus> r) {
        if (r) state->setConnected(r.value().linked);
        finish();
    });
}

CloudCall TelegramLink::disconnect(std::function<void(bool)> done) {
    state_->setConnected(false);
    auto client = state_->client();
    if (!client) {
        return state_->post([done = std::move(done)] {
            if (done) done(true);
        });
    }
    state_->store().set(unpairPendingKey, true);
    return client->unpair(state_->executor, [state = state_, done = std::move(done)](CloudResult<LinkStatus> r) {
        // 409 means the server has no chat for this device: it is unlinked
        // already, which is all the unpairing wanted.
        const bool told = r.ok() || r.error().kind() == CloudError::Case::notLinked;
        if (told) state->store().removeObject(unpairPendingKey);
        if (done) done(told);
    });
}

CloudCall TelegramLink::startPairing(CloudCallback<PairResponse> done) {
    auto client = state_->client();
    if (!client) return state_->post([done = std::move(done)] { done(CloudError::notSetUp()); });
    return client->pair(state_->executor, [state = state_, done = std::move(done)](CloudResult<PairResponse> r) {
        if (r && r.value().linked) state->markConnected();
        done(std::move(r));
    });
}

CloudCall TelegramLink::checkPairing(CloudCallback<bool> done) {
    auto client = state_->client();
    if (!client) return state_->post([done = std::move(done)] { done(CloudError::notSetUp()); });
    return client->pairStatus(state_->executor, [state = state_, done = std::move(done)](CloudResult<LinkStatus> r) {
        if (!r) return done(r.error());
        if (r.value().linked) state->markConnected();
        done(r.value().linked);
    });
}

CloudCall TelegramLink::bark(const WatchSpec& spec, std::optional<std::string> read, const std::optional<Image>& crop,
                             Date at, std::function<void(NotifyResult)> done) {
    auto client = state_->connected() ? state_->client() : std::nullopt;
    if (!client) {
        return state_->post([done = std::move(done)] {
            if (done) done(NotifyResult::skipped());
        });
    }
    state_->recent.remember(spec, at);
    state_->saveRecent();

    // Local Only is read at every bark: with it on, barks go as text.
    std::optional<CloudImage> image;
    if (crop && !state_->settings.localOnly()) image = CloudImage::png(*crop, CloudImage::maxSide);
    const bool withImage = image.has_value();
    if (spec.type != WatchType::numberCompare) read.reset();

    return client->notify(
        spec.id, Copy::chatSentence(spec), std::move(read), spec.mode, std::move(image), state_->executor,
        [state = state_, withImage, done = std::move(done)](CloudResult<NotifyResponse> r) {
            NotifyResult result = NotifyResult::sent(withImage);
            if (!r) {
                if (r.error().kind() == CloudError::Case::notLinked) {
                    state->setConnected(false);
                    result = NotifyResult::notLinked();
                } else {
                    result = NotifyResult::failed(r.error());
                }
            }
            if (done) done(result);
        });
}

bool TelegramLink::shouldPollActions(Date now) const { return state_->actionsClient(now).has_value(); }

CloudCall TelegramLink::pollActions(Date now, std::function<void(std::vector<ChatAction>)> done) {
    auto client = state_->actionsClient(now);
    if (!client) {
        return state_->post([done = std::move(done)] {
            if (done) done({});
        });
    }
    return client->actions(
        state_->executor, [state = state_, now, done = std::move(done)](CloudResult<std::vector<ChatAction>> r) {
            if (!r) {
                if (r.error().kind() == CloudError::Case::notLinked) state->setConnected(false);
                if (done) done({});
                return;
            }
            for (const ChatAction& action : r.value()) {
                auto watches = state->watches.lock();
                if (!watches) continue;
                // Only the exact texts act; an id the watches do not know changes nothing.
                if (action.kind() == ChatAction::Kind::stop) {
                    if (watches->isRunning(action.watch)) watches->end(action.watch);
                } else if (action.kind() == ChatAction::Kind::keep) {
                    if (watches->isRunning(action.watch)) continue;
                    if (auto spec = state->recent.spec(action.watch, now)) watches->startAgain(*spec);
                }
            }
            if (done) done(std::move(r.value()));
        });
}

}  // namespace kestrove
