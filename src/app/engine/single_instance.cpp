#include "app/engine/single_instance.hpp"

#include <QString>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "core/foundation/data_files.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

namespace {

// The system's reason the lock in `folder` could not be made: QLockFile
// keeps it to itself, so the folder is asked again, then a lock file
// already there.
std::string whyNoLock(const std::filesystem::path& folder, QLockFile::LockError error) {
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    const int fd = ::open(SingleInstance::lockFile(folder).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd >= 0) ::close(fd);
    else if (errno != ENOENT) return std::strerror(errno);
    return error == QLockFile::PermissionError ? std::strerror(EACCES) : "the reason is unknown";
}

}  // namespace

SingleInstance::SingleInstance(const std::filesystem::path& file) : lock_(QString::fromStdString(file.string())) {
    // Held for the life of the process: only a dead holder makes it stale,
    // never its age.
    lock_.setStaleLockTime(0);
}

std::unique_ptr<SingleInstance> SingleInstance::acquire(const std::filesystem::path& folder) {
    std::error_code ec;
    // The second instance finds the folder made; only the first makes it.
    if (!std::filesystem::is_directory(folder, ec)) {
        if (const auto made = makePrivateFolder(folder); !made) {
            logLine("cannot start: " + made.error());
            return nullptr;
        }
    }
    std::unique_ptr<SingleInstance> instance(new SingleInstance(lockFile(folder)));
    if (instance->lock_.tryLock(0)) return instance;
    if (instance->lock_.error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, app;
        const bool known = instance->lock_.getLockInfo(&pid, &host, &app);
        logLine("already running" + (known ? " (process " + std::to_string(pid) + ")" : std::string()) +
                "; this start quits without touching any file");
    } else {
        logLine("cannot start: the lock " + lockFile(folder).string() + " cannot be made (" +
                whyNoLock(folder, instance->lock_.error()) + ")");
    }
    return nullptr;
}

}  // namespace kestrove
