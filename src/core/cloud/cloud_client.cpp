#include "core/cloud/cloud_client.hpp"

namespace kestrove {

namespace {

// One exchange: the answer decoded as Answer, then `pick` of it.
template <typename Answer, typename Value, typename Pick>
CloudCall exchange(const CloudClient& client, std::string_view path, const Json& body, Executor executor,
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
    CloudClient::Request request;
    try {
        request = client.request(path, body);
    } catch (const JsonError&) {
        return client.session->fail(CloudError::badRequest("could not encode the request"), std::move(executor),
                                    std::move(finish));
    }
    return client.session->post(request.url, std::move(request.body), std::move(executor), std::move(finish),
                                std::move(guard));
}

template <typename Answer>
CloudCall exchange(const CloudClient& client, std::string_view path, const Json& body, Executor executor,
                   CloudCallback<Answer> done, CloudSession::Guard guard = {}) {
    return exchange<Answer, Answer>(client, path, body, std::move(executor), std::move(done),
                                    [](Answer a) { return a; }, std::move(guard));
}

}  // namespace

CloudClient::Request CloudClient::request(std::string_view path, const Json& body) const {
    return Request{baseURL.appendingPath(path), encodeWire(body)};
}

CloudCall CloudClient::compile(std::string command, CloudImage image, Executor executor,
                               CloudCallback<CompileResponse> done) const {
    CompileRequest body{device, std::move(command), std::move(image)};
    return exchange<CompileResponse>(*this, "v1/compile", toJson(body), std::move(executor), std::move(done),
                                     pictureGuard);
}

CloudCall CloudClient::check(std::string command, WatchType type, CloudImage baseline, CloudImage current,
                             Executor executor, CloudCallback<CheckResponse> done) const {
    CheckRequest body(device, std::move(command), type, std::move(baseline), std::move(current));
    return exchange<CheckResponse>(*this, "v1/check", toJson(body), std::move(executor), std::move(done),
                                   pictureGuard);
}

CloudCall CloudClient::pair(Executor executor, CloudCallback<PairResponse> done) const {
    return exchange<PairResponse>(*this, "v1/pair", toJson(DeviceRequest{device}), std::move(executor), std::move(done));
}

CloudCall CloudClient::pairStatus(Executor executor, CloudCallback<LinkStatus> done) const {
    return exchange<LinkStatus>(*this, "v1/pair/status", toJson(DeviceRequest{device}), std::move(executor),
                                std::move(done));
}

CloudCall CloudClient::unpair(Executor executor, CloudCallback<LinkStatus> done) const {
    return exchange<LinkStatus>(*this, "v1/unpair", toJson(DeviceRequest{device}), std::move(executor), std::move(done));
}

CloudCall CloudClient::notify(std::string watch, std::string command, std::optional<std::string> read, WatchMode mode,
                              std::optional<CloudImage> image, Executor executor,
                              CloudCallback<NotifyResponse> done) const {
    // A bark in words needs no leave; one with the picture does.
    CloudSession::Guard guard = image ? pictureGuard : CloudSession::Guard{};
    NotifyRequest body(device, std::move(watch), std::move(command), std::move(read), mode, std::move(image));
    return exchange<NotifyResponse>(*this, "v1/notify", toJson(body), std::move(executor), std::move(done),
                                    std::move(guard));
}

CloudCall CloudClient::actions(Executor executor, CloudCallback<std::vector<ChatAction>> done) const {
    return exchange<ActionsResponse, std::vector<ChatAction>>(*this, "v1/actions", toJson(DeviceRequest{device}),
                                                              std::move(executor), std::move(done),
                                                              [](ActionsResponse a) { return std::move(a.actions); });
}

}  // namespace kestrove
