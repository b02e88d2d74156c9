#include "app/platform/x11/xcb_screen_capturer.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <unistd.h>
#include <xcb/composite.h>
#include <xcb/randr.h>

#include "app/platform/x11/permissions.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_pixels.hpp"
#include "app/platform/x11/xcb_windows.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

namespace {

const char* const cannotCrop = "The window's picture could not be cropped.";

int roundToInt(double v) { return static_cast<int>(std::lround(v)); }

// Far beyond any screen, but still safe to round to an int.
bool usableCoordinate(double v) { return std::isfinite(v) && std::abs(v) < 1e7; }

std::optional<PixelRect> intersect(const PixelRect& a, const PixelRect& b) {
    const int l = std::max(a.x, b.x), t = std::max(a.y, b.y);
    const int r = std::min(a.x + a.width, b.x + b.width), bottom = std::min(a.y + a.height, b.y + b.height);
    if (r <= l || bottom <= t) return std::nullopt;
    return PixelRect{l, t, r - l, bottom - t};
}

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

}  // namespace

XcbScreenCapturer::XcbScreenCapturer(const Screens& screens, bool allowSharedMemory)
    : screens_(screens), x_(std::make_unique<XcbConnection>()) {
    if (!x_->ok()) return;
    reader_ = std::make_unique<XcbPixelReader>(*x_, allowSharedMemory);
    if (x_->hasExtension(&xcb_composite_id)) {
        auto v = adopt(xcb_composite_query_version_reply(
            x_->get(), xcb_composite_query_version(x_->get(), 0, 2), nullptr));
        composite_ = v && (v->major_version > 0 || v->minor_version >= 2);
    }
    root_ = {x_->screen()->width_in_pixels, x_->screen()->height_in_pixels};
    // Without RandR the root never changes size.
    if (x_->hasExtension(&xcb_randr_id)) {
        xcb_connection_t* c = x_->get();
        auto v = adopt(xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 2), nullptr));
        if (v) {
            randrEvent_ = xcb_get_extension_data(c, &xcb_randr_id)->first_event;
            xcb_randr_select_input(c, x_->root(), XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE);
            // Read once more, now that no change can slip by unnoticed.
            auto g = adopt(xcb_get_geometry_reply(c, xcb_get_geometry(c, x_->root()), nullptr));
            if (g) root_ = {g->width, g->height};
        }
    }
}

void XcbScreenCapturer::followRoot() {
    // Nothing else reads this connection's events: they are the RandR
    // notices and the errors of requests nobody checked.
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(x_->get())) {
        changed |= randrEvent_ && (event->response_type & 0x7f) == randrEvent_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY;
        std::free(event);
    }
    if (!changed) return;
    auto g = adopt(xcb_get_geometry_reply(x_->get(), xcb_get_geometry(x_->get(), x_->root()), nullptr));
    if (g) root_ = {g->width, g->height};
}

void XcbScreenCapturer::release(std::uint32_t window) {
    if (!redirected_.erase(window) || !allowed()) return;
    // A window already gone answers with an error: nothing left to undo.
    xcb_connection_t* c = x_->get();
    std::free(xcb_request_check(c, xcb_composite_unredirect_window_checked(c, window, XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
}

XcbScreenCapturer::~XcbScreenCapturer() = default;

bool XcbScreenCapturer::usesSharedMemory() const { return reader_ && reader_->usesSharedMemory(); }

bool XcbScreenCapturer::allowed() const {
    return Permissions::isX11Session() && x_->ok() && !xcb_connection_has_error(x_->get()) && composite_;
}

Captured XcbScreenCapturer::capture(const WatchRegion& region) {
    if (!allowed()) return CaptureError::notAllowed();
    if (region.window) return captureWindow(region, *region.window);
    return captureDisplay(region);
}

Captured XcbScreenCapturer::captureDisplay(const WatchRegion& region) {
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
    followRoot();
    const PixelRect rootPixels{0, 0, root_.width, root_.height};

    // Only the part on the screen is read; the rest of the box stays black.
    std::optional<PixelRect> visible = intersect(box, screenPixels);
    if (visible) visible = intersect(*visible, rootPixels);
    Image picture;
    if (visible) {
        std::string why;
        auto read = reader_->read(x_->root(), visible->x, visible->y, visible->width, visible->height, why);
        if (!read) return CaptureError::failed("The screen could not be read: " + why + ".");
        picture = std::move(*read);
    }
    if (!visible || *visible != box) {
        Image whole = opaqueBlack(box.width, box.height);
        if (visible) blit(picture, whole, visible->x - box.x, visible->y - box.y);
        picture = std::move(whole);
    }
    if (picture.width == size->width && picture.height == size->height) return picture;
    auto resized = WindowTracking::crop(picture, {0, 0, picture.width, picture.height}, size->width, size->height);
    if (!resized) return CaptureError::failed("The screen's picture could not be resized.");
    return std::move(*resized);
}

Captured XcbScreenCapturer::captureWindow(const WatchRegion& region, const WindowAnchor& anchor) {
    // In root pixels first: the screen the window is on gives its points.
    std::optional<WindowInfo> window =
        xcbwindows::describe(*x_, {anchor.id}, xcbwindows::Desk{}, 1, ::getpid()).front();
    const double pointScale = window ? ScreenSpace::scaleAtPixels(window->frame, screens_.screens()) : 1;
    if (window) {
        const Rect f = window->frame;
        window->frame = {f.x / pointScale, f.y / pointScale, f.width / pointScale, f.height / pointScale};
    }
    // X11 hands a closed window's id to the next window made: an id that now
    // belongs to another application is not our window.
    if (!window || !WindowTracking::isSameWindow(anchor, *window)) {
        redirected_.erase(anchor.id);
        return CaptureError::windowGone();
    }
    // A size that is not a number is a damaged region, not a resized window.
    const auto size = WindowTracking::pictureSize(region);
    if (!size) return CaptureError::failed("The box's size is not usable.");
    const Size windowPoints = window->frame.size();
    if (!WindowTracking::stillInside(anchor, region.size(), windowPoints)) return CaptureError::boxOutsideWindow();

    xcb_connection_t* c = x_->get();
    xcb_pixmap_t pixmap = 0;
    // Redirected once per window for the life of our connection; the
    // server keeps its picture up to date even while it is covered. A window
    // that took over a redirected id is redirected afresh.
    for (int attempt = 0; attempt < 2 && !pixmap; ++attempt) {
        if (!redirected_.count(anchor.id)) {
            xcb_generic_error_t* e = xcb_request_check(
                c, xcb_composite_redirect_window_checked(c, anchor.id, XCB_COMPOSITE_REDIRECT_AUTOMATIC));
            if (e) {
                const int code = e->error_code;
                std::free(e);
                return CaptureError::failed("XComposite could not redirect the window (X error " +
                                            std::to_string(code) + ").");
            }
            redirected_.insert(anchor.id);
        }
        const xcb_pixmap_t p = xcb_generate_id(c);
        xcb_generic_error_t* e = xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, anchor.id, p));
        if (!e) {
            pixmap = p;
            break;
        }
        const int code = e->error_code;
        std::free(e);
        if (code != XCB_MATCH || attempt == 1)
            return CaptureError::failed("XComposite could not read the window (X error " + std::to_string(code) + ").");
        // Not redirected (an id reused) or not shown: redirect and try once more.
        redirected_.erase(anchor.id);
    }

    struct PixmapGuard {
        xcb_connection_t* c;
        xcb_pixmap_t p;
        ~PixmapGuard() { xcb_free_pixmap(c, p); }
    } guard{c, pixmap};

    auto geometry = adopt(xcb_get_geometry_reply(c, xcb_get_geometry(c, anchor.id), nullptr));
    if (!geometry) return CaptureError::windowGone();
    const PixelSize imageSize{geometry->width, geometry->height};
    const auto crop = WindowTracking::cropRect(anchor, region.size(), windowPoints, imageSize);
    if (!crop) return CaptureError::failed(cannotCrop);

    // Only the box is read; the pixmap includes the window's border.
    std::string why;
    const int border = geometry->border_width;
    auto cut = reader_->read(pixmap, crop->x + border, crop->y + border, crop->width, crop->height, why);
    if (!cut) return CaptureError::failed("XComposite could not read the window: " + why + ".");
    std::optional<Image> picture = std::move(cut);
    if (picture->width != size->width || picture->height != size->height)
        picture = WindowTracking::crop(*picture, {0, 0, picture->width, picture->height}, size->width, size->height);
    if (!picture) return CaptureError::failed(cannotCrop);

    lastWindowCapture_ = WindowCaptureFacts{windowPoints,
                                            windowPoints.w > 0 ? imageSize.width / windowPoints.w : pointScale,
                                            imageSize.width, imageSize.height, *crop};
    return std::move(*picture);
}

}  // namespace kestrove
