#include "app/platform/x11/xcb_window_list.hpp"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_notice_watch.hpp"
#include "app/platform/x11/xcb_window_changes.hpp"
#include "app/platform/x11/xcb_windows.hpp"

namespace kestrove {

namespace {

// Lives are compared only within one list: each list has its number.
std::uint32_t nextListNumber() {
    static std::atomic<std::uint32_t> last{0};
    return ++last;
}

}  // namespace

XcbWindowList::XcbWindowList(double scale, Notices notices)
    : x_(std::make_unique<XcbConnection>()),
      scale_(scale),
      notices_(notices),
      number_(nextListNumber()),
      changes_(std::make_unique<XcbWindowChanges>(*x_)) {}

XcbWindowList::XcbWindowList(const Screens& screens)
    : x_(std::make_unique<XcbConnection>()),
      screens_(&screens),
      number_(nextListNumber()),
      changes_(std::make_unique<XcbWindowChanges>(*x_)) {}

XcbWindowList::~XcbWindowList() = default;

bool XcbWindowList::isConnected() const { return x_->ok() && !xcb_connection_has_error(x_->get()); }

bool XcbWindowList::hearChanges(std::function<void()> changed) {
    if (!isConnected()) return false;
    watch_ = std::make_unique<XcbNoticeWatch>(*x_, *changes_, std::move(changed));
    return true;
}

std::vector<WindowInfo> XcbWindowList::list(WindowListOptions options) {
    if (!isConnected()) return {};
    const std::unique_lock<std::mutex> busy = watch_ ? watch_->busy() : std::unique_lock<std::mutex>();
    const std::vector<ScreenInfo> screens = screens_ ? screens_->screens() : std::vector<ScreenInfo>{};
    const auto now = std::chrono::steady_clock::now();
    // Asked first and every time, so the notices are taken in even when the
    // reading is redone for another reason.
    bool changed =
        notices_ == Notices::asked ? changes_->changedSinceLastAsked() : changes_->changedSinceLastLooked();
    // A list that hears every change needs no reading for its age.
    const bool old = !watch_ && last_ && now - last_->at >= fullReadingAge;
    if (watch_) changed = watch_->heard() || changed;
    if (changed || !last_ || last_->screens != screens || old) last_ = Reading{readAll(screens), screens, now};
    if (watch_) watch_->settle();
    if (options == WindowListOptions::all) return last_->windows;
    std::vector<WindowInfo> out;
    for (const WindowInfo& w : last_->windows)
        if (w.isOnScreen) out.push_back(w);
    return out;
}

std::vector<WindowInfo> XcbWindowList::readAll(const std::vector<ScreenInfo>& screens) {
    const auto desk = xcbwindows::desk(*x_);
    const auto order = withoutOwnOverlays(xcbwindows::stacking(*x_, desk));
    // Heard of before they are read: a change while they are read is then
    // told at the next list, never lost.
    changes_->watch(order);
    auto described = xcbwindows::describe(*x_, order, desk, screens_ ? 1 : scale_, ::getpid());
    // Destroyed before it was described (its notice came with the replies):
    // an id described now belongs to a window made since.
    changes_->takeQueued();
    for (std::uint32_t id : changes_->takeDestroyed()) lives_.erase(id);
    std::vector<WindowInfo> out;
    out.reserve(order.size());
    for (auto& info : described) {
        if (!info) continue;
        if (info->isOwn && info->layer == WindowLayer::overrideRedirect) {
            ownOverlays_.insert(info->id);
            continue;
        }
        const auto [life, added] = lives_.try_emplace(info->id, lastLife_ + 1);
        if (added) ++lastLife_;
        info->life = {number_, life->second};
        if (screens_) {
            const Rect f = info->frame;
            const double s = ScreenSpace::scaleAtPixels(f, screens);
            info->frame = {f.x / s, f.y / s, f.width / s, f.height / s};
        }
        out.push_back(std::move(*info));
    }
    return out;
}

std::vector<std::uint32_t> XcbWindowList::withoutOwnOverlays(const std::vector<std::uint32_t>& order) {
    std::unordered_set<std::uint32_t> present(order.begin(), order.end());
    std::erase_if(ownOverlays_, [&](std::uint32_t id) { return !present.contains(id); });
    std::vector<std::pair<std::uint32_t, xcb_get_window_attributes_cookie_t>> asked;
    for (std::uint32_t id : order)
        if (ownOverlays_.contains(id)) asked.emplace_back(id, xcb_get_window_attributes(x_->get(), id));
    for (const auto& [id, cookie] : asked) {
        // Our ids stay ours, but one may now name a window that is not an overlay.
        xcb_generic_error_t* error = nullptr;
        auto a = adopt(xcb_get_window_attributes_reply(x_->get(), cookie, &error));
        std::free(error);
        if (!a || !a->override_redirect) ownOverlays_.erase(id);
    }
    std::vector<std::uint32_t> rest;
    rest.reserve(order.size());
    for (std::uint32_t id : order)
        if (!ownOverlays_.contains(id)) rest.push_back(id);
    return rest;
}

std::optional<std::string> XcbWindowList::bundleID(std::uint32_t window) {
    if (!isConnected()) return std::nullopt;
    const std::unique_lock<std::mutex> busy = watch_ ? watch_->busy() : std::unique_lock<std::mutex>();
    std::optional<std::string> id = xcbwindows::bundleID(*x_, window);
    if (watch_) watch_->settle();
    return id;
}

}  // namespace kestrove
