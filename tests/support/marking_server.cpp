#include "support/marking_server.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <stdexcept>

namespace kestrove::testing {

using Clock = std::chrono::steady_clock;

struct MarkingServer::Connection {
    int fd = -1;
    std::string data;       // received and not yet taken as a request
    std::size_t logged = 0;  // index in log_ of the request being read, +1; 0 when none
    std::optional<std::pair<Clock::time_point, std::string>> reply;  // due time and bytes
    bool closed = false;
    ~Connection() {
        if (fd >= 0) ::close(fd);
    }
};

MarkingServer::MarkingServer(Script script) : script_(std::move(script)) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe");
    wakeRead_ = ends[0];
    wakeWrite_ = ends[1];
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 128) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { loop(); });
}

MarkingServer::~MarkingServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    const char byte = 1;
    (void)!::write(wakeWrite_, &byte, 1);
    thread_.join();
    connections_.clear();
    ::close(listener_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

std::string MarkingServer::url() const { return "http://127.0.0.1:" + std::to_string(port_); }

void MarkingServer::onServerThread(std::function<void()> fn) {
    std::promise<void> done;
    auto finished = done.get_future();
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back([&] {
            fn();
            done.set_value();
        });
    }
    const char byte = 1;
    (void)!::write(wakeWrite_, &byte, 1);
    finished.wait();
}

void MarkingServer::mark() {
    onServerThread([this] {
        // Whatever the kernel already holds arrived before the mark.
        acceptAll();
        for (auto& c : connections_) readAll(*c);
        std::lock_guard lock(mutex_);
        marked_ = true;
    });
}

void MarkingServer::reset() {
    onServerThread([this] {
        acceptAll();
        for (auto& c : connections_) {
            readAll(*c);
            c->logged = 0;
        }
        std::lock_guard lock(mutex_);
        log_.clear();
        marked_ = false;
    });
}

std::vector<MarkedRequest> MarkingServer::requests() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void MarkingServer::acceptAll() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        connections_.push_back(std::move(c));
    }
}

void MarkingServer::readAll(Connection& c) {
    char buf[65536];
    while (!c.closed) {
        const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
        if (n == 0) c.closed = true;
        if (n <= 0) break;
        {
            std::lock_guard lock(mutex_);
            if (c.logged == 0) {
                log_.push_back({});
                c.logged = log_.size();
            }
            MarkedRequest& r = log_[c.logged - 1];
            (marked_ ? r.bytesAfterMark : r.bytesBeforeMark) += static_cast<std::size_t>(n);
        }
        c.data.append(buf, static_cast<std::size_t>(n));
        take(c);
    }
}

// A whole request in `data`: logged, and its answer scheduled.
void MarkingServer::take(Connection& c) {
    const auto headEnd = c.data.find("\r\n\r\n");
    if (headEnd == std::string::npos || c.logged == 0) return;
    std::size_t length = 0;
    const auto at = c.data.find("Content-Length:");
    if (at != std::string::npos && at < headEnd) length = std::stoul(c.data.substr(at + 15));
    if (c.data.size() < headEnd + 4 + length) return;
    const auto sp = c.data.find(' ');
    std::string path = c.data.substr(sp + 1, c.data.find(' ', sp + 1) - sp - 1);
    path = path.substr(0, path.find('?'));
    std::string body = c.data.substr(headEnd + 4, length);
    const Answer answer = script_(path, body);
    {
        std::lock_guard lock(mutex_);
        MarkedRequest& r = log_[c.logged - 1];
        r.path = path;
        r.body = std::move(body);
        r.complete = true;
    }
    c.logged = 0;
    c.data.erase(0, headEnd + 4 + length);
    c.reply = {Clock::now() + answer.delay,
               "HTTP/1.1 " + std::to_string(answer.status) + " Status\r\nContent-Type: application/json\r\n" +
                   "Content-Length: " + std::to_string(answer.body.size()) + "\r\nConnection: close\r\n\r\n" +
                   answer.body};
}

void MarkingServer::sendDue() {
    const auto now = Clock::now();
    for (auto& c : connections_) {
        if (!c->reply || c->reply->first > now) continue;
        (void)!::send(c->fd, c->reply->second.data(), c->reply->second.size(), MSG_NOSIGNAL);
        c->reply.reset();
        c->closed = true;
    }
    std::erase_if(connections_, [](const auto& c) { return c->closed && !c->reply; });
}

void MarkingServer::loop() {
    for (;;) {
        std::vector<std::function<void()>> tasks;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            tasks.swap(tasks_);
        }
        for (auto& task : tasks) task();
        acceptAll();
        for (auto& c : connections_) readAll(*c);
        sendDue();
        int timeout = 50;
        for (const auto& c : connections_)
            if (c->reply)
                timeout = std::min<int>(timeout, int(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                         c->reply->first - Clock::now()).count()) + 1);
        std::vector<pollfd> fds{{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        for (const auto& c : connections_)
            if (!c->closed) fds.push_back({c->fd, POLLIN, 0});
        ::poll(fds.data(), fds.size(), std::max(timeout, 0));
        char drain[64];
        while (::read(wakeRead_, drain, sizeof drain) > 0) {
        }
    }
}

}  // namespace kestrove::testing
