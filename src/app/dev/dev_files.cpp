#include "app/dev/dev_files.hpp"

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

#include "app/look/qt_image.hpp"
#include "core/foundation/data_files.hpp"
#include "core/foundation/log.hpp"
#include "core/picture/png.hpp"

namespace kestrove::DevFiles {

namespace {
// Larger files are no picture anyone means to use here.
constexpr std::size_t maxPictureFile = 64u << 20;
}  // namespace

std::optional<Image> readPng(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    char chunk[65536];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + file.gcount());
        if (bytes.size() > maxPictureFile) return std::nullopt;
    }
    return decodePng(bytes);
}

bool OutputFolder::failed(std::string why) {
    logLine(why);
    if (!failure_) failure_ = std::move(why);
    return false;
}

bool OutputFolder::prepare() {
    std::error_code error;
    std::filesystem::create_directories(path_, error);
    if (error) return failed("cannot make " + path_.string() + ": " + error.message());
    if (!std::filesystem::is_directory(path_, error))
        return failed("cannot make " + path_.string() + ": not a folder");
    // Root writes past a folder's mode, and some file systems refuse only
    // the write itself: a file made and removed is the one sure test.
    std::string probe = (path_ / ".kestrove-XXXXXX").string();
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) return failed("cannot write into " + path_.string() + ": " + std::strerror(errno));
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool OutputFolder::write(const std::string& name, std::string_view bytes) {
    const auto written = writeFileAtomically(path_ / name, bytes);
    return written ? true : failed(written.error());
}

bool OutputFolder::writePicture(const std::string& name, const Image& picture) {
    const auto png = encodePng(picture, {.keepAlpha = true});
    if (!png) return failed("cannot write " + (path_ / name).string() + ": the picture could not be made into a PNG");
    return write(name, std::string_view(reinterpret_cast<const char*>(png->data()), png->size()));
}

bool OutputFolder::writePicture(const std::string& name, const QImage& picture) {
    return writePicture(name, imageFromQImage(picture));
}

bool OutputFolder::writeReport(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return write("report.txt", text);
}

}  // namespace kestrove::DevFiles
