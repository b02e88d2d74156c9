#pragma once
// Files the developer modes read and write: pictures given on the command
// line, and their output written whole or not at all. A mode that cannot
// write what it was asked for says so, naming the path, and ends with
// `cannotWrite` instead of reporting success over nothing.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>

#include "core/picture/image.hpp"

namespace kestrove::DevFiles {

// The exit code of a mode whose output could not be written (sysexits'
// EX_CANTCREAT).
inline constexpr int cannotWrite = 73;

// A PNG file as RGBA; absent when it cannot be read or decoded.
std::optional<Image> readPng(const std::filesystem::path& path);

// The folder a mode writes into. Every write is whole or not at all; the
// first that fails is logged and kept, and turns the mode's exit code.
class OutputFolder {
public:
    explicit OutputFolder(std::filesystem::path path) : path_(std::move(path)) {}

    // Makes the folder with any missing parents and shows that it takes a
    // file, so a mode fails before its work rather than after it; false
    // (logged) when it does not.
    bool prepare();

    // `bytes` as the file `name` in the folder; false (logged) when it fails.
    bool write(const std::string& name, std::string_view bytes);
    // A PNG of the picture (alpha kept); an empty picture is a failure too.
    bool writePicture(const std::string& name, const Image& picture);
    bool writePicture(const std::string& name, const QImage& picture);
    // Lines joined by line feeds with one final line feed, as "report.txt".
    bool writeReport(const std::vector<std::string>& lines);

    // `code`, or `cannotWrite` once a write has failed.
    int exitCode(int code) const { return failure_ ? cannotWrite : code; }
    // Why the first failed write failed, naming its path.
    const std::optional<std::string>& failure() const { return failure_; }
    const std::filesystem::path& path() const { return path_; }

private:
    bool failed(std::string why);

    std::filesystem::path path_;
    std::optional<std::string> failure_;
};

}  // namespace kestrove::DevFiles
