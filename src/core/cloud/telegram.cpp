#include "core/cloud/telegram.hpp"

#include "core/copy/copy_status.hpp"
#include "core/watch/watch_json.hpp"

namespace kestrove {

// Everything a completion needs; completions hold it by shared pointer.
struct TelegramLink::State {
    CloudSettings settings;
    std::shared_ptr<CloudSession> session;
    Executor executor;
    std::shared_ptr<PictureEncoder> encoder;
    std::weak_ptr<WatchControl> watches;
    std::function<void()> onChange;
    RecentBarks recent;

    DefaultsStore& store() const { return *settings.defaults(); }
    std::optional<CloudClient> client() const {
        auto client = settings.messagingClient(session);
        // A bark's picture leaves only while the chat is linked and Local Only off.
        if (client)
            client->pictureGuard = [store = settings.defaults()] {
                return store->boolean(connectedKey) && !store->boolean(CloudSettings::localOnlyKey);
            };
        return client;
    }

    bool connected() const { return store().boolean(connectedKey); }
    void setConnected(bool on) {
        if (connected() == on) return;
        store().set(connectedKey, on);
        // Pictures on their way to a chat that is gone stay here.
        if (!on && session) session->recheckGuards();
        if (onChange) onChange();
    }
    PictureEncoder& pictures() {
        if (!encoder) encoder = std::make_shared<PictureEncoder>(executor);
        return *encoder;
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

TelegramLink::TelegramLink(CloudSettings settings, std::shared_ptr<CloudSession> session, Executor executor,
                           std::shared_ptr<PictureEncoder> encoder)
    : state_(std::make_shared<State>(State{std::move(settings), std::move(session), std::move(executor),
                                           std::move(encoder), {}, {}, {}})) {
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

namespace {

// One bark's steps (its picture made, the request, perhaps the same bark
// again in words) behind the one handle its caller holds.
struct BarkCall {
    std::shared_ptr<TelegramLink::State> state;
    WatchSpec spec;
    std::optional<std::string> read;
    std::function<void(TelegramLink::NotifyResult)> done;
    Pending step;

    void finish(TelegramLink::NotifyResult result) {
        if (done) done(result);
    }
};

CloudCall handleOf(const std::shared_ptr<BarkCall>& call) {
    auto completion = std::make_shared<Completion>();
    // Letting the handle go cancels whichever step is under way.
    completion->onCancel([call] { call->step.cancel(); });
    return Pending(completion);
}

void send(const std::weak_ptr<BarkCall>& weak, std::optional<CloudImage> image);

void answered(const std::weak_ptr<BarkCall>& weak, bool withImage, CloudResult<NotifyResponse> r) {
    auto call = weak.lock();
    if (!call) return;
    using Result = TelegramLink::NotifyResult;
    if (r) return call->finish(Result::sent(withImage));
    switch (r.error().kind()) {
        case CloudError::Case::notLinked:
            call->state->setConnected(false);
            return call->finish(Result::notLinked());
        case CloudError::Case::withdrawn:
            // Local Only came before the picture left: the bark goes in
            // words. The chat was unlinked: nothing goes.
            if (call->state->connected()) return send(weak, std::nullopt);
            return call->finish(Result::skipped());
        default:
            return call->finish(Result::failed(r.error()));
    }
}

void send(const std::weak_ptr<BarkCall>& weak, std::optional<CloudImage> image) {
    auto call = weak.lock();
    if (!call) return;
    // Decided again now: the chat may be gone, Local Only on.
    auto client = call->state->connected() ? call->state->client() : std::nullopt;
    if (!client) return call->finish(TelegramLink::NotifyResult::skipped());
    if (call->state->settings.localOnly()) image.reset();
    const bool withImage = image.has_value();
    const WatchSpec& spec = call->spec;
    call->step = client->notify(spec.id, Copy::chatSentence(spec), call->read, spec.mode, std::move(image),
                                call->state->executor, [weak, withImage](CloudResult<NotifyResponse> r) {
                                    answered(weak, withImage, std::move(r));
                                });
}

}  // namespace

CloudCall TelegramLink::bark(const WatchSpec& spec, std::optional<std::string> read, SharedImage crop,
                             Date at, std::function<void(NotifyResult)> done) {
    auto client = state_->connected() ? state_->client() : std::nullopt;
    if (!client) {
        return state_->post([done = std::move(done)] {
            if (done) done(NotifyResult::skipped());
        });
    }
    state_->recent.remember(spec, at);
    state_->saveRecent();
    if (spec.type != WatchType::numberCompare) read.reset();

    auto call = std::make_shared<BarkCall>(BarkCall{state_, spec, std::move(read), std::move(done), {}});
    CloudCall handle = handleOf(call);
    const std::weak_ptr<BarkCall> weak = call;
    // Local Only is read at every bark: with it on, barks go as text.
    if (!crop || state_->settings.localOnly()) {
        call->step = state_->post([weak] { send(weak, std::nullopt); });
        return handle;
    }
    // The picture is made off this thread; a failed one leaves it out.
    call->step = state_->pictures().encode({}, nullptr, std::move(crop), CloudImage::maxSide,
                                           [weak](PictureEncoder::Encoded encoded) {
                                               send(weak, std::move(encoded.current));
                                           });
    return handle;
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
