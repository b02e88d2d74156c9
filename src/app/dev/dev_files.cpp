#include "app/dev/dev_files.hpp"

#include <fstream>

#include "core/foundation/data_files.hpp"
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

void makeFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
}

void writeReport(const std::filesystem::path& folder, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    (void)writeFileAtomically(folder / "report.txt", text);
}

}  // namespace kestrove::DevFiles
