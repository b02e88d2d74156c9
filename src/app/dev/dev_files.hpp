#pragma once
// Files the developer modes read and write: pictures given on the command
// line, and their output written whole or not at all.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/picture/image.hpp"

namespace kestrove::DevFiles {

// A PNG file as RGBA; absent when it cannot be read or decoded.
std::optional<Image> readPng(const std::filesystem::path& path);

// The folder with any missing parents; a failure shows later, when its files
// cannot be written.
void makeFolder(const std::filesystem::path& folder);

// Lines joined by line feeds with one final line feed, as "report.txt" in the
// folder; a failed write is ignored.
void writeReport(const std::filesystem::path& folder, const std::vector<std::string>& lines);

}  // namespace kestrove::DevFiles
