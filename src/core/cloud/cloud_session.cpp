#include "core/cloud/cloud_session.hpp"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include <curl/curl.h>

#include "core/foundation/log.hpp"
#include "core/foundation/text.hpp"

namespace kestrove {

namespace {

struct Transfer {
    std::shared_ptr<Completion> completion;
    Executor executor;
    CloudSession::Finish finish;
    CloudSession::Guard guard;
    std::optional<CloudError> failure;  // fails without sending
    std::string url;
    std::string body;
    CloudSession::MakeBody makeBody;  // made on the worker into `body`
    std::vector<std::string> requestHeaders;  // a GET's own; a POST sends JSON headers
    bool get = false;
    bool loopback = false;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    std::string answer;
    std::size_t limit = 0;
    std::size_t headerBytes = 0;
    bool overLimit = false;

    ~Transfer() {
        if (easy) curl_easy_cleanup(easy);
        if (headers) curl_slist_free_all(headers);
    }
};

// libcurl fails headers of 300 KiB in all, or one line of 100 KiB, by
// itself. Ours stop first, at 256 KiB or the answer cap when that is
// smaller, so endless header lines are cut off as an oversized answer like
// an endless body.
constexpr std::size_t headerLimit = 256u << 10;

std::size_t countHeader(char*, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    t->headerBytes += n;
    if (t->headerBytes > std::min(t->limit, headerLimit)) {
        t->overLimit = true;
        return 0;
    }
    return n;
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (t->answer.size() + n > t->limit) {
        t->overLimit = true;
        return 0;  // aborts the transfer
    }
    t->answer.append(data, n);
    return n;
}

CloudError transportError(CURLcode code) { return CloudError::transport(curl_easy_strerror(code)); }

// A guard that fails to answer refuses.
bool refused(const Transfer& t) {
    if (!t.guard) return false;
    try {
        return !t.guard();
    } catch (...) {
        logCaughtException("server session");
        return true;
    }
}

// The loopback names and any 127.x.y.z literal.
bool isLoopback(const Url& url) {
    if (url.isLoopbackHost()) return true;
    if (!url.host.starts_with("127.")) return false;
    int dots = 0;
    for (char c : url.host) {
        if (c == '.') ++dots;
        else if (c < '0' || c > '9') return false;
    }
    return dots == 3;
}

}  // namespace

struct CloudSession::Impl {
    CloudSession::Options options;
    CURLM* multi = nullptr;
    std::mutex mutex;
    // Held by the worker from asking the guards to the end of a round of
    // sending, and by recheckGuards() for an instant: a round that asked
    // before a guard's answer changed has ended when it returns.
    std::mutex sending;
    std::vector<std::unique_ptr<Transfer>> incoming;
    std::vector<std::weak_ptr<Completion>> aborts;
    bool stopping = false;
    std::map<CURL*, std::unique_ptr<Transfer>> active;  // worker thread only

    // The multi handle lives as long as anyone may still wake it (a late
    // cancel() holds the internals), not just as long as the worker.
    ~Impl() {
        if (multi) curl_multi_cleanup(multi);
    }

    void enqueue(std::unique_ptr<Transfer> t) {
        {
            std::lock_guard lock(mutex);
            if (!stopping) {
                incoming.push_back(std::move(t));
                t = nullptr;
            }
        }
        // Refused once stopped: the call never completes.
        if (t) return t->completion->cancel();
        curl_multi_wakeup(multi);
    }

    void abort(std::weak_ptr<Completion> call) {
        {
            std::lock_guard lock(mutex);
            aborts.push_back(std::move(call));
        }
        curl_multi_wakeup(multi);
    }

    void stop() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        curl_multi_wakeup(multi);
    }

    bool start(Transfer& t) {
        t.easy = curl_easy_init();
        if (!t.easy) return false;
        if (t.get) {
            for (const auto& h : t.requestHeaders) t.headers = curl_slist_append(t.headers, h.c_str());
        } else {
            for (const char* h : {"Content-Type: application/json", "Accept: application/json", "Expect:"})
                t.headers = curl_slist_append(t.headers, h);
        }
        t.limit = options.answerLimit;
        CURL* e = t.easy;
        const long timeout = static_cast<long>(options.timeout.count());
        bool ok = curl_easy_setopt(e, CURLOPT_URL, t.url.c_str()) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK;
        if (ok && t.get) {
            ok = curl_easy_setopt(e, CURLOPT_HTTPGET, 1L) == CURLE_OK;
        } else if (ok) {
            ok = curl_easy_setopt(e, CURLOPT_POST, 1L) == CURLE_OK &&
                 curl_easy_setopt(e, CURLOPT_POSTFIELDS, t.body.data()) == CURLE_OK &&
                 curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(t.body.size())) == CURLE_OK;
        }
        ok = ok && curl_easy_setopt(e, CURLOPT_HTTPHEADER, t.headers) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, timeout) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, timeout) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, collect) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_WRITEDATA, &t) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, countHeader) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_HEADERDATA, &t) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.answerLimit)) == CURLE_OK;
        // An empty proxy overrides http_proxy and friends from the environment.
        if (ok && t.loopback) ok = curl_easy_setopt(e, CURLOPT_PROXY, "") == CURLE_OK;
        return ok && curl_multi_add_handle(multi, e) == CURLM_OK;
    }

    Outcome outcome(const Transfer& t, CURLcode code) {
        switch (code) {
        case CURLE_OK: {
            long status = 0;
            curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
            if (status < 100) return CloudError::badAnswer();
            return HttpAnswer{static_cast<int>(status), t.answer};
        }
        case CURLE_OPERATION_TIMEDOUT: return CloudError::timeout();
        case CURLE_FILESIZE_EXCEEDED: return CloudError::badAnswer();
        case CURLE_WRITE_ERROR: return t.overLimit ? CloudError::badAnswer() : transportError(code);
        // How libcurl refuses a header line over its own 100 KiB limit.
        case CURLE_OUT_OF_MEMORY: return t.headerBytes > 0 ? CloudError::badAnswer() : transportError(code);
        // Only http and https are ever started, so these mean the peer did not speak HTTP.
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_WEIRD_SERVER_REPLY: return CloudError::badAnswer();
        default: return transportError(code);
        }
    }

    // A finish that throws still answers the caller, with an answer it can handle.
    void complete(std::unique_ptr<Transfer> t, Outcome outcome) {
        if (t->completion->cancelled()) return;
        std::function<void()> answer;
        try {
            answer = t->finish(std::move(outcome));
        } catch (...) {
            logCaughtException("server session");
            try {
                answer = t->finish(CloudError::badAnswer());
            } catch (...) {
                logCaughtException("server session");
                return;
            }
        }
        t->completion->deliver(t->executor, std::move(answer));
    }

    void drop(CURL* easy) {
        curl_multi_remove_handle(multi, easy);
        active.erase(easy);
    }

    // Nothing thrown on the worker ends the process: it is logged and the
    // worker goes on with the next round.
    void run() {
        for (;;) {
            try {
                if (!round()) break;
            } catch (...) {
                logCaughtException("server session");
            }
        }
        for (auto& [easy, t] : active) {
            // Forget a name lookup still under way rather than wait for it.
            curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
            curl_multi_remove_handle(multi, easy);
        }
        active.clear();
        std::lock_guard lock(mutex);
        incoming.clear();
    }

    // One round of the worker: false once stopping.
    bool round() {
        std::vector<std::unique_ptr<Transfer>> fresh;
        std::vector<std::weak_ptr<Completion>> cancelled;
        {
            std::lock_guard lock(mutex);
            if (stopping) return false;
            fresh.swap(incoming);
            cancelled.swap(aborts);
        }
        // Outside the sending lock: a guard's recheck waits for that lock.
        for (auto& t : fresh) makeBody(*t);
        {
            const std::lock_guard send(sending);
            for (auto& t : fresh) {
                if (t->completion->cancelled()) continue;
                if (t->failure) {
                    CloudError e = *t->failure;
                    complete(std::move(t), e);
                } else if (refused(*t)) {
                    complete(std::move(t), CloudError::withdrawn());
                } else if (!start(*t)) {
                    complete(std::move(t), CloudError::transport("could not start the request"));
                } else {
                    CURL* easy = t->easy;
                    active.emplace(easy, std::move(t));
                }
            }
            for (const auto& weak : cancelled)
                for (auto it = active.begin(); it != active.end(); ++it)
                    if (it->second->completion == weak.lock()) {
                        drop(it->first);
                        break;
                    }
            withdrawRefused();
            int running = 0;
            curl_multi_perform(multi, &running);
            int left = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
                if (msg->msg != CURLMSG_DONE) continue;
                CURL* easy = msg->easy_handle;
                CURLcode code = msg->data.result;
                auto it = active.find(easy);
                if (it == active.end()) continue;
                std::unique_ptr<Transfer> t = std::move(it->second);
                curl_multi_remove_handle(multi, easy);
                active.erase(it);
                Outcome o = outcome(*t, code);
                complete(std::move(t), std::move(o));
            }
        }
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        return true;
    }

    static void makeBody(Transfer& t) {
        if (!t.makeBody || t.failure || t.completion->cancelled()) return;
        auto made = std::exchange(t.makeBody, nullptr)();
        if (made) t.body = std::move(made).value();
        else t.failure = made.error();
    }

    // Transfers under way whose guard refuses now go before another byte does.
    void withdrawRefused() {
        std::vector<CURL*> gone;
        for (const auto& [easy, t] : active)
            if (refused(*t)) gone.push_back(easy);
        for (CURL* easy : gone) {
            std::unique_ptr<Transfer> t = std::move(active.at(easy));
            drop(easy);
            complete(std::move(t), CloudError::withdrawn());
        }
    }
};

std::shared_ptr<CloudSession> CloudSession::make(Options options) {
    static std::once_flag global;
    std::call_once(global, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return std::shared_ptr<CloudSession>(new CloudSession(options));
}

CloudSession::CloudSession(Options options) : options_(options), impl_(std::make_shared<Impl>()) {
    impl_->options = options;
    impl_->multi = curl_multi_init();
    // The thread keeps the internals alive even if the last owner lets go of
    // the session from inside a completion running on it.
    worker_ = std::thread([impl = impl_] { impl->run(); });
}

CloudSession::~CloudSession() { stop(); }

void CloudSession::stop() {
    std::lock_guard lock(stopping_);
    impl_->stop();
    if (!worker_.joinable()) return;
    if (worker_.get_id() == std::this_thread::get_id()) worker_.detach();
    else worker_.join();
}

namespace {

// A transfer and the handle that can abort it.
std::pair<std::unique_ptr<Transfer>, CloudCall> newTransfer(const std::shared_ptr<CloudSession::Impl>& impl,
                                                            Executor executor, CloudSession::Finish finish) {
    auto t = std::make_unique<Transfer>();
    t->completion = std::make_shared<Completion>();
    t->completion->onCancel([session = std::weak_ptr<CloudSession::Impl>(impl),
                             call = std::weak_ptr<Completion>(t->completion)] {
        if (auto s = session.lock()) s->abort(call);
    });
    t->executor = std::move(executor);
    t->finish = std::move(finish);
    CloudCall call(t->completion);
    return {std::move(t), std::move(call)};
}

}  // namespace

namespace {

void aim(Transfer& t, const Url& url) {
    const std::string scheme = text::lower(url.scheme);
    if (scheme != "http" && scheme != "https") t.failure = transportError(CURLE_UNSUPPORTED_PROTOCOL);
    else if (!url.hasAuthority()) t.failure = transportError(CURLE_URL_MALFORMAT);
    Url target = url;
    target.fragment.reset();
    t.url = target.toString();
    t.loopback = isLoopback(url);
}

}  // namespace

CloudCall CloudSession::post(const Url& url, std::string body, Executor executor, Finish finish, Guard guard) {
    MakeBody made = [body = std::move(body)]() mutable -> Result<std::string, CloudError> { return std::move(body); };
    return post(url, std::move(made), std::move(executor), std::move(finish), std::move(guard));
}

CloudCall CloudSession::post(const Url& url, MakeBody body, Executor executor, Finish finish, Guard guard) {
    auto [t, call] = newTransfer(impl_, std::move(executor), std::move(finish));
    aim(*t, url);
    t->makeBody = std::move(body);
    t->guard = std::move(guard);
    impl_->enqueue(std::move(t));
    return std::move(call);
}

CloudCall CloudSession::get(const Url& url, std::vector<std::string> headers, Executor executor, Finish finish) {
    auto [t, call] = newTransfer(impl_, std::move(executor), std::move(finish));
    aim(*t, url);
    t->get = true;
    t->requestHeaders = std::move(headers);
    impl_->enqueue(std::move(t));
    return std::move(call);
}

void CloudSession::recheckGuards() {
    { const std::lock_guard wait(impl_->sending); }
    curl_multi_wakeup(impl_->multi);
}

CloudCall CloudSession::fail(CloudError error, Executor executor, Finish finish) {
    auto [t, call] = newTransfer(impl_, std::move(executor), std::move(finish));
    t->failure = std::move(error);
    impl_->enqueue(std::move(t));
    return std::move(call);
}

}  // namespace kestrove
