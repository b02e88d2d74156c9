#pragma once
// The report of the accessibility check: lines collected in order and
// written once, when the check ends, to "report.txt" in its folder.

#include <string>
#include <vector>

#include <qcoro/qcorotask.h>

#include "app/dev/dev_files.hpp"
#include "app/platform/platform.hpp"

namespace kestrove::DevAX {

struct Report {
    DevFiles::OutputFolder folder;
    std::vector<std::string> lines;

    void add(std::string line) { lines.push_back(std::move(line)); }
    // Writes the lines (each ended by a line feed, UTF-8) atomically and
    // answers `code`, or DevFiles::cannotWrite when a write failed.
    int finish(int code);
    // The empty file "ready" (replacing one): the reads have begun.
    void writeReady() { folder.write("ready", ""); }
};

// What this session allows, looked at without asking the user: reading
// windows through AT-SPI (the accessibility bus answers and is enabled) and
// reading the screen (an X11 session with Composite).
struct Permissions {
    bool accessibility = false;
    bool screen = false;
};
QCoro::Task<bool> accessibilityAllowed(Platform& platform);
QCoro::Task<bool> screenAllowed(Platform& platform);

// "Accessibility: allowed · Screen Recording: granted", or NOT for either.
std::string permissionLine(const Permissions& p);

// The current time, "HH:mm:ss" in the local time zone.
std::string clockTime();
// The current time as an ISO 8601 date and time in UTC.
std::string isoNow();

}  // namespace kestrove::DevAX
