#pragma once
// The tray panel's snapshot surfaces: sample watches in each state, hung
// under a menu bar's worth of sky. Empty until the tray menu is built in.

#include <vector>

#include "app/dev/snapshots.hpp"

namespace kestrove::SnapshotMenu {

std::vector<Snapshots::Surface> surfaces(bool dark);

}  // namespace kestrove::SnapshotMenu
