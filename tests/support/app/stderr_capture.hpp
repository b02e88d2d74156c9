#pragma once
// Everything written to standard error while the object lives, for tests of
// what is (or is not) logged.

#include <cstdio>
#include <string>

#include <unistd.h>

namespace kestrove::testing {

class StderrCapture {
public:
    StderrCapture() : file_(std::tmpfile()), saved_(::dup(2)) {
        std::fflush(stderr);
        if (file_) ::dup2(::fileno(file_), 2);
    }
    ~StderrCapture() {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        if (file_) std::fclose(file_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string text() const {
        std::fflush(stderr);
        std::string out;
        if (!file_) return out;
        char buffer[4096];
        const long end = ::lseek(::fileno(file_), 0, SEEK_END);
        for (long at = 0; at < end;) {
            const ssize_t n = ::pread(::fileno(file_), buffer, sizeof buffer, at);
            if (n <= 0) break;
            out.append(buffer, static_cast<std::size_t>(n));
            at += n;
        }
        return out;
    }

private:
    std::FILE* file_;
    int saved_;
};

}  // namespace kestrove::testing
