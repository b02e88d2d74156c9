// The display path: the root's pixels under the box, with what our own
// windows cover put back as the server shows it (UnderOwn's plan), or as
// last seen.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <unistd.h>
#include <xcb/shape.h>

#include "app/platform/window_list.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_pixels.hpp"
#include "app/platform/x11/xcb_redirected.hpp"
#include "app/platform/x11/xcb_root_background.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_stack.hpp"
#include "app/platform/x11/xcb_windows.hpp"
#include "app/platform/under_own.hpp"
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

std::map<std::uint32_t, XcbScreenCapturer::OwnPaint> XcbScreenCapturer::ownPaint(const PixelRect& area) {
    std::map<std::uint32_t, OwnPaint> paints;
    if (!own_ || !stack_) return paints;
    const auto ours = own_->all();
    // A compositing manager may draw a shadow around each window, seen also
    // through what a frame leaves unpainted: all of a window and a margin
    // around it are ours then.
    const std::vector<std::uint32_t> lent = lentWindows(area);
    const int margin = (ours->empty() && lent.empty()) || !compositing() ? 0 : shadowMargin;
    const auto reachOf = [&](const StackedWindow& s) {
        return PixelRect{s.outer.x - margin, s.outer.y - margin, s.outer.width + 2 * margin,
                         s.outer.height + 2 * margin};
    };
    const auto shade = [&](OwnPaint& own, const PixelRect& reach) {
        if (!margin) return;
        own.shades.add(reach);
        own.shades.clip(area);
        own.shades.subtract(own.paints);
    };
    for (const OwnWindow& w : *ours) {
        const auto top = stack_->topLevelOf(w.id);
        const StackedWindow* s = top ? stack_->find(*top) : nullptr;
        if (!s || !s->mapped || s->inputOnly) continue;
        if (w.kind == OwnWindow::Kind::embedded && *top != w.id) {
            // Only its own pixels: the window holding it stays the other program's.
            if (isEmpty(intersection(s->outer, area))) continue;
            const auto place = embeddedPlace(w.id);
            if (!place || isEmpty(intersection(*place, area))) continue;
            OwnPaint& holder = paints[*top];
            holder.embedded.add(*place);
            holder.embedded.clip(area);
            continue;
        }
        const PixelRect reach = reachOf(*s);
        if (isEmpty(intersection(reach, area))) continue;
        OwnPaint& own = paints[*top];
        own.ours = true;
        if (!w.passing) own.passing = false;
        // A window that tells where it paints (a frame) paints only that;
        // any other its whole top-level window, decorations included.
        if (!w.painted || *top != w.id) {
            own.paints.add(s->outer);
        } else {
            const double scale = ScreenSpace::scaleAtPixels(
                Rect{double(s->outer.x), double(s->outer.y), double(s->outer.width), double(s->outer.height)},
                screens_.screens());
            for (const Rect& r : *w.painted)
                own.paints.add(scaled(r, scale, s->outer.x + s->border, s->outer.y + s->border));
        }
        own.paints.clip(area);
        shade(own, reach);
    }
    // What another program shows for us (our notification's bubble), whole,
    // for as long as it does: like a panel of ours.
    for (const std::uint32_t id : lent) {
        const StackedWindow* s = stack_->find(id);
        if (!s) continue;
        OwnPaint& own = paints[id];
        own.ours = true;
        own.paints.add(s->outer);
        own.paints.clip(area);
        shade(own, reachOf(*s));
    }
    // Kept even when it paints nothing here: a window of ours is never
    // taken for another program's.
    return paints;
}

std::vector<std::uint32_t> XcbScreenCapturer::lentWindows(const PixelRect& area) {
    std::vector<std::uint32_t> near;
    const std::vector<std::int32_t> helpers = own_->helpers();
    if (helpers.empty()) return near;
    for (const StackedWindow& w : stack_->bottomToTop()) {
        if (!w.mapped || w.inputOnly || own_->isOurs(w.id)) continue;
        const PixelRect reach{w.outer.x - shadowMargin, w.outer.y - shadowMargin, w.outer.width + 2 * shadowMargin,
                              w.outer.height + 2 * shadowMargin};
        if (!isEmpty(intersection(reach, area))) near.push_back(w.id);
    }
    if (near.empty()) return near;
    // A helper's window the window manager does not frame: its bubbles float
    // above everything, by themselves.
    const auto described = xcbwindows::describe(*x_, near, xcbwindows::Desk{}, 1, ::getpid());
    std::vector<std::uint32_t> lent;
    for (const auto& w : described)
        if (w && w->layer == WindowLayer::overrideRedirect &&
            std::find(helpers.begin(), helpers.end(), w->ownerPID) != helpers.end())
            lent.push_back(w->id);
    return lent;
}

std::optional<PixelRect> XcbScreenCapturer::embeddedPlace(std::uint32_t id) {
    xcb_connection_t* c = x_->get();
    // Asked together: one round trip.
    const auto attributes = xcb_get_window_attributes(c, id);
    const auto geometry = xcb_get_geometry(c, id);
    const auto at = xcb_translate_coordinates(c, id, x_->root(), 0, 0);
    const auto a = adopt(xcb_get_window_attributes_reply(c, attributes, nullptr));
    const auto g = adopt(xcb_get_geometry_reply(c, geometry, nullptr));
    const auto t = adopt(xcb_translate_coordinates_reply(c, at, nullptr));
    if (!a || !g || !t || a->map_state != XCB_MAP_STATE_VIEWABLE) return std::nullopt;
    const int border = g->border_width;
    return PixelRect{t->dst_x - border, t->dst_y - border, g->width + 2 * border, g->height + 2 * border};
}

XcbScreenCapturer::OwnOver XcbScreenCapturer::ownOver(const PixelRect& area) {
    OwnOver over;
    for (const auto& [top, own] : ownPaint(area)) {
        over.all.add(own.paints);
        over.all.add(own.shades);
        over.all.add(own.embedded);
        over.embedded.add(own.embedded);
    }
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
        bool kept = false, plain = true;
        for (int attempt = 0;; ++attempt) {
            if (leaveOutOwn) {
                OwnOver now = ownOver(visible);
                over = std::move(now.all);
                // Our tray icon alone draws, and is left out, only where the
                // screen tells of drawing: a picture with it still answers.
                PixelRegion rest = over;
                rest.subtract(now.embedded);
                plain = rest.empty();
            }
            // Nothing drawn there since the last plain picture: it is still the screen's.
            if (const Image* same = leaveOutOwn && plain ? keptDisplays_.find(visible) : nullptr) {
                picture = *same;
                kept = true;
                break;
            }
            keptDisplays_.reading(visible);
            auto read = reader_->read(x_->root(), visible.x, visible.y, visible.width, visible.height);
            if (!read) return CaptureError::failed("The screen could not be read: " + read.error() + ".");
            picture = std::move(read).value();
            if (!leaveOutOwn) break;
            pump();
            const PixelRegion after = ownOver(visible).all;
            PixelRegion moved = after;
            moved.subtract(over);
            if (moved.empty() || attempt == 2) {
                plain = plain && moved.empty();
                over.add(after);
                break;
            }
        }
        if (!over.empty())
            if (auto failed = underOwn(picture, visible)) return *failed;
        if (leaveOutOwn && !kept) keepDisplay(visible, picture, plain);
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

XcbScreenCapturer::Beneath XcbScreenCapturer::beneath(const PixelRect& area,
                                                      const std::map<std::uint32_t, OwnPaint>& paints) {
    xcb_connection_t* c = x_->get();
    const xcb_atom_t opacityAtom = x_->atom("_NET_WM_WINDOW_OPACITY");
    struct Asked {
        const StackedWindow* window;
        xcb_get_geometry_cookie_t geometry;
        xcb_get_property_cookie_t opacity;
        std::optional<xcb_shape_get_rectangles_cookie_t> shape;
    };
    // Everything asked at once: one round trip for the whole stack.
    std::vector<Asked> asked;
    const auto published = requestProperty(*x_, x_->root(), x_->atom("_XROOTPMAP_ID"), 1);
    for (const StackedWindow& w : stack_->bottomToTop()) {
        const auto own = paints.find(w.id);
        if (!w.mapped || w.inputOnly || isEmpty(intersection(w.outer, area)) || (own != paints.end() && own->second.ours))
            continue;
        asked.push_back({&w, xcb_get_geometry(c, w.id), requestProperty(*x_, w.id, opacityAtom, 1),
                         shape_ ? std::optional(xcb_shape_get_rectangles(c, w.id, XCB_SHAPE_SK_BOUNDING))
                                : std::nullopt});
    }
    Beneath out;
    const bool composited = compositing();
    if (const auto p = readProperty(*x_, published); p && p->type == XCB_ATOM_PIXMAP) out.published = p->cardinal();
    const std::uint8_t rootDepth = x_->screen()->root_depth;
    for (const StackedWindow& w : stack_->bottomToTop()) {
        if (!w.mapped || w.inputOnly) continue;
        // Ours may reach into the area with its shadow alone.
        if (const auto it = paints.find(w.id); it != paints.end()) {
            if (it->second.ours) {
                out.layers.push_back({w.id, {}, it->second.paints, false, it->second.shades, {}});
                continue;
            }
        }
        if (isEmpty(intersection(w.outer, area))) continue;
        const auto a = std::find_if(asked.begin(), asked.end(), [&](const Asked& q) { return q.window == &w; });
        StackedLayer layer{w.id, PixelRegion(w.outer), std::nullopt, false, {}, {}};
        if (const auto it = paints.find(w.id); it != paints.end()) layer.embedded = it->second.embedded;
        xcb_generic_error_t* e = nullptr;
        auto g = adopt(xcb_get_geometry_reply(c, a->geometry, &e));
        std::free(e);
        // An alpha channel of its own blends it even without a compositing
        // manager: the server composes such windows itself.
        layer.translucent = g && g->depth != rootDepth;
        const auto opacity = readProperty(*x_, a->opacity);
        if (composited && opacity && opacity->cardinal().value_or(0xffffffffu) != 0xffffffffu)
            layer.translucent = true;
        if (a->shape) {
            e = nullptr;
            auto shape = adopt(xcb_shape_get_rectangles_reply(c, *a->shape, &e));
            std::free(e);
            if (shape) {
                // Relative to the window's inside corner; unshaped, the whole window with its border.
                PixelRegion shows;
                const xcb_rectangle_t* r = xcb_shape_get_rectangles_rectangles(shape.get());
                for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(shape.get()); ++i)
                    shows.add(PixelRect{w.outer.x + w.border + r[i].x, w.outer.y + w.border + r[i].y, r[i].width,
                                        r[i].height});
                layer.shows = std::move(shows);
            }
        }
        out.layers.push_back(std::move(layer));
    }
    return out;
}

std::optional<CaptureError> XcbScreenCapturer::underOwn(Image& picture, const PixelRect& area) {
    const auto paints = ownPaint(area);
    const Beneath under = beneath(area, paints);
    const UnderOwnPlan plan = UnderOwn::plan(area, under.layers);
    PixelRegion unknown = plan.unknown;

    const auto now = std::chrono::steady_clock::now();
    std::vector<UnderOwnPlan::FromWindow> layers;
    for (const UnderOwnPlan::FromWindow& l : plan.windows) {
        const auto kept = keep(l.id);
        if (!kept) {
            unknown.add(l.part);
            continue;
        }
        kept.value()->lastUnder = now;
        layers.push_back(l);
    }
    // What a window has not painted since it was redirected (all of it, or
    // only what is still waited for), in root pixels.
    const auto missing = [&](const UnderOwnPlan::FromWindow& l, bool waited) {
        PixelRegion m;
        const auto it = kept_.find(l.id);
        const StackedWindow* s = stack_->find(l.id);
        if (it == kept_.end() || !s) return m;
        m = waited ? it->second.window->awaited() : it->second.window->unpainted();
        m.translate(s->outer.x + it->second.window->border(), s->outer.y + it->second.window->border());
        m.intersect(l.part);
        return m;
    };
    const auto allPainted = [&] {
        return std::all_of(layers.begin(), layers.end(), [&](const auto& l) { return missing(l, true).empty(); });
    };
    if (damageEvent_ && !waitFor(allPainted, paintWait))
        for (const auto& l : layers)
            if (const auto it = kept_.find(l.id); it != kept_.end()) it->second.window->stopAwaiting();
    for (UnderOwnPlan::FromWindow& l : layers) {
        // Still not painted: what it showed last time stands for it.
        const PixelRegion notYet = missing(l, false);
        unknown.add(notYet);
        l.part.subtract(notYet);
        const auto it = kept_.find(l.id);
        const StackedWindow* s = stack_->find(l.id);
        const auto pixmap = it == kept_.end() || !s ? std::nullopt : it->second.window->pixmap();
        if (!pixmap) {  // unmapped or gone since
            unknown.add(l.part);
            continue;
        }
        for (const PixelRect& r : l.part.rects())
            if (!readInto(picture, area, *pixmap, r, -s->outer.x, -s->outer.y)) unknown.add(r);
        unknown.add(readKeptInside(picture, area, l.id, l.part));
    }
    // One pass over the bare root; what it cannot paint under shade alone
    // stays as the screen shows it.
    PixelRegion bare = plan.background;
    bare.add(plan.shadedBackground);
    PixelRegion unpainted = rootBackground_->paint(picture, area, bare, under.published, compositing());
    unpainted.intersect(plan.background);
    unknown.add(unpainted);
    if (unknown.empty()) return std::nullopt;
    // Nothing of the box honest: the last picture would stand for the screen
    // for ever. Not painted, so that a box that stays so loses sight.
    PixelRegion honest(area);
    honest.subtract(unknown);
    if (honest.empty()) {
        // Hidden only by ours that go soon: read again once they have.
        PixelRegion passing, lasting;
        for (const auto& [top, own] : paints) {
            lasting.add(own.embedded);
            if (!own.ours) continue;
            if (!own.passing) {
                lasting.add(own.paints);
                continue;
            }
            passing.add(own.paints);
            passing.add(own.shades);
        }
        PixelRegion beyond = unknown;
        beyond.subtract(passing);
        lasting.intersect(unknown);
        return beyond.empty() && lasting.empty() ? CaptureError::coveredForNow() : CaptureError::unpainted();
    }
    if (const Image* last = keptDisplays_.last(area)) {
        UnderOwn::takeFrom(picture, *last, area, unknown);
        return std::nullopt;
    }
    // Never seen here: the rest of the box is judged over a flat ground.
    if (!UnderOwn::fillUnseen(picture, area, unknown)) return CaptureError::unpainted();
    return std::nullopt;
}

PixelRegion XcbScreenCapturer::readKeptInside(Image& picture, const PixelRect& area, std::uint32_t top,
                                              const PixelRegion& part) {
    PixelRegion failed;
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
            if (!readInto(picture, area, *pixmap, r, -outer.x, -outer.y)) failed.add(r);
    }
    return failed;
}

bool XcbScreenCapturer::readInto(Image& picture, const PixelRect& area, std::uint32_t drawable, const PixelRect& part,
                                 int dx, int dy) {
    const auto read = reader_->read(drawable, part.x + dx, part.y + dy, part.width, part.height);
    if (!read) return false;  // changed under us
    blit(read.value(), picture, part.x - area.x, part.y - area.y);
    return true;
}

}  // namespace kestrove
