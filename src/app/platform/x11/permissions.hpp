#pragma once
// Whether this session lets us read the screen: an X11 session (DISPLAY set,
// not a Wayland session) whose server has Composite.

namespace kestrove::Permissions {

// The environment alone: DISPLAY set and XDG_SESSION_TYPE not "wayland".
bool isX11Session();

// Asks the X server too (one short connection).
bool screenRecordingAllowed();

}  // namespace kestrove::Permissions
