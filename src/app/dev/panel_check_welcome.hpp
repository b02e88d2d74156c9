#pragma once
// The panel fit check's part for the welcome window: its states one on top
// of the other, each measured against the height its content needs.

#include <chrono>
#include <ostream>

namespace kestrove::PanelCheckWelcome {

// Prints one line per state; answers how many states did not fit.
int run(std::ostream& out, std::chrono::milliseconds settle);

}  // namespace kestrove::PanelCheckWelcome
