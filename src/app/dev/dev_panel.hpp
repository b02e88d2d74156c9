#pragma once
// `--panel-check`: the windows that size themselves to their content (the
// new-watch panel and the welcome window) walked through their states with
// made-up content; in each state the window must be as tall as its content
// asks for. One line per state and a summary on standard output, a picture
// of every panel state in the folder.

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/platform/screen_space.hpp"

namespace kestrove::DevPanel {

// Needs a QApplication. The windows go on the first of `screens`. 0 when
// every state fits, 1 when one does not or there is no screen,
// DevFiles::cannotWrite when the folder or a picture cannot be written
// (before any state is tried when the folder takes no file). `settle`:
// how long each state gets to lay itself out.
int run(const std::filesystem::path& folder, const Screens& screens, std::ostream& out = std::cout,
        std::chrono::milliseconds settle = std::chrono::milliseconds(600));

// A window fits its content when the two heights differ by at most 1 point.
bool fits(double have, double needed);

// "panel-export-too-vague.png": the scenario as it is, the step's blanks as
// dashes.
std::string panelPicture(const std::string& scenario, const std::string& step);
// "menu-two-watches-a-newer-version-is-out.png": blanks as dashes, no commas.
std::string menuPicture(const std::string& state);

// The closing line for `failures` states that did not fit.
std::string summary(int failures);

}  // namespace kestrove::DevPanel
