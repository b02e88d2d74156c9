#include "app/platform/direct/tree_direct_session.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include "app/platform/direct/time_limited_tree.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

namespace {

const WindowInfo* findWindow(const std::vector<WindowInfo>& list, std::uint32_t id) {
    auto it = std::find_if(list.begin(), list.end(), [&](const WindowInfo& w) { return w.id == id; });
    return it == list.end() ? nullptr : &*it;
}

// Toolkits round differently; a point either way is the same rectangle.
bool sameRect(const Rect& a, const Rect& b) {
    return std::fabs(a.minX() - b.minX()) <= 1 && std::fabs(a.minY() - b.minY()) <= 1 &&
           std::fabs(a.width - b.width) <= 1 && std::fabs(a.height - b.height) <= 1;
}

// GTK 4 without a compositor draws a border of its own inside its X11 window
// (5 points on each side under openbox) and places its window object inside
// it: at its own 0,0, a little smaller than the client area. How much smaller
// it may be, on each side.
constexpr double ownBorderMost = 32;

// How much smaller than the client area a window object at its own corner is
// (width, height); none when it is not such an object.
std::optional<std::pair<double, double>> insideOwnBorder(const Rect& object, const Rect& client) {
    if (std::fabs(object.minX()) > 1 || std::fabs(object.minY()) > 1) return std::nullopt;
    const double dw = client.width - object.width, dh = client.height - object.height;
    if (dw < -1 || dh < -1 || dw > 2 * ownBorderMost || dh > 2 * ownBorderMost) return std::nullopt;
    return std::pair{std::max(dw, 0.0), std::max(dh, 0.0)};
}

std::string sessionKey() {
    static std::atomic<unsigned long> next{0};
    return "direct session " + std::to_string(++next);
}

}  // namespace

TreeDirectSession::TreeDirectSession(std::shared_ptr<Queue> queue, std::shared_ptr<std::atomic<bool>> allowed,
                                     WindowAnchor anchor, Size size, std::int32_t pid,
                                     ChromiumDetection::Verdict chromium, std::chrono::milliseconds readLimit)
    : queue_(std::move(queue)),
      allowed_(std::move(allowed)),
      key_(sessionKey()),
      anchor_(std::move(anchor)),
      size_(size),
      pid_(pid),
      chromium_(std::move(chromium)),
      readLimit_(readLimit) {}

Pending TreeDirectSession::read(std::function<void(DirectAnswer)> done) {
    return readTimed([done = std::move(done)](DirectAnswer answer, double) {
        if (done) done(std::move(answer));
    });
}

Pending TreeDirectSession::readTimed(std::function<void(DirectAnswer, double)> done) {
    using Timed = std::pair<DirectAnswer, double>;
    return queue_->post(
        {key_, "read"},
        [self = shared_from_this()](DirectPlatform& p) {
            const auto start = std::chrono::steady_clock::now();
            DirectAnswer answer = [&] {
                const ReadDeadline deadline(p.tree, self->readLimit_);
                self->listed_.reset();
                DirectAnswer a = self->readNow(p);
                // Cut short, a read tells only that the program is slow,
                // unless the program is gone.
                if (deadline.reached() && a.silence() != DirectSilence::windowGone)
                    return DirectAnswer::noAnswer(DirectSilence::timedOut);
                // A quick read's look at the window list spares the caller one of its own.
                if (self->listed_ && std::chrono::steady_clock::now() - self->listed_->second < freshLook)
                    a.setWindow(self->listed_->first);
                return a;
            }();
            return Timed{std::move(answer), std::chrono::duration<double, std::milli>(
                                                std::chrono::steady_clock::now() - start).count()};
        },
        Timed{DirectAnswer::noAnswer(DirectSilence::failed), 0},
        [done = std::move(done)](Timed t) {
            if (done) done(std::move(t.first), t.second);
        });
}

Pending TreeDirectSession::adopt(std::function<void()> done) {
    return queue_->post(
        {key_, "adopt"},
        [self = shared_from_this()](DirectPlatform& p) {
            self->page_ = self->lastPage_;
            self->pageAddress_ = self->page_ ? p.tree->address(*self->page_) : std::nullopt;
            self->adopted_ = true;
            return true;
        },
        false,
        [done = std::move(done)](bool) {
            if (done) done();
        });
}

Rect TreeDirectSession::clientArea(const Rect& f) const {
    return Rect{f.minX() + insets_.left, f.minY() + insets_.top, f.width - insets_.left - insets_.right,
                f.height - insets_.top - insets_.bottom};
}

AccessResult<std::pair<AccessElement, Rect>> TreeDirectSession::windowElement(DirectPlatform& p) {
    appMissing_ = false;
    if (window_) {
        AccessResult<Rect> frame = p.tree->frame(*window_);
        // A hidden or closed Qt window keeps its object but loses its size:
        // look for the window again rather than call the box outside it.
        if (frame && !frame.value().isEmpty()) return std::pair{*window_, clientArea(frame.value())};
        if (frame.failedWith(AccessError::timedOut)) return AccessError::timedOut;
        window_.reset();
    }
    const AccessResult<std::vector<AccessElement>> windows = applicationWindows(p);
    if (!windows) return windows.error();

    // No window numbers on this bus: the window is the one of this
    // application whose frame is the X11 client rectangle.
    const std::vector<WindowInfo> all = p.windows->list(WindowListOptions::all);
    const WindowInfo* x11 = findWindow(all, anchor_.id);
    // A reused id now names another program's window: ours is gone.
    if (!x11 || !WindowTracking::isSameWindow(anchor_, *x11) || (x11->ownerPID > 0 && x11->ownerPID != pid_))
        return AccessError::invalid;
    return matchWindow(p, windows.value(), *x11);
}

AccessResult<std::vector<AccessElement>> TreeDirectSession::applicationWindows(DirectPlatform& p) {
    if (!app_) {
        AccessResult<AccessElement> app = p.tree->application(pid_);
        if (!app) {
            appMissing_ = app.error() == AccessError::invalid;
            return app.error();
        }
        appMissing_ = false;
        app_ = app.value();
    }
    AccessResult<std::vector<AccessElement>> windows = p.tree->windows(*app_);
    if (!windows && windows.error() != AccessError::timedOut) app_.reset();
    if (windows && windows.value().empty()) return AccessError::invalid;
    return windows;
}

AccessResult<std::pair<AccessElement, Rect>> TreeDirectSession::matchWindow(DirectPlatform& p,
                                                                           const std::vector<AccessElement>& windows,
                                                                           const WindowInfo& x11) {
    std::optional<std::pair<AccessElement, Rect>> around;
    std::optional<std::pair<AccessElement, Rect>> ownOrigin;
    std::optional<std::pair<double, double>> ownBorder;  // of ownOrigin
    for (const AccessElement& w : windows) {
        AccessResult<Rect> frame = p.tree->frame(w);
        if (frame.failedWith(AccessError::timedOut)) return AccessError::timedOut;
        if (!frame) continue;
        if (sameRect(frame.value(), x11.frame)) {
            window_ = w;
            insets_ = {};
            // A window at the screen's corner may be one that places from its
            // own (GTK 4, which never answers a lookup by point): the two
            // spaces are one there, so read it in the window's.
            space_ = sameRect(frame.value(), Rect{0, 0, x11.frame.width, x11.frame.height}) ? Coordinates::window
                                                                                         : Coordinates::screen;
            return std::pair{w, frame.value()};
        }
        // GTK 4 places everything from its own window's corner: the window
        // says 0,0 and only its size tells which one it is (the closest,
        // its own border taken off).
        if (const auto border = insideOwnBorder(frame.value(), x11.frame);
            border && (!ownBorder || border->first + border->second < ownBorder->first + ownBorder->second)) {
            ownOrigin = std::pair{w, frame.value()};
            ownBorder = border;
        }
        // Some toolkits count their decorations in: the tightest frame around the client area.
        if (frame.value().contains(x11.frame) &&
            (!around || frame.value().width * frame.value().height < around->second.width * around->second.height))
            around = std::pair{w, frame.value()};
    }
    if (around) {
        const Rect& f = around->second;
        window_ = around->first;
        space_ = Coordinates::screen;
        insets_ = {x11.frame.minX() - f.minX(), x11.frame.minY() - f.minY(), f.maxX() - x11.frame.maxX(),
                   f.maxY() - x11.frame.maxY()};
        return std::pair{around->first, clientArea(f)};
    }
    if (ownOrigin) {
        window_ = ownOrigin->first;
        // The border lies around the object: the client area reaches past it,
        // as much on each side (half of the difference each).
        const auto [dw, dh] = *ownBorder;
        insets_ = {-std::floor(dw / 2), -std::floor(dh / 2), -(dw - std::floor(dw / 2)), -(dh - std::floor(dh / 2))};
        space_ = Coordinates::window;
        return std::pair{ownOrigin->first, clientArea(ownOrigin->second)};
    }
    return AccessError::invalid;
}

DirectAnswer TreeDirectSession::readNow(DirectPlatform& p) {
    // A read that may go on from its latest walk takes the user's leave as
    // last announced (and looks again once caught up with the program's
    // announcements); a walk from the window asks.
    const bool available = kept_ ? p.tree->stillAvailable() : p.tree->available();
    allowed_->store(available);
    if (!available) return DirectAnswer::noAnswer(DirectSilence::notPermitted);

    const std::vector<WindowInfo> all = p.windows->list(WindowListOptions::all);
    const WindowInfo* client = findWindow(all, anchor_.id);
    if (client) listed_.emplace(*client, std::chrono::steady_clock::now());
    if (onScreenOnly()) {
        if (auto silence = DirectReading::silence(true, client && client->isOnScreen))
            return DirectAnswer::noAnswer(*silence);
    }
    // The same window where it stood: what the latest walk found may still hold.
    const bool sameWindow = client && WindowTracking::isSameWindow(anchor_, *client) &&
                            (client->ownerPID < 1 || client->ownerPID == pid_);
    if (kept_ && sameWindow && client->frame == kept_->client && window_ == kept_->window)
        if (std::optional<DirectAnswer> a = readKept(p)) return *a;
    kept_.reset();
    return walkWindow(p, sameWindow ? client : nullptr);
}

std::optional<DirectAnswer> TreeDirectSession::readKept(DirectPlatform& p) {
    Kept kept = std::move(*kept_);
    kept_.reset();
    DirectWalk walk(*p.tree, kept.box, space_, std::move(kept.found));
    const DirectWalk::Standing standing = walk.standing();
    if (walk.timedOut()) return answer(p, walk, std::nullopt, {});
    // Asked after the program answered where things are: every change it
    // announced before answering is told.
    const ChangesSince changes = p.tree->changes(kept.window.bus, kept.mark);
    if (!p.tree->stillAvailable()) {
        allowed_->store(false);
        return DirectAnswer::noAnswer(DirectSilence::notPermitted);
    }
    if (changes.unknown || !changes.now) return std::nullopt;
    // The program's windows came or went: ours may be another object now.
    if (app_ && app_->bus == kept.window.bus && changes.paths.count(app_->path)) return std::nullopt;
    // An object that replaced its text's object has moved nothing.
    for (const std::string& path : changes.paths) walk.revisit({kept.window.bus, path});
    if (walk.timedOut()) return answer(p, walk, std::nullopt, {});
    if (!walk.unmoved(standing)) return std::nullopt;
    return answer(p, walk, changes.now, std::move(kept));
}

DirectAnswer TreeDirectSession::walkWindow(DirectPlatform& p, const WindowInfo* client) {
    const AccessResult<std::pair<AccessElement, Rect>> window = windowElement(p);
    if (!window) {
        const bool alive = p.alive(pid_);
        if (window.error() == AccessError::timedOut && alive) return DirectAnswer::noAnswer(DirectSilence::timedOut);
        // A live program that never joined the accessibility bus shows nothing.
        if (appMissing_ && alive) return DirectAnswer::noAnswer(DirectSilence::notExposed);
        return DirectAnswer::noAnswer(DirectSilence::windowGone);
    }
    const auto& [element, frame] = window.value();

    if (!WindowTracking::stillInside(anchor_, size_, frame.size()))
        return DirectAnswer::noAnswer(DirectSilence::boxOutside);

    // Changes the program announces from here on are told to the next read.
    const std::optional<ChangeMark> mark = client ? p.tree->changes(element.bus, std::nullopt).now : std::nullopt;
    // The box in the space the window's objects are placed in: the screen,
    // or the window's own corner for toolkits that place from there.
    const Rect box = WindowTracking::box(anchor_, size_, frame);
    DirectWalk walk(*p.tree, box, space_);
    walk.visit(element, 0, std::nullopt);
    return answer(p, walk, mark, Kept{client ? client->frame : Rect{}, element, frame, box, {}, {}});
}

DirectAnswer TreeDirectSession::answer(DirectPlatform& p, DirectWalk& walk, const std::optional<ChangeMark>& mark,
                                       Kept kept) {
    walkNodes_ = walk.nodeCount();
    walkPieces_ = static_cast<int>(walk.pieces().size());

    if (walk.timedOut()) return DirectAnswer::noAnswer(DirectSilence::timedOut);
    if (walk.failed() && walk.nodeCount() <= 1) return DirectAnswer::noAnswer(DirectSilence::failed);
    // Lines read around text that cannot be placed would read as that text gone.
    if (walk.unreadable()) return DirectAnswer::noAnswer(DirectSilence::notExposed);

    const std::optional<AccessElement> pageNow = walk.page() ? walk.page() : walk.firstWebArea();
    lastPage_ = pageNow;
    std::vector<OCRLine> lines = walk.sorted();
    // Kept for the next read only when it can be told what changed meanwhile
    // and nothing was left unread.
    if (mark && !walk.failed()) {
        kept.found = std::move(walk).found();
        kept.mark = *mark;
        kept_ = std::move(kept);
    }

    if (adopted_ && page_) {
        if (!pageNow) return DirectAnswer::noAnswer(DirectSilence::notExposed);
        if (*pageNow != *page_) {
            if (!DirectReading::samePage(false, pageAddress_, p.tree->address(*pageNow)))
                return DirectAnswer::noAnswer(DirectSilence::otherTab);
            page_ = pageNow;
        }
    }

    if (lines.empty() && !DirectReading::emptyCounts(onScreenOnly()))
        return DirectAnswer::noAnswer(DirectSilence::notExposed);
    return DirectAnswer::lines(std::move(lines));
}

}  // namespace kestrove
