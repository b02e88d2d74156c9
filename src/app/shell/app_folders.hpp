#pragma once
// Where Kestrove keeps its files: the watches and crops under
// $XDG_DATA_HOME/Kestrove (~/.local/share/Kestrove), the settings under
// $XDG_CONFIG_HOME/Kestrove (~/.config/Kestrove). Works before the
// application object exists.

#include <filesystem>

namespace kestrove {

std::filesystem::path appDataFolder();
std::filesystem::path appConfigFolder();

}  // namespace kestrove
