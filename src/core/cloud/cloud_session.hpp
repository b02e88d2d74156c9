#pragma once
// The HTTP session behind every server call: one libcurl multi handle driven
// by one worker thread. Every exchange is a JSON POST (or a plain GET, for
// the update feed) with a time-out; no cookies, no cache, nothing on disk,
// no redirects followed, http and https only, loopback never through a
// proxy, answers capped in size.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "core/cloud/cloud_error.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/pending.hpp"
#include "core/foundation/result.hpp"
#include "core/cloud/url.hpp"

namespace kestrove {

// An answer that arrived: any status, the whole body.
struct HttpAnswer {
    int status = 0;
    std::string body;
};

class CloudSession;

struct CloudSessionOptions {
    std::chrono::milliseconds timeout{20000};  // connection and whole exchange
    std::size_t answerLimit = 8u << 20;         // larger bodies fail as badAnswer (headers: 256 KiB at most)
};

// The handle of one call in flight: cancelling it or letting it go drops
// the transfer, and its completion never runs afterwards.
using CloudCall = Pending;

class CloudSession {
public:
    using Options = CloudSessionOptions;
    using Outcome = Result<HttpAnswer, CloudError>;
    // Runs on the worker thread with the outcome and returns the completion
    // to hand to the executor.
    using Finish = std::function<std::function<void()>(Outcome)>;

    static std::shared_ptr<CloudSession> make(Options options = {});
    // Drops every call still in flight without completing it.
    ~CloudSession();
    // The same, at once, for a session others may still hold (the platform
    // ends it with itself): its worker ends, later calls never complete.
    // Idempotent.
    void stop();
    CloudSession(const CloudSession&) = delete;
    CloudSession& operator=(const CloudSession&) = delete;

    const Options& options() const { return options_; }

    // Whether a request may still go: asked on the worker right before it
    // starts and again before each later step of its sending, so a picture
    // of the screen leaves only while what allowed it holds. Any thread.
    using Guard = std::function<bool()>;

    // POSTs `body` as JSON to `url`. The completion made by `finish` is
    // posted through `executor` from the worker thread, never from inside
    // this call, while the handle is held and not cancelled. Once `guard`
    // refuses, the request is dropped (a transfer under way is aborted) and
    // finishes with CloudError::withdrawn().
    CloudCall post(const Url& url, std::string body, Executor executor, Finish finish, Guard guard = {});
    // The same with the body made on the worker, before its guard is asked:
    // a picture's JSON runs to megabytes, too long to write on the caller's
    // thread. A body that cannot be made fails the call with its error.
    using MakeBody = std::function<Result<std::string, CloudError>()>;
    CloudCall post(const Url& url, MakeBody body, Executor executor, Finish finish, Guard guard = {});
    // GETs `url` with exactly these header lines ("Name: value"), by the same road.
    CloudCall get(const Url& url, std::vector<std::string> headers, Executor executor, Finish finish);
    // The same road for a call that fails before anything is sent.
    CloudCall fail(CloudError error, Executor executor, Finish finish);

    // Every guard is asked again now. When this returns, no request whose
    // guard refuses sends another byte (it waits for a round of sending
    // already under way, a short one), and each is withdrawn. Called by
    // whoever ends what a guard allowed: Local Only switched on, a pause of
    // model checks, the chat unlinked.
    void recheckGuards();

    struct Impl;

private:
    explicit CloudSession(Options options);
    Options options_;
    std::shared_ptr<Impl> impl_;
    std::mutex stopping_;
    std::thread worker_;
};

}  // namespace kestrove
