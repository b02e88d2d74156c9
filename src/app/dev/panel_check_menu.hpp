#pragma once
// The panel fit check's part for the tray panel: twelve states of sample
// watches, chat and update line, each measured against its content.

#include <chrono>
#include <filesystem>
#include <ostream>

namespace kestrove::PanelCheckMenu {

// Prints one line per state and writes its picture; answers how many states
// did not fit. Without the tray menu built in there are no states.
int run(const std::filesystem::path& folder, std::ostream& out, std::chrono::milliseconds settle);

}  // namespace kestrove::PanelCheckMenu
