#pragma once
// A loopback HTTP/1.1 server for tests: listens on 127.0.0.1, port chosen by
// the system, one thread per connection. Every request is logged (method,
// path, headers as sent, body) and answered from a per-path script, so tests
// can check exactly what the product sent and how it copes with odd servers.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace kestrove::testing {

struct RecordedRequest {
    std::string method;
    std::string path;  // the request target as sent, query included
    std::vector<std::pair<std::string, std::string>> headers;  // in order, names as sent
    std::string body;

    // The first header of that name, compared without case.
    std::optional<std::string> header(std::string_view name) const;
};

struct ScriptedAnswer {
    enum class Behaviour {
        reply,              // status, headers, body
        neverAnswer,        // read the request, then stay silent
        closeWithoutReply,  // read the request, then hang up
        garbage,            // bytes that are not HTTP, then hang up
        shortBodyThenClose, // promise more body than is sent, then hang up
    };
    Behaviour behaviour = Behaviour::reply;
    int status = 200;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // added to the defaults
    std::chrono::milliseconds delay{0};                        // before anything is sent
    std::size_t streamBytes = 0;   // when > 0: a body of this many "x" instead of `body`
    bool declareLength = true;     // send Content-Length (else the body ends at close)

    static ScriptedAnswer json(int status, std::string body) {
        ScriptedAnswer a;
        a.status = status;
        a.body = std::move(body);
        return a;
    }
    static ScriptedAnswer with(Behaviour behaviour) {
        ScriptedAnswer a;
        a.behaviour = behaviour;
        return a;
    }
};

class HttpTestServer {
public:
    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string url(std::string_view path = "") const;

    // Answers requests for `path` (query ignored); unscripted paths get 404.
    void answer(const std::string& path, ScriptedAnswer answer);

    std::vector<RecordedRequest> requests() const;
    // Waits until at least `count` requests have been logged.
    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    std::size_t connections() const;

    // A port on 127.0.0.1 that nothing listens on (taken and let go again).
    static int unusedPort();

private:
    void acceptLoop();
    void serve(int fd);
    bool waitStopped(std::chrono::milliseconds timeout);

    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    int port_ = 0;
    mutable std::mutex mutex_;
    mutable std::condition_variable logged_;
    std::map<std::string, ScriptedAnswer> script_;
    std::vector<RecordedRequest> log_;
    std::size_t connections_ = 0;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

}  // namespace kestrove::testing
