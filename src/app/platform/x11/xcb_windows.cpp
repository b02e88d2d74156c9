#include "app/platform/x11/xcb_windows.hpp"

#include <algorithm>
#include <fstream>
#include <unordered_map>

#include <xcb/res.h>

#include "app/platform/window_list.hpp"

namespace kestrove::xcbwindows {

namespace {

constexpr std::uint32_t allDesktops = 0xFFFFFFFFu;

bool contains(const std::vector<std::uint32_t>& v, xcb_atom_t a) {
    return a != XCB_ATOM_NONE && std::find(v.begin(), v.end(), a) != v.end();
}

// WM_CLASS is "instance\0class\0".
std::pair<std::string, std::string> wmClass(const std::optional<Property>& p) {
    if (!p || p->bytes.empty()) return {};
    const std::string all = p->text();
    const std::size_t nul = all.find('\0');
    std::string instance = all.substr(0, nul);
    std::string klass;
    if (nul != std::string::npos) {
        klass = all.substr(nul + 1);
        klass = klass.substr(0, klass.find('\0'));
    }
    return {instance, klass};
}

std::string processName(std::int32_t pid) {
    if (pid <= 0) return {};
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

struct Cookies {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_property_cookie_t wmClass, pid, state, desktop, type, opacity;
    std::optional<xcb_res_query_client_ids_cookie_t> owner;
};

std::optional<std::int32_t> resourcePid(XcbConnection& x, xcb_res_query_client_ids_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    auto reply = adopt(xcb_res_query_client_ids_reply(x.get(), cookie, &error));
    std::free(error);
    if (!reply) return std::nullopt;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem; xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
            xcb_res_client_id_value_value_length(it.data) >= 1)
            return static_cast<std::int32_t>(*xcb_res_client_id_value_value(it.data));
    }
    return std::nullopt;
}

Cookies requestFacts(XcbConnection& x, xcb_window_t w, bool resPids) {
    xcb_connection_t* c = x.get();
    Cookies k{xcb_get_window_attributes(c, w),
              xcb_get_geometry(c, w),
              xcb_translate_coordinates(c, w, x.root(), 0, 0),
              requestProperty(x, w, XCB_ATOM_WM_CLASS, 256),
              requestProperty(x, w, x.atom("_NET_WM_PID"), 1),
              requestProperty(x, w, x.atom("_NET_WM_STATE"), 32),
              requestProperty(x, w, x.atom("_NET_WM_DESKTOP"), 1),
              requestProperty(x, w, x.atom("_NET_WM_WINDOW_TYPE"), 32),
              requestProperty(x, w, x.atom("_NET_WM_WINDOW_OPACITY"), 1),
              std::nullopt};
    if (resPids) {
        xcb_res_client_id_spec_t spec{w, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        k.owner = xcb_res_query_client_ids(c, 1, &spec);
    }
    return k;
}

struct Facts {
    XcbReply<xcb_get_window_attributes_reply_t> attributes;
    XcbReply<xcb_get_geometry_reply_t> geometry;
    XcbReply<xcb_translate_coordinates_reply_t> origin;
    std::optional<Property> wmClass, netPid, state, desktop, type, opacity;
    std::optional<std::int32_t> ownerPid;
};

// Every reply is read, even for a window found gone, so none is left queued.
Facts readFacts(XcbConnection& x, const Cookies& k) {
    xcb_connection_t* c = x.get();
    xcb_generic_error_t* errors[3] = {};
    Facts f{adopt(xcb_get_window_attributes_reply(c, k.attributes, &errors[0])),
            adopt(xcb_get_geometry_reply(c, k.geometry, &errors[1])),
            adopt(xcb_translate_coordinates_reply(c, k.origin, &errors[2])),
            readProperty(x, k.wmClass),
            readProperty(x, k.pid),
            readProperty(x, k.state),
            readProperty(x, k.desktop),
            readProperty(x, k.type),
            readProperty(x, k.opacity),
            k.owner ? resourcePid(x, *k.owner) : std::nullopt};
    for (xcb_generic_error_t* e : errors) std::free(e);
    return f;
}

int layerOf(XcbConnection& x, bool overrideRedirect, const std::vector<std::uint32_t>& types,
            const std::vector<std::uint32_t>& states) {
    if (overrideRedirect) return WindowLayer::overrideRedirect;
    if (contains(types, x.atom("_NET_WM_WINDOW_TYPE_DESKTOP"))) return WindowLayer::desktop;
    if (contains(types, x.atom("_NET_WM_WINDOW_TYPE_DOCK"))) return WindowLayer::dock;
    if (contains(states, x.atom("_NET_WM_STATE_ABOVE"))) return WindowLayer::above;
    return WindowLayer::normal;
}

// None for a window gone meanwhile or one that shows nothing (input only).
std::optional<WindowInfo> windowInfo(XcbConnection& x, xcb_window_t id, const Facts& f, const Desk& desk, double s,
                                     pid_t self) {
    if (!f.attributes || !f.geometry || !f.origin || f.attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
        return std::nullopt;
    WindowInfo info;
    info.id = id;
    info.frame = Rect{f.origin->dst_x / s, f.origin->dst_y / s, f.geometry->width / s, f.geometry->height / s};
    const auto netPid = f.netPid ? f.netPid->cardinal() : std::nullopt;
    info.ownerPID = f.ownerPid.value_or(netPid ? static_cast<std::int32_t>(*netPid) : 0);
    const auto [instance, className] = wmClass(f.wmClass);
    info.app = !className.empty() ? className : processName(info.ownerPID);

    const auto states = f.state ? f.state->words() : std::vector<std::uint32_t>{};
    const auto types = f.type ? f.type->words() : std::vector<std::uint32_t>{};
    info.layer = layerOf(x, f.attributes->override_redirect, types, states);
    const std::optional<std::uint32_t> onDesktop = f.desktop ? f.desktop->cardinal() : std::nullopt;
    const bool onCurrentDesktop = !desk.hasWindowManager || !onDesktop || !desk.currentDesktop ||
                                  *onDesktop == allDesktops || *onDesktop == *desk.currentDesktop ||
                                  contains(states, x.atom("_NET_WM_STATE_STICKY"));
    info.isOnScreen = f.attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                      !contains(states, x.atom("_NET_WM_STATE_HIDDEN")) && onCurrentDesktop;
    if (f.opacity && f.opacity->cardinal()) info.alpha = *f.opacity->cardinal() / 4294967295.0;
    info.isOwn = info.ownerPID != 0 && info.ownerPID == self;
    return info;
}

}  // namespace

Desk desk(XcbConnection& x) {
    x.intern({"_NET_SUPPORTING_WM_CHECK", "_NET_CURRENT_DESKTOP", "_NET_CLIENT_LIST_STACKING"});
    auto check = requestProperty(x, x.root(), x.atom("_NET_SUPPORTING_WM_CHECK"), 1);
    auto current = requestProperty(x, x.root(), x.atom("_NET_CURRENT_DESKTOP"), 1);
    Desk d;
    if (auto p = readProperty(x, check); p && p->cardinal()) {
        // A window manager that died leaves the root property behind; its
        // check window (gone with it) says whether it still runs.
        auto child = readProperty(x, requestProperty(x, *p->cardinal(), x.atom("_NET_SUPPORTING_WM_CHECK"), 1));
        d.hasWindowManager = child && child->cardinal() == p->cardinal();
        if (d.hasWindowManager) d.checkWindow = *p->cardinal();
    }
    if (auto p = readProperty(x, current)) d.currentDesktop = p->cardinal();
    return d;
}

std::vector<xcb_window_t> stacking(XcbConnection& x, const Desk& desk) {
    auto tree = adopt(xcb_query_tree_reply(x.get(), xcb_query_tree(x.get(), x.root()), nullptr));
    if (!tree) return {};
    const xcb_window_t* kids = xcb_query_tree_children(tree.get());
    std::vector<xcb_window_t> topLevels(kids, kids + xcb_query_tree_children_length(tree.get()));

    // Which top-levels are listed themselves: shown override-redirect
    // windows; without a window manager also every window that is shown or
    // names its application (toolkits keep unnamed helper windows unmapped).
    std::vector<xcb_get_window_attributes_cookie_t> attrCookies;
    std::vector<xcb_get_property_cookie_t> classCookies;
    for (auto w : topLevels) {
        attrCookies.push_back(xcb_get_window_attributes(x.get(), w));
        if (!desk.hasWindowManager) classCookies.push_back(requestProperty(x, w, XCB_ATOM_WM_CLASS, 1));
    }
    std::vector<bool> listedItself(topLevels.size(), false);
    for (std::size_t i = 0; i < topLevels.size(); ++i) {
        auto a = adopt(xcb_get_window_attributes_reply(x.get(), attrCookies[i], nullptr));
        const bool named = !desk.hasWindowManager && readProperty(x, classCookies[i]).has_value();
        if (!a || a->_class == XCB_WINDOW_CLASS_INPUT_ONLY || topLevels[i] == desk.checkWindow) continue;
        const bool shown = a->map_state == XCB_MAP_STATE_VIEWABLE;
        listedItself[i] = a->override_redirect ? shown : !desk.hasWindowManager && (shown || named);
    }

    std::unordered_map<xcb_window_t, std::vector<xcb_window_t>> clientsOfTop;
    std::vector<xcb_window_t> unplaced;
    if (desk.hasWindowManager) {
        auto list = readProperty(x, requestProperty(x, x.root(), x.atom("_NET_CLIENT_LIST_STACKING"), 65536));
        std::vector<xcb_window_t> clients = list ? list->words() : std::vector<xcb_window_t>{};
        // Climb from each client to its top-level ancestor (the frame), all
        // clients a level at a time.
        std::vector<xcb_window_t> at = clients;
        std::vector<bool> done(clients.size(), false);
        for (int level = 0; level < 8; ++level) {
            std::vector<std::pair<std::size_t, xcb_query_tree_cookie_t>> asked;
            for (std::size_t i = 0; i < at.size(); ++i)
                if (!done[i]) asked.emplace_back(i, xcb_query_tree(x.get(), at[i]));
            if (asked.empty()) break;
            for (auto& [i, cookie] : asked) {
                xcb_generic_error_t* error = nullptr;
                auto r = adopt(xcb_query_tree_reply(x.get(), cookie, &error));
                std::free(error);
                if (!r) {
                    done[i] = true;  // gone meanwhile
                    at[i] = XCB_WINDOW_NONE;
                } else if (r->parent == x.root()) {
                    done[i] = true;
                } else {
                    at[i] = r->parent;
                }
            }
        }
        for (std::size_t i = 0; i < clients.size(); ++i) {
            if (at[i] == XCB_WINDOW_NONE) continue;
            if (done[i]) clientsOfTop[at[i]].push_back(clients[i]);
            else unplaced.push_back(clients[i]);
        }
    }

    std::vector<xcb_window_t> out;
    for (std::size_t i = topLevels.size(); i-- > 0;) {
        if (auto it = clientsOfTop.find(topLevels[i]); it != clientsOfTop.end())
            out.insert(out.end(), it->second.rbegin(), it->second.rend());
        else if (listedItself[i])
            out.push_back(topLevels[i]);
    }
    out.insert(out.end(), unplaced.rbegin(), unplaced.rend());
    return out;
}

std::vector<std::optional<WindowInfo>> describe(XcbConnection& x, const std::vector<xcb_window_t>& windows,
                                                const Desk& desk, double scale, pid_t self) {
    x.intern({"WM_CLASS", "_NET_WM_PID", "_NET_WM_STATE", "_NET_WM_DESKTOP", "_NET_WM_WINDOW_TYPE",
              "_NET_WM_WINDOW_OPACITY", "_NET_WM_STATE_HIDDEN", "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY",
              "_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_WINDOW_TYPE_DOCK"});
    const bool resPids = x.tellsClientPids();
    // Every request first, then every reply: one round trip for all the windows.
    std::vector<Cookies> cookies;
    cookies.reserve(windows.size());
    for (xcb_window_t w : windows) cookies.push_back(requestFacts(x, w, resPids));
    const double s = scale > 0 ? scale : 1;
    std::vector<std::optional<WindowInfo>> out;
    out.reserve(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i)
        out.push_back(windowInfo(x, windows[i], readFacts(x, cookies[i]), desk, s, self));
    return out;
}

std::optional<std::string> bundleID(XcbConnection& x, xcb_window_t window) {
    x.intern({"_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE"});
    auto gtk = requestProperty(x, window, x.atom("_GTK_APPLICATION_ID"), 64);
    auto kde = requestProperty(x, window, x.atom("_KDE_NET_WM_DESKTOP_FILE"), 64);
    auto klass = requestProperty(x, window, XCB_ATOM_WM_CLASS, 256);
    auto g = readProperty(x, gtk);
    auto k = readProperty(x, kde);
    auto w = readProperty(x, klass);
    for (const auto& p : {g, k}) {
        if (!p) continue;
        std::string id = p->text();
        id = id.substr(0, id.find('\0'));
        if (!id.empty()) return id;
    }
    if (auto instance = wmClass(w).first; !instance.empty()) return instance;
    return std::nullopt;
}

}  // namespace kestrove::xcbwindows
