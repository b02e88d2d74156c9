#pragma once
// The panel fit check's part for the tray panel: twelve states of sample
// watches, chat and update line, each measured against its content.

#include <chrono>
#include <ostream>

#include "app/dev/dev_files.hpp"

namespace kestrove::PanelCheckMenu {

// Prints one line per state and writes its picture into `output` (none
// after a write failed); answers how many states did not fit.
int run(DevFiles::OutputFolder& output, std::ostream& out, std::chrono::milliseconds settle);

}  // namespace kestrove::PanelCheckMenu
