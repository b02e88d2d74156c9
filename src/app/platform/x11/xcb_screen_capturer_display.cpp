// The display path: the root's pixels under the box, with what our own
// windows cover put back from the windows below them.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_pixels.hpp"
#include "app/platform/x11/xcb_redirected.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_stack.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

namespace {

int roundToInt(double v) { return static_cast<int>(std::lround(v)); }

// Far beyond any screen, but still safe to round to an int.
bool usableCoordinate(double v) { return std::isfinite(v) && std::abs(v) < 1e7; }

// `part` copied into `into` at (x, y); both opaque RGBA.
void blit(const Image& part, Image& into, int x, int y) {
    const std::size_t row = static_cast<std::size_t>(part.width) * 4;
    for (int r = 0; r < part.height; ++r) {
        const std::size_t from = static_cast<std::size_t>(r) * row;
        const std::size_t to = (static_cast<std::size_t>(y + r) * static_cast<std::size_t>(into.width) +
                                static_cast<std::size_t>(x)) * 4;
        std::memcpy(into.rgba.data() + to, part.rgba.data() + from, row);
    }
}

Image opaqueBlack(int w, int h) {
    Image img(w, h);
    for (std::size_t i = 3; i < img.rgba.size(); i += 4) img.rgba[i] = 255;
    return img;
}

PixelRect scaled(const Rect& r, double s, int dx, int dy) {
    const int l = static_cast<int>(std::floor(r.minX() * s)), t = static_cast<int>(std::floor(r.minY() * s));
    const int right = static_cast<int>(std::ceil(r.maxX() * s)), bottom = static_cast<int>(std::ceil(r.maxY() * s));
    return {l + dx, t + dy, right - l, bottom - t};
}

}  // namespace

PixelRegion XcbScreenCapturer::ownOver(const PixelRect& area) {
    PixelRegion over;
    if (!own_ || !stack_) return over;
    const auto ours = own_->all();
    for (const OwnWindow& w : *ours) {
        const auto top = stack_->topLevelOf(w.id);
        const StackedWindow* s = top ? stack_->find(*top) : nullptr;
        if (!s || !s->mapped || s->inputOnly || isEmpty(intersection(s->outer, area))) continue;
        // A window that tells where it paints (a frame) covers only that;
        // any other covers its whole top-level window, decorations included.
        if (!w.painted || *top != w.id) {
            over.add(s->outer);
            continue;
        }
        const double scale = ScreenSpace::scaleAtPixels(
            Rect{double(s->outer.x), double(s->outer.y), double(s->outer.width), double(s->outer.height)},
            screens_.screens());
        for (const Rect& r : *w.painted) over.add(scaled(r, scale, s->outer.x + s->border, s->outer.y + s->border));
    }
    over.clip(area);
    return over;
}

Captured XcbScreenCapturer::captureDisplay(const WatchRegion& region, bool leaveOutOwn) {
    const auto screen = ScreenSpace::screenWithID(region.displayID, screens_.screens());
    if (!screen) return CaptureError::displayGone();
    const auto size = WindowTracking::pictureSize(region);
    if (!size) return CaptureError::failed("The box's size is not usable.");

    // The box in root pixels, then only the part that lies on its screen.
    const double s = screen->scale > 0 ? screen->scale : 1;
    if (!usableCoordinate((screen->frame.x + region.x) * s) || !usableCoordinate((screen->frame.y + region.y) * s))
        return CaptureError::failed("The box's place is not usable.");
    // Read at the screen's own scale: no box wider or taller than an X
    // screen can be, whatever scale the region claims.
    if (!(region.w * s <= WindowTracking::maxPictureSide) || !(region.h * s <= WindowTracking::maxPictureSide))
        return CaptureError::failed("The box's size is not usable.");
    const PixelRect box{roundToInt((screen->frame.x + region.x) * s), roundToInt((screen->frame.y + region.y) * s),
                        std::max(1, roundToInt(region.w * s)), std::max(1, roundToInt(region.h * s))};
    const PixelRect screenPixels{roundToInt(screen->frame.x * s), roundToInt(screen->frame.y * s),
                                 roundToInt(screen->frame.width * s), roundToInt(screen->frame.height * s)};

    // Only the part on the screen is read; the rest of the box stays black.
    PixelRect visible = intersection(intersection(box, screenPixels), {0, 0, root_.width, root_.height});
    Image picture;
    if (!isEmpty(visible)) {
        // What our windows cover is asked again after the read: a window of
        // ours mapped just before it is heard of only with the pixels.
        PixelRegion over;
        for (int attempt = 0;; ++attempt) {
            if (leaveOutOwn) over = ownOver(visible);
            // Nothing drawn there since the last plain picture: it is still the screen's.
            if (const Image* same = leaveOutOwn && over.empty() ? keptDisplays_.find(visible) : nullptr) {
                picture = *same;
                break;
            }
            keptDisplays_.reading(visible);
            auto read = reader_->read(x_->root(), visible.x, visible.y, visible.width, visible.height);
            if (!read) return CaptureError::failed("The screen could not be read: " + read.error() + ".");
            picture = std::move(read).value();
            if (!leaveOutOwn) break;
            pump();
            const PixelRegion after = ownOver(visible);
            PixelRegion moved = after;
            moved.subtract(over);
            if (moved.empty() || attempt == 2) {
                over.add(after);
                if (over.empty()) keepDisplay(visible, picture);
                break;
            }
        }
        if (!over.empty())
            if (auto failed = underOwn(picture, visible, over)) return *failed;
    }
    if (isEmpty(visible) || visible != box) {
        Image whole = opaqueBlack(box.width, box.height);
        if (!isEmpty(visible)) blit(picture, whole, visible.x - box.x, visible.y - box.y);
        picture = std::move(whole);
    }
    if (picture.width == size->width && picture.height == size->height) return picture;
    auto resized = WindowTracking::crop(picture, {0, 0, picture.width, picture.height}, size->width, size->height);
    if (!resized) return CaptureError::failed("The screen's picture could not be resized.");
    return std::move(*resized);
}

std::optional<CaptureError> XcbScreenCapturer::underOwn(Image& picture, const PixelRect& area,
                                                       const PixelRegion& covered) {
    // The windows below ours that show in the covered parts, bottom to top.
    struct Layer {
        std::uint32_t id;
        PixelRect outer;
        PixelRegion part;
    };
    std::vector<Layer> layers;
    PixelRegion bare = covered;
    const auto ours = own_->all();
    std::vector<std::uint32_t> ourTops;
    for (const OwnWindow& w : *ours)
        if (auto top = stack_->topLevelOf(w.id)) ourTops.push_back(*top);
    for (const StackedWindow& s : stack_->bottomToTop()) {
        if (!s.mapped || s.inputOnly || std::count(ourTops.begin(), ourTops.end(), s.id)) continue;
        PixelRegion part = covered;
        part.clip(s.outer);
        if (part.empty()) continue;
        bare.subtract(s.outer);
        layers.push_back({s.id, s.outer, std::move(part)});
    }
    // Nothing known of the bare root's background under our windows.
    if (!bare.empty()) return CaptureError::unpainted();

    const auto now = std::chrono::steady_clock::now();
    for (const Layer& l : layers) {
        const auto kept = keep(l.id);
        if (!kept) return CaptureError::failed(kept.error() + ".");
        kept.value()->lastUnder = now;
    }
    const auto painted = [&] {
        for (const Layer& l : layers) {
            const auto it = kept_.find(l.id);
            if (it == kept_.end() || it->second.window->gone()) return true;  // read fails below
            PixelRegion missing = it->second.window->unpainted();
            missing.translate(l.outer.x + it->second.window->border(), l.outer.y + it->second.window->border());
            for (const PixelRect& r : l.part.rects())
                if (missing.intersects(r)) return false;
        }
        return true;
    };
    if (damageEvent_ && !waitFor(painted, paintWait)) return CaptureError::unpainted();
    for (const Layer& l : layers) {
        const auto it = kept_.find(l.id);
        const auto pixmap = it == kept_.end() ? std::nullopt : it->second.window->pixmap();
        if (!pixmap) return CaptureError::unpainted();  // unmapped or gone since
        for (const PixelRect& r : l.part.rects())
            if (auto failed = readInto(picture, area, *pixmap, r, -l.outer.x, -l.outer.y)) return failed;
        if (auto failed = readKeptInside(picture, area, l.id, l.part)) return failed;
    }
    return std::nullopt;
}

std::optional<CaptureError> XcbScreenCapturer::readKeptInside(Image& picture, const PixelRect& area,
                                                             std::uint32_t top, const PixelRegion& part) {
    xcb_connection_t* c = x_->get();
    for (auto& [id, k] : kept_) {
        if (id == top || k.window->gone() || stack_->topLevelOf(id) != top) continue;
        const auto pixmap = k.window->pixmap();
        if (!pixmap) continue;
        const auto at = adopt(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, x_->root(), 0, 0), nullptr));
        if (!at) continue;
        // Its picture includes its border.
        const int border = k.window->border();
        const PixelRect outer{at->dst_x - border, at->dst_y - border, k.window->size().width + 2 * border,
                              k.window->size().height + 2 * border};
        PixelRegion inside = part;
        inside.clip(outer);
        for (const PixelRect& r : inside.rects())
            if (auto failed = readInto(picture, area, *pixmap, r, -outer.x, -outer.y)) return failed;
    }
    return std::nullopt;
}

std::optional<CaptureError> XcbScreenCapturer::readInto(Image& picture, const PixelRect& area, std::uint32_t drawable,
                                                       const PixelRect& part, int dx, int dy) {
    const auto read = reader_->read(drawable, part.x + dx, part.y + dy, part.width, part.height);
    if (!read) return CaptureError::unpainted();  // changed under us: the next check reads again
    blit(read.value(), picture, part.x - area.x, part.y - area.y);
    return std::nullopt;
}

}  // namespace kestrove
