#include "app/platform/direct_reader.hpp"

#include <cerrno>
#include <csignal>

namespace kestrove {

bool processAlive(std::int32_t pid) {
    if (pid < 1) return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace kestrove
