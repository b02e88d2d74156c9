#include "app/platform/x11/xcb_screen_capturer.hpp"

#include <poll.h>
#include <unistd.h>
#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/randr.h>
#include <xcb/shape.h>
#include <xcb/xfixes.h>

#include "app/platform/session_permissions.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_pixels.hpp"
#include "app/platform/x11/xcb_redirected.hpp"
#include "app/platform/x11/xcb_root_background.hpp"
#include "app/platform/x11/xcb_stack.hpp"
#include "app/platform/x11/xcb_windows.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

namespace {

const char* const cannotCrop = "The window's picture could not be cropped.";
// A window no watch binds is let go this long after it last lay under one of
// our windows over a display box.
constexpr std::chrono::seconds underHold{30};

}  // namespace

XcbScreenCapturer::XcbScreenCapturer(const Screens& screens, std::shared_ptr<const OwnWindows> own,
                                     bool allowSharedMemory)
    : screens_(screens), own_(std::move(own)), x_(std::make_unique<XcbConnection>()) {
    if (!x_->ok()) return;
    xcb_connection_t* c = x_->get();
    reader_ = std::make_unique<XcbPixelReader>(*x_, allowSharedMemory);
    if (x_->hasExtension(&xcb_composite_id)) {
        auto v = adopt(xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 2), nullptr));
        composite_ = v && (v->major_version > 0 || v->minor_version >= 2);
    }
    damageEvent_ = x_->damageEvents();
    root_ = {x_->screen()->width_in_pixels, x_->screen()->height_in_pixels};
    // Without RandR the root never changes size.
    if (x_->hasExtension(&xcb_randr_id)) {
        auto v = adopt(xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 2), nullptr));
        if (v) {
            randrEvent_ = xcb_get_extension_data(c, &xcb_randr_id)->first_event;
            xcb_randr_select_input(c, x_->root(), XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE);
            // Read once more, now that no change can slip by unnoticed.
            auto g = adopt(xcb_get_geometry_reply(c, xcb_get_geometry(c, x_->root()), nullptr));
            if (g) root_ = {g->width, g->height};
        }
    }
    shape_ = x_->hasExtension(&xcb_shape_id);
    if (own_) {
        fixesEvent_ = x_->followCompositor();
        // Asked once the notices are asked for: no change slips by.
        if (fixesEvent_) compositing_ = x_->compositorRunning();
        stack_ = std::make_unique<XcbStack>(*x_);
        rootBackground_ = std::make_unique<XcbRootBackground>(*x_, *reader_);
    }
}

XcbScreenCapturer::~XcbScreenCapturer() {
    // Each kept window is let go before the connection ends.
    kept_.clear();
    rootBackground_.reset();
    if (rootDamage_ && x_->ok()) {
        xcb_damage_destroy(x_->get(), rootDamage_);
        xcb_flush(x_->get());
    }
}

void XcbScreenCapturer::keepDisplay(const PixelRect& area, const Image& picture, bool plain) {
    bool answers = plain && damageEvent_ && rootDamage_;
    if (plain && damageEvent_ && !rootDamage_) {
        // Everything drawn on the screen, whoever draws it. Answering from
        // the next read on: this one may miss what was drawn meanwhile.
        rootDamage_ = xcb_generate_id(x_->get());
        xcb_damage_create(x_->get(), rootDamage_, x_->root(), XCB_DAMAGE_REPORT_LEVEL_DELTA_RECTANGLES);
    }
    keptDisplays_.keep(area, picture, answers);
}

bool XcbScreenCapturer::compositing() { return fixesEvent_ ? compositing_ : x_->compositorRunning(); }

bool XcbScreenCapturer::usesSharedMemory() const { return reader_ && reader_->usesSharedMemory(); }

std::uint64_t XcbScreenCapturer::serverReads() const { return reader_ ? reader_->reads() : 0; }

bool XcbScreenCapturer::allowed() const {
    return isX11Session() && x_->ok() && !xcb_connection_has_error(x_->get()) && composite_;
}

void XcbScreenCapturer::pump() {
    xcb_connection_t* c = x_->get();
    bool rootChanged = false, rootDrawn = false;
    // Nothing else reads this connection's events.
    while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
        const auto event = adopt(raw);
        const std::uint8_t type = raw->response_type & 0x7f;
        if (type == 0) continue;  // the error of a request nobody waited for
        rootChanged |= randrEvent_ && type == randrEvent_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY;
        if (stack_) stack_->handle(*raw);
        if (fixesEvent_ && type == fixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
            const auto& e = reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(*raw);
            if (e.selection == x_->compositorSelection()) compositing_ = e.owner != XCB_NONE;
        }
        for (auto& [id, k] : kept_) k.window->handle(*raw);
        if (rootDamage_ && type == damageEvent_ + XCB_DAMAGE_NOTIFY) {
            const auto& e = reinterpret_cast<const xcb_damage_notify_event_t&>(*raw);
            if (e.damage != rootDamage_) continue;
            keptDisplays_.drawn({e.area.x, e.area.y, e.area.width, e.area.height});
            rootDrawn = true;
        }
    }
    bool told = false;
    for (auto& [id, k] : kept_) told |= k.window->acknowledge();
    // The server tells of the screen's drawing again once told it was heard.
    if (rootDrawn) xcb_damage_subtract(c, rootDamage_, XCB_NONE, XCB_NONE);
    // Sent now: a kept picture answers without any request that would carry it.
    if (told || rootDrawn) xcb_flush(c);
    if (!rootChanged) return;
    keptDisplays_.clear();
    auto g = adopt(xcb_get_geometry_reply(c, xcb_get_geometry(c, x_->root()), nullptr));
    if (g) root_ = {g->width, g->height};
}

bool XcbScreenCapturer::waitFor(const std::function<bool()>& done, std::chrono::milliseconds most) {
    const auto end = std::chrono::steady_clock::now() + most;
    pump();
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(x_->get())) return false;
        xcb_flush(x_->get());
        pollfd fd{xcb_get_file_descriptor(x_->get()), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()));
        pump();
    }
    return true;
}

Result<XcbScreenCapturer::Kept*, std::string> XcbScreenCapturer::keep(std::uint32_t window) {
    if (auto it = kept_.find(window); it != kept_.end()) {
        if (!it->second.window->gone()) return &it->second;
        kept_.erase(it);
    }
    auto started = XcbRedirected::start(*x_, window, damageEvent_);
    if (!started) return started.error();
    Kept& k = kept_[window];
    k.window = std::move(started).value();
    // The exposures the redirection caused (all came before its answer):
    // what is not painted yet.
    pump();
    k.window->stopCountingExposures();
    return &k;
}

void XcbScreenCapturer::release(std::uint32_t window) {
    const auto it = kept_.find(window);
    if (it == kept_.end()) return;
    it->second.bound = false;
    letGoOfUnused();
}

void XcbScreenCapturer::letGoOfUnused() {
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(kept_, [&](const auto& entry) {
        const Kept& k = entry.second;
        return k.window->gone() || (!k.bound && now - k.lastUnder >= underHold);
    });
}

Captured XcbScreenCapturer::capture(const WatchRegion& region) {
    if (!allowed()) return CaptureError::notAllowed();
    pump();
    Captured shot = region.window ? captureWindow(region, *region.window) : captureDisplay(region, true);
    letGoOfUnused();
    return shot;
}

Captured XcbScreenCapturer::captureScreen(const WatchRegion& region) {
    if (!allowed()) return CaptureError::notAllowed();
    pump();
    return captureDisplay(region, false);
}

Captured XcbScreenCapturer::captureWindow(const WatchRegion& region, const WindowAnchor& anchor) {
    Kept* k = nullptr;
    // Whose the window is was asked when it was first read; it stays so until it is destroyed.
    if (auto it = kept_.find(anchor.id); it != kept_.end() && it->second.seen && !it->second.window->gone()) {
        if (!WindowTracking::isSameWindow(anchor, *it->second.seen)) return CaptureError::windowGone();
        k = &it->second;
        k->bound = true;
    }
    if (!k) {
        // First read (or the window went): is it still the one the box was drawn on?
        std::optional<WindowInfo> window =
            xcbwindows::describe(*x_, {anchor.id}, xcbwindows::Desk{}, 1, ::getpid()).front();
        // X11 hands a closed window's id to the next window made: an id that
        // now belongs to another application is not our window.
        if (!window || !WindowTracking::isSameWindow(anchor, *window)) {
            kept_.erase(anchor.id);
            return CaptureError::windowGone();
        }
        const auto kept = keep(anchor.id);
        if (!kept) return CaptureError::failed(kept.error() + ".");
        k = kept.value();
        k->bound = true;
        k->pointScale = ScreenSpace::scaleAtPixels(window->frame, screens_.screens());
        k->seen = window;
    }
    XcbRedirected& w = *k->window;
    // A size that is not a number is a damaged region, not a resized window.
    const auto size = WindowTracking::pictureSize(region);
    if (!size) return CaptureError::failed("The box's size is not usable.");
    const PixelSize imageSize = w.size();
    const Size windowPoints{imageSize.width / k->pointScale, imageSize.height / k->pointScale};
    if (!WindowTracking::stillInside(anchor, region.size(), windowPoints)) return CaptureError::boxOutsideWindow();
    const auto crop = WindowTracking::cropRect(anchor, region.size(), windowPoints, imageSize);
    if (!crop) return CaptureError::failed(cannotCrop);
    const WindowCaptureFacts facts{windowPoints, k->pointScale, imageSize.width, imageSize.height, *crop};

    if (const Image* unchanged = w.kept(*crop, *size)) {
        lastWindowCapture_ = facts;
        return *unchanged;
    }
    // Just redirected or just mapped: the program draws what was hidden.
    if (damageEvent_ && !waitFor([&] { return w.gone() || !w.unpainted().intersects(*crop); }, paintWait))
        return CaptureError::unpainted();
    const auto pixmap = w.pixmap();
    if (w.gone()) return CaptureError::windowGone();
    if (!pixmap) return CaptureError::failed("XComposite could not read the window (X error 8).");
    // Only the box is read; the pixmap includes the window's border.
    auto cut = reader_->read(*pixmap, crop->x + w.border(), crop->y + w.border(), crop->width, crop->height);
    if (!cut) {
        // Its picture went with a change not heard of yet: named afresh next time.
        kept_.erase(anchor.id);
        return CaptureError::failed("XComposite could not read the window: " + cut.error() + ".");
    }
    std::optional<Image> picture = std::move(cut).value();
    if (picture->width != size->width || picture->height != size->height)
        picture = WindowTracking::crop(*picture, {0, 0, picture->width, picture->height}, size->width, size->height);
    if (!picture) return CaptureError::failed(cannotCrop);
    if (damageEvent_) w.keep(*crop, *size, *picture);
    lastWindowCapture_ = facts;
    return std::move(*picture);
}

}  // namespace kestrove
