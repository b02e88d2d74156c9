#include "app/menu/menu_model.hpp"

#include <algorithm>

#include "core/menu/menu_layout.hpp"

namespace kestrove {

void MenuModel::setMonitors(std::vector<Monitor> monitors) {
    if (monitors == monitors_) return;
    monitors_ = std::move(monitors);
    emit wallChanged();
}

void MenuModel::setPictures(std::map<std::string, QImage> pictures) {
    pictures_ = std::move(pictures);
    emit wallChanged();
}

void MenuModel::setMonitors(std::vector<Monitor> monitors, std::map<std::string, QImage> pictures) {
    if (!(monitors == monitors_)) monitors_ = std::move(monitors);
    pictures_ = std::move(pictures);
    emit wallChanged();
}

void MenuModel::setFlag(bool& field, bool on) {
    if (field == on) return;
    field = on;
    emit deskChanged();
}

void MenuModel::setUpdate(UpdateNote update) {
    if (update == update_) return;
    update_ = std::move(update);
    emit deskChanged();
}

void MenuModel::setWallLimit(double limit) {
    if (limit == wallLimit_) return;
    wallLimit_ = limit;
    emit wallChanged();
}

void MenuModel::setRevealed(std::optional<std::string> id) {
    if (id == revealed_) return;
    revealed_ = std::move(id);
    emit wallChanged();
}

std::optional<Size> MenuModel::pictureSize(const Monitor& monitor) const {
    const auto it = pictures_.find(monitor.id);
    if (it == pictures_.end() || it->second.isNull()) return std::nullopt;
    const double scale = std::max(monitor.scale, 1.0);
    return Size{it->second.width() / scale, it->second.height() / scale};
}

double MenuModel::wallHeight() const {
    std::vector<std::optional<Size>> sizes;
    sizes.reserve(monitors_.size());
    for (const Monitor& m : monitors_) sizes.push_back(pictureSize(m));
    return MenuLayout::wallHeight(sizes);
}

}  // namespace kestrove
