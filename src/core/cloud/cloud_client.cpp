#include "core/cloud/cloud_client.hpp"

namespace kestrove {

namespace {

// One exchange: the answer decoded as Answer, then `pick` of it. The body is
// written on the session's worker: one with pictures runs to megabytes.
template <typename Answer, typename Value, typename Body, typename Pick>
CloudCall exchange(const CloudClient& client, std::string_view path, Body body, Executor executor,
                   CloudCallback<Value> done, Pick pick, CloudSession::Guard guard = {}) {
    CloudSession::Finish finish = [done = std::move(done), pick](CloudSession::Outcome outcome) mutable {
        std::optional<CloudResult<Value>> result;
        if (!outcome) {
            result.emplace(outcome.error());
        } else {
            const HttpAnswer& answer = outcome.value();
            if (answer.status < 200 || answer.status > 299) {
                result.emplace(CloudClient::error(answer.status, answer.body));
            } else {
                try {
                    result.emplace(pick(decodeWire<Answer>(answer.body)));
                } catch (const JsonError&) {
                    result.emplace(CloudError::badAnswer());
                }
            }
        }
        return std::function<void()>([done = std::move(done), r = std::move(*result)] { done(r); });
    };
    CloudSession::MakeBody write = [body = std::move(body)]() -> Result<std::string, CloudError> {
        try {
            return encodeWire(toJson(body));
        } catch (const JsonError&) {
            return CloudError::badRequest("could not encode the request");
        }
    };
    return client.session->post(client.baseURL.appendingPath(path), std::move(write), std::move(executor),
                                std::move(finish), std::move(guard));
}

template <typename Answer, typename Body>
CloudCall exchange(const CloudClient& client, std::string_view path, Body body, Executor executor,
                   CloudCallback<Answer> done, CloudSession::Guard guard = {}) {
    return exchange<Answer, Answer>(client, path, std::move(body), std::move(executor), std::move(done),
                                    [](Answer a) { return a; }, std::move(guard));
}

}  // namespace

CloudCall CloudClient::compile(std::string command, CloudImage image, Executor executor,
                               CloudCallback<CompileResponse> done) const {
    CompileRequest body{device, std::move(command), std::move(image)};
    return exchange<CompileResponse>(*this, "v1/compile", std::move(body), std::move(executor), std::move(done),
                                     pictureGuard);
}

CloudCall CloudClient::check(std::string command, WatchType type, CloudImage baseline, CloudImage current,
                             Executor executor, CloudCallback<CheckResponse> done) const {
    CheckRequest body(device, std::move(command), type, std::move(baseline), std::move(current));
    return exchange<CheckResponse>(*this, "v1/check", std::move(body), std::move(executor), std::move(done),
                                   pictureGuard);
}

CloudCall CloudClient::pair(Executor executor, CloudCallback<PairResponse> done) const {
    return exchange<PairResponse>(*this, "v1/pair", DeviceRequest{device}, std::move(executor), std::move(done));
}

CloudCall CloudClient::pairStatus(Executor executor, CloudCallback<LinkStatus> done) const {
    return exchange<LinkStatus>(*this, "v1/pair/status", DeviceRequest{device}, std::move(executor),
                                std::move(done));
}

CloudCall CloudClient::unpair(Executor executor, CloudCallback<LinkStatus> done) const {
    return exchange<LinkStatus>(*this, "v1/unpair", DeviceRequest{device}, std::move(executor), std::move(done));
}

CloudCall CloudClient::notify(std::string watch, std::string command, std::optional<std::string> read, WatchMode mode,
                              std::optional<CloudImage> image, Executor executor,
                              CloudCallback<NotifyResponse> done) const {
    // A bark in words needs no leave; one with the picture does.
    CloudSession::Guard guard = image ? pictureGuard : CloudSession::Guard{};
    NotifyRequest body(device, std::move(watch), std::move(command), std::move(read), mode, std::move(image));
    return exchange<NotifyResponse>(*this, "v1/notify", std::move(body), std::move(executor), std::move(done),
                                    std::move(guard));
}

CloudCall CloudClient::actions(Executor executor, CloudCallback<std::vector<ChatAction>> done) const {
    return exchange<ActionsResponse, std::vector<ChatAction>>(*this, "v1/actions", DeviceRequest{device},
                                                              std::move(executor), std::move(done),
                                                              [](ActionsResponse a) { return std::move(a.actions); });
}

}  // namespace kestrove
