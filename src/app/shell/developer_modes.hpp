#pragma once
// The developer modes the entry point starts instead of the tray
// application: checks that write their findings into a folder, the server
// checks and the chat trial. Each returns the process's exit status.

#include "app/shell/launch_mode.hpp"

namespace kestrove {

// The modes that need no display run under a core application object, the
// others under a full one; `argc`/`argv` go to that object.
int runDeveloperMode(const LaunchMode& mode, int& argc, char** argv);

// The flag that asked for `kind`, for messages.
const char* modeFlag(LaunchMode::Kind kind);

}  // namespace kestrove
