#pragma once
// The watch file's writes in a folder, counted through inotify.

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

namespace kestrove::testing {

// Counts the watch file's writes: the first save links a new file in, every
// later one renames a new file over it. (The moves out of the temporary
// names are watched too: the kernel merges identical events in a row.)
class SaveCounter {
public:
    explicit SaveCounter(const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO);
    }
    ~SaveCounter() { ::close(fd_); }
    // Saves since the last call.
    int take() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) break;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if (e->len && (e->mask & (IN_CREATE | IN_MOVED_TO)) && std::string(e->name) == "watches.json") ++count_;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return std::exchange(count_, 0);
    }

private:
    int fd_ = -1;
    int count_ = 0;
};

}  // namespace kestrove::testing
