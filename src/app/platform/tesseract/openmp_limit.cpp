#include "app/platform/tesseract/openmp_limit.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace kestrove {

void limitOpenMPThreads(char** argv) {
    const char* limit = std::getenv("OMP_THREAD_LIMIT");
    if (limit && std::string_view(limit) == "1") return;
    if (!argv || !argv[0] || ::setenv("OMP_THREAD_LIMIT", "1", 1) != 0) return;
    ::execv("/proc/self/exe", argv);
}

}  // namespace kestrove
