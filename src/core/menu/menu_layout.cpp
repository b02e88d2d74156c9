#include "core/menu/menu_layout.hpp"

#include <algorithm>
#include <cmath>

namespace kestrove::MenuLayout {

namespace {

bool usable(const std::optional<Size>& picture) { return picture && picture->w > 0 && picture->h > 0; }

}  // namespace

bool usesGrid(int count) { return count > 2; }

Size feedSize(std::optional<Size> picture, bool small) {
    if (!usable(picture)) return small ? Size{144, 40} : Size{320, 64};
    const Size box = small ? smallFeed : largeFeed;
    const double scale = std::min({box.w / picture->w, box.h / picture->h, small ? 1.0 : 2.0});
    return {std::max(std::round(scale * picture->w), 8.0), std::max(std::round(scale * picture->h), 8.0)};
}

double largeHeight(Size feed) { return feed.h + largeTop + largeFeedGap + largeCaption; }

double wallHeight(const std::vector<std::optional<Size>>& pictures) {
    const auto n = static_cast<int>(pictures.size());
    if (n == 0) return free;
    if (usesGrid(n)) {
        const int rows = (n + 1) / 2;
        return rows * smallHeight + (rows - 1) * gap;
    }
    double total = gap * (n - 1);
    for (const auto& p : pictures) total += largeHeight(feedSize(p, false));
    return total;
}

bool scrolls(double wallHeight, double limit) { return limit < wallHeight; }

}  // namespace kestrove::MenuLayout
