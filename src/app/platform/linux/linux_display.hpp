#pragma once
// Whether this process can show windows: QApplication ends the process when
// it finds no display, so the application asks first and says why.

#include <optional>
#include <string>

namespace kestrove {

// Why no X11 display can be used (DISPLAY unset, or its server not
// answering); none when one can.
std::optional<std::string> displayProblem();

}  // namespace kestrove
