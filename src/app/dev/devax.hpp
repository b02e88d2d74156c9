#pragma once
// The accessibility check, a developer mode of the application:
//   --ax-stage    the test window it reads, in a process of its own;
//   --ax-check [folder]    the comparison run on that window;
//   --ax-check [folder] --window <id> --box x,y,w,h [--seconds n]
//                 follows one box of a real window instead.
// Each needs the QApplication (with a display) and its event loop. The
// checks print nothing: they write "report.txt" into their folder.

#include <cstdint>
#include <functional>
#include <string>

#include <qcoro/qcorotask.h>

#include "app/platform/platform.hpp"
#include "core/foundation/geometry.hpp"

namespace kestrove::DevAX {

// Shows the stage and reads its commands; returns 0 at once. The stage ends
// the event loop (status 0) on "quit", at the end of its input, or after 600 s.
int runStage();

// Exit codes of the checks.
inline constexpr int complete = 0;
inline constexpr int permissionMissing = 1;
inline constexpr int windowMissing = 2;
inline constexpr int stageEnded = 3;  // the test window's process ended before the run was over
// And DevFiles::cannotWrite when the report cannot be written (at once, before
// anything is read, when the folder takes no file).

// The checks on `platform`, let go once the report is written; then `done`
// gets the exit code on the main thread.
void run(const std::string& folder, std::shared_ptr<Platform> platform, std::function<void(int)> done);
void follow(const std::string& folder, std::uint32_t window, const Rect& box, double seconds,
            std::shared_ptr<Platform> platform, std::function<void(int)> done);

// The same on a given platform.
QCoro::Task<int> runCheck(Platform& platform, std::string folder);
QCoro::Task<int> followCheck(Platform& platform, std::string folder, std::uint32_t window, Rect box, double seconds);

}  // namespace kestrove::DevAX
