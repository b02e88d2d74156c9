#pragma once
// Whether this session lets us read the screen: an X11 session (DISPLAY set,
// not a Wayland session) whose server has Composite.

namespace kestrove::Permissions {

// An X11 session (isX11Session) whose server has Composite; asks the X
// server (one short connection).
bool screenRecordingAllowed();

}  // namespace kestrove::Permissions
