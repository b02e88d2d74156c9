#pragma once
// The client of the maker's server: seven calls, each a JSON POST under the
// base address whose result, the answer or a CloudError, comes back through
// the caller's executor. Nothing is retried or logged here.

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/cloud/cloud_error.hpp"
#include "core/cloud/cloud_session.hpp"
#include "core/cloud/cloud_types.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/result.hpp"
#include "core/cloud/url.hpp"

namespace kestrove {

template <typename T>
using CloudResult = Result<T, CloudError>;

template <typename T>
using CloudCallback = std::function<void(CloudResult<T>)>;

struct CloudClient {
    Url baseURL;
    std::string device;
    std::shared_ptr<CloudSession> session;
    // Guards the calls that carry a picture of the screen (compile, check, a
    // notify with its image): asked by the session right up to the last byte.
    CloudSession::Guard pictureGuard = {};


    CloudCall compile(std::string command, CloudImage image, Executor executor,
                      CloudCallback<CompileResponse> done) const;
    CloudCall check(std::string command, WatchType type, CloudImage baseline, CloudImage current, Executor executor,
                    CloudCallback<CheckResponse> done) const;
    CloudCall pair(Executor executor, CloudCallback<PairResponse> done) const;
    CloudCall pairStatus(Executor executor, CloudCallback<LinkStatus> done) const;
    CloudCall unpair(Executor executor, CloudCallback<LinkStatus> done) const;
    CloudCall notify(std::string watch, std::string command, std::optional<std::string> read, WatchMode mode,
                     std::optional<CloudImage> image, Executor executor, CloudCallback<NotifyResponse> done) const;
    CloudCall actions(Executor executor, CloudCallback<std::vector<ChatAction>> done) const;

    // An error answer to its CloudError.
    static CloudError error(int status, std::string_view body) { return CloudError::fromStatus(status, body); }
};

// Runs one call to its end on the calling thread, e.g.
//   waitFor<LinkStatus>([&](Executor e, CloudCallback<LinkStatus> d) { return client.pairStatus(e, d); });
// Never from inside a completion run by an inline executor (it would wait on itself).
template <typename T>
CloudResult<T> waitFor(const std::function<CloudCall(Executor, CloudCallback<T>)>& start) {
    auto promise = std::make_shared<std::promise<CloudResult<T>>>();
    auto future = promise->get_future();
    const CloudCall call = start(inlineExecutor(), [promise](CloudResult<T> r) { promise->set_value(std::move(r)); });
    return future.get();
}

}  // namespace kestrove
