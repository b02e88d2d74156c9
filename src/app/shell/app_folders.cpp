#include "app/shell/app_folders.hpp"

#include <QStandardPaths>

namespace kestrove {

namespace {

// Qt follows the XDG rules: a relative or empty variable counts as unset.
std::filesystem::path under(QStandardPaths::StandardLocation location) {
    return std::filesystem::path(QStandardPaths::writableLocation(location).toStdString()) / "Kestrove";
}

}  // namespace

std::filesystem::path appDataFolder() { return under(QStandardPaths::GenericDataLocation); }
std::filesystem::path appConfigFolder() { return under(QStandardPaths::GenericConfigLocation); }

}  // namespace kestrove
