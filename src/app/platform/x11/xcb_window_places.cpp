#include "app/platform/x11/xcb_window_places.hpp"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include "app/platform/x11/xcb_connection.hpp"

namespace kestrove {

std::optional<PixelRect> XcbWindowPlaces::rootFrame(std::uint32_t window) const {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return std::nullopt;
    xcb_connection_t* c = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // Both asked before either answer is read: one round trip.
    const auto placeCookie = xcb_translate_coordinates(c, window, root, 0, 0);
    const auto sizeCookie = xcb_get_geometry(c, window);
    const auto place = adopt(xcb_translate_coordinates_reply(c, placeCookie, nullptr));
    const auto size = adopt(xcb_get_geometry_reply(c, sizeCookie, nullptr));
    if (!place || !size) return std::nullopt;
    return PixelRect{place->dst_x, place->dst_y, size->width, size->height};
}

}  // namespace kestrove
