#pragma once
// What can be learnt about the program behind a window from /proc: its app
// id, the libraries and files it ships and its helper processes, and from
// those whether it is built on Chromium.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/windows/chromium_detection.hpp"

namespace kestrove::DirectAccess {

struct ProcessFacts {
    // Flatpak id, else snap name, else the executable's file name.
    std::optional<std::string> appID;
    // File names of the mapped shared objects and of the files beside the
    // executable and in its "resources" folder; absent when none could be read.
    std::optional<std::vector<std::string>> frameworks;
    // "--type=…" arguments of child and grandchild processes, and helper
    // executables beside the executable.
    std::vector<std::string> helpers;
    bool operator==(const ProcessFacts&) const = default;
};

// `procRoot` is "/proc" except in tests.
ProcessFacts facts(std::int32_t pid, const std::string& procRoot = "/proc");

ChromiumDetection::Verdict chromium(std::int32_t pid, const std::string& procRoot = "/proc");

}  // namespace kestrove::DirectAccess
