#include "support/http_test_server.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace kestrove::testing {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return std::string(s);
}

bool sendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

const char* reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 409: return "Conflict";
    case 413: return "Payload Too Large";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (sameName(n, name)) return v;
    return std::nullopt;
}

HttpTestServer::HttpTestServer() {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe");
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 64) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
    char byte = 1;
    (void)!::write(wakeWrite_, &byte, 1);  // stays unread: every waiter wakes
    acceptor_.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (auto& t : workers) t.join();
    ::close(listener_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

std::string HttpTestServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void HttpTestServer::answer(const std::string& path, ScriptedAnswer answer) {
    std::lock_guard lock(mutex_);
    script_[path] = std::move(answer);
}

std::vector<RecordedRequest> HttpTestServer::requests() const {
    std::lock_guard lock(mutex_);
    return log_;
}

bool HttpTestServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return logged_.wait_for(lock, timeout, [&] { return log_.size() >= count; });
}

std::size_t HttpTestServer::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

int HttpTestServer::unusedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool HttpTestServer::waitStopped(std::chrono::milliseconds timeout) {
    pollfd p{wakeRead_, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0;
}

void HttpTestServer::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        ++connections_;
        workers_.emplace_back([this, fd] {
            serve(fd);
            ::close(fd);
        });
    }
}

void HttpTestServer::serve(int fd) {
    // Read the head, then as much body as Content-Length says.
    std::string data;
    std::size_t headEnd = std::string::npos;
    std::size_t need = std::string::npos;
    char buf[65536];
    while (need == std::string::npos || data.size() < need) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, 10000) <= 0 || fds[1].revents) return;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return;
        data.append(buf, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos && (headEnd = data.find("\r\n\r\n")) != std::string::npos) {
            std::size_t length = 0;
            std::string_view head(data.data(), headEnd);
            std::size_t at = head.find("\r\n");
            while (at != std::string_view::npos) {
                std::size_t next = head.find("\r\n", at + 2);
                std::string_view line = head.substr(at + 2, next == std::string_view::npos ? std::string_view::npos : next - at - 2);
                auto colon = line.find(':');
                if (colon != std::string_view::npos && sameName(line.substr(0, colon), "Content-Length"))
                    length = std::stoul(trim(line.substr(colon + 1)));
                at = next;
            }
            need = headEnd + 4 + length;
        }
    }

    RecordedRequest req;
    std::string_view head(data.data(), headEnd);
    std::size_t lineEnd = head.find("\r\n");
    std::string_view requestLine = head.substr(0, lineEnd);
    auto sp1 = requestLine.find(' ');
    auto sp2 = requestLine.find(' ', sp1 + 1);
    req.method = std::string(requestLine.substr(0, sp1));
    req.path = std::string(requestLine.substr(sp1 + 1, sp2 - sp1 - 1));
    for (std::size_t at = lineEnd; at != std::string_view::npos && at < head.size();) {
        std::size_t next = head.find("\r\n", at + 2);
        std::string_view line = head.substr(at + 2, next == std::string_view::npos ? std::string_view::npos : next - at - 2);
        auto colon = line.find(':');
        if (colon != std::string_view::npos)
            req.headers.emplace_back(std::string(line.substr(0, colon)), trim(line.substr(colon + 1)));
        at = next;
    }
    req.body = data.substr(headEnd + 4, need - headEnd - 4);

    ScriptedAnswer answer = ScriptedAnswer::json(404, R"({"error":"not_found"})");
    {
        std::lock_guard lock(mutex_);
        std::string path = req.path.substr(0, req.path.find('?'));
        if (auto it = script_.find(path); it != script_.end()) answer = it->second;
        log_.push_back(std::move(req));
        logged_.notify_all();
    }

    using B = ScriptedAnswer::Behaviour;
    if (answer.delay.count() > 0 && waitStopped(answer.delay)) return;
    switch (answer.behaviour) {
    case B::neverAnswer: {
        // Until the client hangs up or the server stops.
        for (;;) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents || ::recv(fd, buf, sizeof buf, 0) <= 0) return;
        }
    }
    case B::closeWithoutReply: return;
    case B::garbage: sendAll(fd, "this is not HTTP at all\r\n\r\n"); return;
    case B::reply:
    case B::shortBodyThenClose: break;
    }

    std::size_t bodySize = answer.streamBytes > 0 ? answer.streamBytes : answer.body.size();
    std::string out = "HTTP/1.1 " + std::to_string(answer.status) + " " + reason(answer.status) + "\r\n";
    bool hasType = false;
    for (const auto& [n, v] : answer.headers) hasType = hasType || sameName(n, "Content-Type");
    if (!hasType && bodySize > 0) out += "Content-Type: application/json\r\n";
    if (answer.declareLength)
        out += "Content-Length: " +
               std::to_string(answer.behaviour == B::shortBodyThenClose ? bodySize + 100 : bodySize) + "\r\n";
    out += "Connection: close\r\n";
    for (const auto& [n, v] : answer.headers) out += n + ": " + v + "\r\n";
    out += "\r\n";
    if (!sendAll(fd, out)) return;
    if (answer.streamBytes == 0) {
        sendAll(fd, answer.body);
        return;
    }
    const std::string chunk(64 * 1024, 'x');
    for (std::size_t sent = 0; sent < answer.streamBytes;) {
        std::size_t n = std::min(chunk.size(), answer.streamBytes - sent);
        if (!sendAll(fd, std::string_view(chunk).substr(0, n))) return;
        sent += n;
    }
}

}  // namespace kestrove::testing
