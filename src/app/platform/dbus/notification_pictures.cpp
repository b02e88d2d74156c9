#include "app/platform/dbus/notification_pictures.hpp"

#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/foundation/data_files.hpp"
#include "core/picture/png.hpp"

namespace kestrove {

namespace {

constexpr std::time_t day = 24 * 60 * 60;
constexpr std::time_t pruneEvery = 60 * 60;
// Services show the picture as a thumbnail; a full-screen PNG would only
// cost the bark tens of milliseconds to write and the service to read.
constexpr int longestSide = 640;

std::filesystem::path fromEnvironment(const char* name) {
    const char* v = std::getenv(name);
    return v && *v == '/' ? std::filesystem::path(v) : std::filesystem::path();
}

bool isDirectory(const std::filesystem::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Shrunk, and compressed lightly: the file lives a day and is read once, and
// a bark should not wait on zlib.
std::optional<std::vector<std::uint8_t>> thumbnailPng(const Image& full) {
    if (!full.isValid()) return std::nullopt;
    const int side = std::max(full.width, full.height);
    if (side <= longestSide) return encodePng(full, {.quick = true});
    const Image shrunk = downscaleArea(full, std::max(1, full.width * longestSide / side),
                                       std::max(1, full.height * longestSide / side));
    return encodePng(shrunk, {.quick = true});
}

bool writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::filesystem::path NotificationPictures::defaultFolder() {
    if (auto runtime = fromEnvironment("XDG_RUNTIME_DIR"); !runtime.empty() && isDirectory(runtime))
        return runtime / "kestrove";
    auto cache = fromEnvironment("XDG_CACHE_HOME");
    if (cache.empty()) cache = fromEnvironment("HOME") / ".cache";
    return cache / "Kestrove" / "notifications";
}

bool NotificationPictures::makeFolder() const {
    return !folder_.empty() && folder_.is_absolute() && makePrivateFolder(folder_).ok();
}

std::optional<std::filesystem::path> NotificationPictures::store(const Image& image) {
    const auto png = thumbnailPng(image);
    if (!png || !makeFolder()) return std::nullopt;
    const auto name = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString() + ".png";
    const auto file = folder_ / name;
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return std::nullopt;
    const bool written = writeAll(fd, *png);
    if (::close(fd) != 0 || !written) {
        discard(file);
        return std::nullopt;
    }
    const std::time_t now = std::time(nullptr);
    if (!lastPrune_ || now - *lastPrune_ >= pruneEvery || now < *lastPrune_) {
        lastPrune_ = now;
        prune(now, file);
    }
    return file;
}

void NotificationPictures::prune(std::time_t now, const std::filesystem::path& keep) const {
    DIR* dir = ::opendir(folder_.c_str());
    if (!dir) return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::filesystem::path name = entry->d_name;
        if (name.extension() != ".png" || folder_ / name == keep) continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime > day) ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

void NotificationPictures::discard(const std::filesystem::path& file) {
    if (!file.empty()) ::unlink(file.c_str());
}

}  // namespace kestrove
