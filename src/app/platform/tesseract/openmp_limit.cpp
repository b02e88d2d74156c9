#include "app/platform/tesseract/openmp_limit.hpp"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string_view>

namespace kestrove {

void limitOpenMPThreads(char** argv) {
    const char* limit = std::getenv("OMP_THREAD_LIMIT");
    if (limit && std::string_view(limit) == "1") return;
    if (!argv || !argv[0] || ::setenv("OMP_THREAD_LIMIT", "1", 1) != 0) return;
    // Started through its real path, the process keeps its own name in ps,
    // top and pgrep; through /proc/self/exe the kernel would call it "exe".
    char path[PATH_MAX];
    if (const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1); n > 0) {
        path[n] = '\0';
        ::execv(path, argv);
    }
    // A binary replaced or deleted since it started is still reachable here.
    ::execv("/proc/self/exe", argv);
}

}  // namespace kestrove
