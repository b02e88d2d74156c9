#include "core/foundation/data_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace kestrove {

namespace {

std::string errnoText(int error) { return std::strerror(error); }

// A name no user picks by hand: "watches.json.backup" or "x.png.before" must
// never pass for one. mkostemp puts six letters or digits in place of the X's.
constexpr std::string_view temporaryMark = ".kestrove-tmp-XXXXXX";
constexpr std::size_t randomPart = 6;

bool letterOrDigit(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

}  // namespace

std::optional<std::string_view> interruptedWriteOf(std::string_view fileName) {
    if (fileName.size() <= temporaryMark.size()) return std::nullopt;
    const std::size_t dot = fileName.size() - temporaryMark.size();
    const std::string_view mark = temporaryMark.substr(0, temporaryMark.size() - randomPart);
    if (fileName.substr(dot, mark.size()) != mark) return std::nullopt;
    for (char c : fileName.substr(dot + mark.size()))
        if (!letterOrDigit(c)) return std::nullopt;
    return fileName.substr(0, dot);
}

std::vector<std::filesystem::path> removeInterruptedWrites(const std::filesystem::path& folder,
                                                           const std::function<bool(std::string_view)>& wanted) {
    std::vector<std::filesystem::path> removed;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path& file = it->path();
        const std::string name = file.filename().string();
        const auto target = interruptedWriteOf(name);
        if (!target || !wanted(*target)) continue;
        // Ours alone: a plain file (never a link's target) that we own.
        struct stat st {};
        if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (::unlink(file.c_str()) == 0) removed.push_back(file);
    }
    if (!removed.empty()) (void)syncFolder(folder);
    return removed;
}

std::string interruptedWritesNote(const std::vector<std::filesystem::path>& removed) {
    return "removed " + std::to_string(removed.size()) + (removed.size() == 1 ? " file" : " files") +
           " left by saves that were cut short, such as " + removed.front().string();
}

Result<Done, std::string> syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return "cannot open " + folder.string() + ": " + errnoText(errno);
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0) return "cannot sync " + folder.string() + ": " + errnoText(error);
    return Done{};
}

Result<Done, std::string> makePrivateFolder(const std::filesystem::path& folder) {
    std::filesystem::path partial;
    for (const auto& part : folder.parent_path()) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) == 0 || errno == EEXIST) continue;
        return "cannot make " + partial.string() + ": " + errnoText(errno);
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return "cannot make " + folder.string() + ": " + errnoText(errno);
    // A link the user made (a data folder kept elsewhere) is followed; one
    // planted by someone else is not. The folder is then judged and narrowed
    // through one descriptor: whatever is renamed into its place meanwhile is
    // not touched.
    struct stat link {};
    const bool isLink = ::lstat(folder.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    if (isLink && link.st_uid != ::geteuid()) return folder.string() + " is a link of another user";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isLink ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP) return folder.string() + " became a link while it was opened";
        if (error == ENOTDIR) return folder.string() + " is not a folder";
        return "cannot open " + folder.string() + ": " + errnoText(error);
    }
    struct stat st {};
    std::string error;
    if (::fstat(fd, &st) != 0) error = "cannot open " + folder.string() + ": " + errnoText(errno);
    else if (st.st_uid != ::geteuid()) error = folder.string() + " belongs to another user";
    else if ((st.st_mode & 0777) != 0700 && ::fchmod(fd, 0700) != 0)
        error = "cannot make " + folder.string() + " private: " + errnoText(errno);
    ::close(fd);
    if (!error.empty()) return error;
    return Done{};
}

FileRead readWholeFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return FileMissing{};
        return FileUnreadable{errnoText(errno)};
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileUnreadable{"not a regular file"};
    }
    if (static_cast<std::uintmax_t>(st.st_size) > maxReadBytes) {
        ::close(fd);
        return FileUnreadable{"larger than " + std::to_string(maxReadBytes >> 20) + " MiB"};
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::uint8_t chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            return FileUnreadable{errnoText(error)};
        }
        if (bytes.size() + static_cast<std::size_t>(n) > maxReadBytes) {
            ::close(fd);
            return FileUnreadable{"larger than " + std::to_string(maxReadBytes >> 20) + " MiB"};
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    return bytes;
}

Result<Done, std::string> writeFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    // The temporary file sits beside the target, so the rename stays on one file system.
    std::string temporary = file.string() + std::string(temporaryMark);
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return "cannot write " + file.string() + ": " + errnoText(errno);
    std::string error;
    for (std::size_t done = 0; error.empty() && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = "cannot write " + file.string() + ": " + errnoText(errno);
        else done += static_cast<std::size_t>(n);
    }
    if (error.empty() && ::fsync(fd) != 0) error = "cannot sync " + file.string() + ": " + errnoText(errno);
    if (::close(fd) != 0 && error.empty()) error = "cannot write " + file.string() + ": " + errnoText(errno);
    if (error.empty() && std::rename(temporary.c_str(), file.c_str()) != 0)
        error = "cannot replace " + file.string() + ": " + errnoText(errno);
    if (!error.empty()) {
        ::unlink(temporary.c_str());
        return error;
    }
    return syncFolder(file.parent_path());
}

Result<std::filesystem::path, std::string> moveAside(const std::filesystem::path& file, std::time_t now) {
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    const std::string base = file.string() + ".damaged-" + stamp;
    std::filesystem::path aside = base;
    std::error_code ec;
    for (int n = 2; (std::filesystem::exists(aside, ec) || ec) && n < 100; ++n) aside = base + "-" + std::to_string(n);
    if (std::rename(file.c_str(), aside.c_str()) == 0) return aside;
    if (errno == ENOENT || errno == ENOTDIR) return std::filesystem::path();  // gone meanwhile: nothing left to keep
    return errnoText(errno);
}

}  // namespace kestrove
