#pragma once
// A loopback HTTP/1.1 server for races: one thread reads every connection,
// so it can tell exactly which bytes arrived before a moment a test marks and
// which after. mark() first takes in everything the kernel already holds for
// it (connections waiting to be accepted included); bytes a client wrote
// before the mark are delivered on loopback before its write returns, so
// what comes after the mark was written after it. Answers are scripted per
// path and per text found in the request, with a delay of their own.

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestrove::testing {

struct MarkedRequest {
    std::string path;
    std::string body;
    std::size_t bytesBeforeMark = 0;  // of the whole request, head included
    std::size_t bytesAfterMark = 0;
    bool complete = false;
};

class MarkingServer {
public:
    struct Answer {
        int status = 200;
        std::string body;
        std::chrono::milliseconds delay{0};
    };
    // Picks the answer for a complete request (path without query, body).
    using Script = std::function<Answer(const std::string& path, const std::string& body)>;

    explicit MarkingServer(Script script);
    ~MarkingServer();
    MarkingServer(const MarkingServer&) = delete;
    MarkingServer& operator=(const MarkingServer&) = delete;

    std::string url() const;

    // From now on every byte received counts as after the mark.
    void mark();
    // Forgets every request and the mark (connections still open count anew).
    void reset();
    std::vector<MarkedRequest> requests() const;

private:
    struct Connection;
    void loop();
    void acceptAll();
    void readAll(Connection& c);
    void take(Connection& c);
    void sendDue();
    // Runs `fn` on the server's thread, between two rounds of reading.
    void onServerThread(std::function<void()> fn);

    int listener_ = -1, wakeRead_ = -1, wakeWrite_ = -1, port_ = 0;
    Script script_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Connection>> connections_;  // server thread only
    std::vector<MarkedRequest> log_;
    bool marked_ = false;
    bool stopping_ = false;
    std::vector<std::function<void()>> tasks_;
    std::thread thread_;
};

}  // namespace kestrove::testing
