#include "app/frame/frame_layout.hpp"

#include <algorithm>

namespace kestrove::FrameGeometry {

Layout around(const Rect& box, const Rect& screen) {
    const bool tagOnTop = box.minY() - screen.minY() >= tagRoom;
    const double width = std::max(box.width + 2 * margin, minWidth);
    const double height = box.height + margin + tagBand;
    const double y = tagOnTop ? box.minY() - tagBand : box.minY() - margin;
    return {{box.minX() - margin, y, width, height}, tagOnTop};
}

Rect boxInView(Size regionSize, bool tagOnTop) {
    return {margin, tagOnTop ? tagBand : margin, regionSize.w, regionSize.h};
}

Point tagOrigin(Size regionSize, bool tagOnTop) {
    if (tagOnTop) return {3, 2};
    return {3, boxInView(regionSize, tagOnTop).maxY() + margin};
}

std::vector<Rect> paintedAreas(const Rect& box, bool tagOnTop, Size tagSize, bool flashing) {
    // The ring's outer hairline ends 4 points out; the margin also covers the
    // edge pixels antialiasing touches when the box is not on whole points.
    const double m = margin;
    std::vector<Rect> areas{
        {box.minX() - m, box.minY() - m, box.width + 2 * m, m},
        {box.minX() - m, box.maxY(), box.width + 2 * m, m},
        {box.minX() - m, box.minY(), m, box.height},
        {box.maxX(), box.minY(), m, box.height},
    };
    const Rect view = boxInView(box.size(), tagOnTop);
    const Point tag = tagOrigin(box.size(), tagOnTop);
    const double r = tagRings;
    areas.push_back({box.minX() - view.x + tag.x - r, box.minY() - view.y + tag.y - r, tagSize.w + 2 * r,
                     tagSize.h + 2 * r});
    if (flashing) areas.push_back(box);
    return areas;
}

}  // namespace kestrove::FrameGeometry
