#include "app/platform/under_own.hpp"

#include <cstring>

namespace kestrove {

namespace {

std::size_t offset(const Image& image, int x, int y) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 4;
}
std::uint8_t* pixel(Image& image, int x, int y) { return image.rgba.data() + offset(image, x, y); }
const std::uint8_t* pixel(const Image& image, int x, int y) { return image.rgba.data() + offset(image, x, y); }

}  // namespace

UnderOwnPlan UnderOwn::plan(const PixelRect& area, const std::vector<StackedLayer>& layers) {
    UnderOwnPlan out;
    PixelRegion undecided(area);
    PixelRegion oursAbove;    // undecided pixels where one of ours shows above
    PixelRegion shadedAbove;  // undecided pixels that ours only shade from above
    PixelRegion blended;      // undecided pixels under a translucent window of another program
    // What an opaque window (or the root) decides: the screen's own pixels
    // unless one of ours lies above; rebuilt from `source` unless something
    // translucent mixes the two. Mixed under our shade alone, the screen's
    // pixels are nearer the truth than a last picture.
    const auto decide = [&](const PixelRegion& here) {
        PixelRegion rebuilt = here;
        PixelRegion above = oursAbove;
        above.add(shadedAbove);
        rebuilt.intersect(above);
        PixelRegion mixed = rebuilt;
        mixed.intersect(blended);
        rebuilt.subtract(mixed);
        mixed.intersect(oursAbove);
        out.unknown.add(mixed);
        undecided.subtract(here);
        return rebuilt;
    };
    for (auto it = layers.rbegin(); it != layers.rend() && !undecided.empty(); ++it) {
        if (it->ours) {
            PixelRegion paints = *it->ours, shade = it->shades;
            paints.intersect(undecided);
            shade.intersect(undecided);
            oursAbove.add(paints);
            shadedAbove.add(shade);
            continue;
        }
        // Its own picture holds ours there, and so does the screen.
        PixelRegion inside = it->embedded;
        inside.intersect(undecided);
        if (!inside.empty()) {
            out.unknown.add(inside);
            undecided.subtract(inside);
        }
        PixelRegion here = it->shows;
        here.intersect(undecided);
        if (here.empty()) continue;
        if (it->translucent) {
            blended.add(here);
        } else if (PixelRegion rebuilt = decide(here); !rebuilt.empty()) {
            out.windows.push_back({it->id, std::move(rebuilt)});
        }
    }
    if (!undecided.empty()) {
        // Under anything of ours that paints, the root is ours to rebuild;
        // under shade alone it may stay the screen's.
        PixelRegion bare = decide(PixelRegion(undecided));
        out.shadedBackground = bare;
        out.shadedBackground.subtract(oursAbove);
        bare.intersect(oursAbove);
        out.background = std::move(bare);
    }
    return out;
}

void UnderOwn::takeFrom(Image& picture, const Image& last, const PixelRect& area, const PixelRegion& part) {
    if (last.width != picture.width || last.height != picture.height) return;
    PixelRegion inside = part;
    inside.clip(area);
    for (const PixelRect& r : inside.rects()) {
        const std::size_t row = static_cast<std::size_t>(r.width) * 4;
        for (int y = r.y; y < r.y + r.height; ++y)
            std::memcpy(pixel(picture, r.x - area.x, y - area.y),
                        pixel(last, r.x - area.x, y - area.y), row);
    }
}

bool UnderOwn::fillUnseen(Image& picture, const PixelRect& area, const PixelRegion& unseen) {
    const int w = picture.width, h = picture.height;
    if (w <= 0 || h <= 0) return false;
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 1);
    PixelRegion inside = unseen;
    inside.clip(area);
    if (inside.empty()) return true;
    for (const PixelRect& r : inside.rects())
        for (int y = r.y - area.y; y < r.y - area.y + r.height; ++y)
            std::memset(&seen[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(r.x - area.x)], 0,
                        static_cast<std::size_t>(r.width));
    // Along each row: a run takes the seen pixel before it, or after it at the row's start.
    std::vector<bool> rowSeen(static_cast<std::size_t>(h), false);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* s = &seen[static_cast<std::size_t>(y) * w];
        int from = -1;
        for (int x = 0; x < w; ++x)
            if (s[x]) {
                from = x;
                break;
            }
        if (from < 0) continue;
        rowSeen[static_cast<std::size_t>(y)] = true;
        std::uint8_t colour[4];
        std::memcpy(colour, pixel(picture, from, y), 4);
        for (int x = 0; x < w; ++x) {
            if (s[x]) std::memcpy(colour, pixel(picture, x, y), 4);
            else std::memcpy(pixel(picture, x, y), colour, 4);
        }
    }
    // Rows with nothing seen: the nearest row that had something, above first.
    int nearest = -1;
    for (int y = 0; y < h; ++y)
        if (rowSeen[static_cast<std::size_t>(y)]) {
            nearest = y;
            break;
        }
    if (nearest < 0) return false;
    const std::size_t row = static_cast<std::size_t>(w) * 4;
    for (int y = 0; y < h; ++y) {
        if (rowSeen[static_cast<std::size_t>(y)]) nearest = y;
        else std::memcpy(pixel(picture, 0, y), pixel(picture, 0, nearest), row);
    }
    return true;
}

}  // namespace kestrove
