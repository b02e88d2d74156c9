#include "app/platform/x11/xcb_connection.hpp"

#include <cstring>

#include <xcb/damage.h>
#include <xcb/res.h>
#include <xcb/xfixes.h>

namespace kestrove {

XcbConnection::XcbConnection() {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; it.rem && i < screenNumber; ++i) xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return;
    }
    conn_ = c;
    screenNumber_ = screenNumber;
    screen_ = it.data;
    root_ = it.data->root;
}

XcbConnection::~XcbConnection() {
    if (conn_) xcb_disconnect(conn_);
}

void XcbConnection::intern(std::initializer_list<std::string_view> names) {
    std::vector<std::pair<std::string_view, xcb_intern_atom_cookie_t>> asked;
    for (auto name : names) {
        if (atoms_.count(name)) continue;
        asked.emplace_back(name, xcb_intern_atom(conn_, 0, static_cast<std::uint16_t>(name.size()), name.data()));
    }
    for (auto& [name, cookie] : asked) {
        auto reply = adopt(xcb_intern_atom_reply(conn_, cookie, nullptr));
        atoms_.emplace(std::string(name), reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE});
    }
}

xcb_atom_t XcbConnection::atom(std::string_view name) {
    if (auto it = atoms_.find(name); it != atoms_.end()) return it->second;
    intern({name});
    return atoms_.find(name)->second;
}

bool XcbConnection::hasExtension(xcb_extension_t* ext) const {
    const xcb_query_extension_reply_t* r = xcb_get_extension_data(conn_, ext);
    return r && r->present;
}

xcb_atom_t XcbConnection::compositorSelection() { return atom("_NET_WM_CM_S" + std::to_string(screenNumber_)); }

bool XcbConnection::compositorRunning() {
    auto owner = adopt(xcb_get_selection_owner_reply(conn_, xcb_get_selection_owner(conn_, compositorSelection()), nullptr));
    return owner && owner->owner != XCB_NONE;
}

std::uint8_t XcbConnection::followCompositor() {
    if (!hasExtension(&xcb_xfixes_id)) return 0;
    auto v = adopt(xcb_xfixes_query_version_reply(conn_, xcb_xfixes_query_version(conn_, 5, 0), nullptr));
    if (!v) return 0;
    xcb_xfixes_select_selection_input(conn_, root_, compositorSelection(),
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    return xcb_get_extension_data(conn_, &xcb_xfixes_id)->first_event;
}

bool XcbConnection::tellsClientPids() {
    if (!clientPids_) {
        clientPids_ = false;
        if (hasExtension(&xcb_res_id)) {
            auto v = adopt(xcb_res_query_version_reply(conn_, xcb_res_query_version(conn_, 1, 2), nullptr));
            clientPids_ = v && (v->server_major > 1 || (v->server_major == 1 && v->server_minor >= 2));
        }
    }
    return *clientPids_;
}

std::uint8_t XcbConnection::damageEvents() {
    if (!damageEvents_) {
        damageEvents_ = 0;
        if (hasExtension(&xcb_damage_id)) {
            auto v = adopt(xcb_damage_query_version_reply(conn_, xcb_damage_query_version(conn_, 1, 1), nullptr));
            if (v) damageEvents_ = xcb_get_extension_data(conn_, &xcb_damage_id)->first_event;
        }
    }
    return *damageEvents_;
}

xcb_get_property_cookie_t requestProperty(XcbConnection& c, xcb_window_t w, xcb_atom_t property,
                                          std::uint32_t maxWords) {
    return xcb_get_property(c.get(), 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, maxWords);
}

std::optional<Property> readProperty(XcbConnection& c, xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    auto reply = adopt(xcb_get_property_reply(c.get(), cookie, &error));
    std::free(error);
    if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
    Property p;
    p.type = reply->type;
    p.format = reply->format;
    const int len = xcb_get_property_value_length(reply.get());
    const auto* data = static_cast<const std::uint8_t*>(xcb_get_property_value(reply.get()));
    if (len > 0) p.bytes.assign(data, data + len);
    return p;
}

std::vector<std::uint32_t> Property::words() const {
    std::vector<std::uint32_t> out;
    if (format != 32) return out;
    out.resize(bytes.size() / 4);
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * 4);
    return out;
}

std::optional<std::uint32_t> Property::cardinal() const {
    auto w = words();
    if (w.empty()) return std::nullopt;
    return w.front();
}

std::string Property::text() const { return std::string(bytes.begin(), bytes.end()); }

}  // namespace kestrove
