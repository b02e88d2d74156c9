#include "app/platform/x11/xcb_root_background.hpp"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <xcb/composite.h>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_pixels.hpp"

namespace kestrove {

namespace {

constexpr int probeSide = 16;

void fill(Image& picture, const PixelRect& area, const PixelRect& r, const std::array<std::uint8_t, 4>& colour) {
    for (int y = r.y; y < r.y + r.height; ++y) {
        std::uint8_t* p = picture.rgba.data() +
                          (static_cast<std::size_t>(y - area.y) * static_cast<std::size_t>(picture.width) +
                           static_cast<std::size_t>(r.x - area.x)) * 4;
        for (int x = 0; x < r.width; ++x, p += 4) std::memcpy(p, colour.data(), 4);
    }
}

int floorMod(int v, int m) { return ((v % m) + m) % m; }

}  // namespace

XcbRootBackground::XcbRootBackground(XcbConnection& x, XcbPixelReader& reader) : x_(x), reader_(reader) {}

XcbRootBackground::~XcbRootBackground() {
    xcb_connection_t* c = x_.get();
    if (!c || xcb_connection_has_error(c)) return;
    if (pen_) xcb_free_gc(c, pen_);
    if (probe_) xcb_destroy_window(c, probe_);
    xcb_flush(c);
}

PixelRegion XcbRootBackground::paint(Image& picture, const PixelRect& area, const PixelRegion& part,
                                     std::optional<xcb_pixmap_t> published, bool compositing) {
    PixelRegion inside = part;
    inside.clip(area);
    if (inside.empty()) return inside;
    if (published && *published != XCB_NONE && paintPublished(picture, area, inside, *published)) return {};
    if (compositing) return inside;
    const auto solid = colour();
    if (!solid) return inside;
    for (const PixelRect& r : inside.rects()) fill(picture, area, r, *solid);
    return {};
}

bool XcbRootBackground::paintPublished(Image& picture, const PixelRect& area, const PixelRegion& part,
                                       xcb_pixmap_t pixmap) {
    xcb_connection_t* c = x_.get();
    xcb_generic_error_t* e = nullptr;
    auto g = adopt(xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), &e));
    std::free(e);
    if (!g || g->width == 0 || g->height == 0 || g->depth != x_.screen()->root_depth) return false;
    // The desktop's picture is laid on the root as a tile from its corner.
    // All of it read before any is put in: a failed read changes nothing.
    struct Piece {
        int x, y;
        Image pixels;
    };
    std::vector<Piece> pieces;
    const int tw = g->width, th = g->height;
    for (const PixelRect& r : part.rects())
        for (int y = r.y; y < r.y + r.height;) {
            const int ty = floorMod(y, th), rows = std::min(r.y + r.height - y, th - ty);
            for (int x = r.x; x < r.x + r.width;) {
                const int tx = floorMod(x, tw), cols = std::min(r.x + r.width - x, tw - tx);
                auto read = reader_.read(pixmap, tx, ty, cols, rows);
                if (!read) return false;
                pieces.push_back({x, y, std::move(read).value()});
                x += cols;
            }
            y += rows;
        }
    for (const Piece& p : pieces)
        for (int k = 0; k < p.pixels.height; ++k)
            std::memcpy(picture.rgba.data() + (static_cast<std::size_t>(p.y + k - area.y) * picture.width +
                                               static_cast<std::size_t>(p.x - area.x)) * 4,
                        p.pixels.rgba.data() + static_cast<std::size_t>(k) * p.pixels.width * 4,
                        static_cast<std::size_t>(p.pixels.width) * 4);
    return true;
}

std::optional<std::array<std::uint8_t, 4>> XcbRootBackground::colour() {
    if (probeFailed_) return std::nullopt;
    xcb_connection_t* c = x_.get();
    if (!probe_) {
        // Off every screen: nobody sees it, and no one's pixels lie over it.
        probe_ = xcb_generate_id(c);
        const std::uint32_t values[] = {XCB_BACK_PIXMAP_PARENT_RELATIVE, 1};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe_, x_.root(), -4 * probeSide, -4 * probeSide, probeSide,
                          probeSide, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, x_.screen()->root_visual,
                          XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT, values);
        const char klass[] = "kestrove\0Kestrove";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, probe_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof klass,
                            klass);
        // Redirected, it has pixels of its own though no screen shows it.
        xcb_composite_redirect_window(c, probe_, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        xcb_map_window(c, probe_);
        pen_ = xcb_generate_id(c);
        xcb_create_gc(c, pen_, probe_, 0, nullptr);
    }
    // Two colours side by side, then the background over them: one colour
    // left means the background painted it all.
    const std::uint32_t black = 0x000000, white = 0xffffff;
    const xcb_rectangle_t left{0, 0, probeSide / 2, probeSide}, right{probeSide / 2, 0, probeSide / 2, probeSide};
    xcb_change_gc(c, pen_, XCB_GC_FOREGROUND, &black);
    xcb_poly_fill_rectangle(c, probe_, pen_, 1, &left);
    xcb_change_gc(c, pen_, XCB_GC_FOREGROUND, &white);
    xcb_poly_fill_rectangle(c, probe_, pen_, 1, &right);
    xcb_clear_area(c, 0, probe_, 0, 0, 0, 0);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_composite_name_window_pixmap(c, probe_, pixmap);
    auto read = reader_.read(pixmap, 0, 0, probeSide, probeSide);
    xcb_free_pixmap(c, pixmap);
    if (!read) {
        probeFailed_ = true;  // not redirected here: the server cannot tell
        return std::nullopt;
    }
    const Image& seen = read.value();
    for (std::size_t i = 4; i < seen.rgba.size(); i += 4)
        if (std::memcmp(&seen.rgba[i], seen.rgba.data(), 4) != 0) return std::nullopt;
    return std::array<std::uint8_t, 4>{seen.rgba[0], seen.rgba[1], seen.rgba[2], 255};
}

}  // namespace kestrove
