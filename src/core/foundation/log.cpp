#include "core/foundation/log.hpp"

#include <syslog.h>

#include <cstdio>
#include <exception>
#include <mutex>

namespace kestrove {

std::string logLineText(std::string_view message) {
    std::string line(logPrefix);
    line.reserve(logPrefix.size() + message.size());
    for (char c : message) line.push_back(c == '\n' || c == '\r' ? ' ' : c);
    return line;
}

void logLine(std::string_view message) {
    const std::string line = logLineText(message);
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    ::syslog(LOG_NOTICE, "%s", line.c_str());
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void logCaughtException(std::string_view where) {
    std::string what = "an unknown exception";
    try {
        throw;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    logLine(std::string(where) + ": " + what);
}

}  // namespace kestrove
