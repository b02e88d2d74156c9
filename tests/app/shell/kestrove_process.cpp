#include "shell/kestrove_process.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <csignal>

#include "app/platform/x11/xcb_connection.hpp"
#include "core/watch/watch_json.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove::desktop {

Home::Home() {
    std::filesystem::create_directories(config() / "Kestrove");
    std::ofstream(config() / "Kestrove" / "settings.json") << R"({"didOnboard": true})";
}

void Home::save(const std::vector<WatchRecord>& records) const {
    std::filesystem::create_directories(watchFile().parent_path());
    std::ofstream(watchFile()) << encodeJson(WatchFile{1, records});
}

std::vector<WatchRecord> Home::saved() const {
    std::stringstream text;
    text << std::ifstream(watchFile()).rdbuf();
    return decodeJson<WatchFile>(text.str()).watches;
}

Kestrove::Kestrove(const Home& home, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.data().string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(home.config().string()));
    process_.setProcessEnvironment(env);
    process_.start(QStringLiteral(KESTROVE_APP), args);
    EXPECT_TRUE(process_.waitForStarted()) << "kestrove did not start";
    pid_ = process_.processId();
}

Kestrove::~Kestrove() {
    if (running() && !end(SIGTERM)) {
        process_.kill();
        process_.waitForFinished();
    }
}

std::string Kestrove::log() {
    log_ += process_.readAllStandardError().toStdString();
    return log_;
}

bool Kestrove::waitForLog(const std::string& part, int ms) {
    return waitFor([&] { return log().find(part) != std::string::npos; }, ms);
}

std::optional<int> Kestrove::waitForExit(int ms) {
    waitFor([&] { return !running(); }, ms);
    log();
    if (running() || process_.exitStatus() != QProcess::NormalExit) return std::nullopt;
    return process_.exitCode();
}

std::optional<int> Kestrove::end(int signal, int ms) {
    if (running()) ::kill(static_cast<pid_t>(pid_), signal);
    return waitForExit(ms);
}

namespace {

// Where window `w` lies on the root, when process `pid` owns it.
std::optional<Rect> ownedBy(XcbConnection& x, xcb_window_t w, qint64 pid) {
    const auto owner = readProperty(x, requestProperty(x, w, x.atom("_NET_WM_PID")));
    if (!owner || owner->cardinal() != static_cast<std::uint32_t>(pid)) return std::nullopt;
    auto g = adopt(xcb_get_geometry_reply(x.get(), xcb_get_geometry(x.get(), w), nullptr));
    if (!g) return std::nullopt;
    return Rect{double(g->x), double(g->y), double(g->width), double(g->height)};
}

}  // namespace

std::vector<Rect> Kestrove::frames() const {
    std::vector<Rect> out;
    XcbConnection x;
    xcb_connection_t* c = x.get();
    auto tree = adopt(xcb_query_tree_reply(c, xcb_query_tree(c, x.root()), nullptr));
    if (!tree) return out;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        auto attributes = adopt(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr));
        if (!attributes || !attributes->override_redirect || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
        if (const auto frame = ownedBy(x, children[i], pid_)) out.push_back(*frame);
    }
    return out;
}

std::optional<Rect> Kestrove::keyboardWindow() const {
    XcbConnection x;
    xcb_connection_t* c = x.get();
    // The tray panel takes no activation: it refuses input focus and holds
    // the keyboard by a grab while it is shown, over whatever is active.
    auto grab = adopt(xcb_grab_keyboard_reply(
        c, xcb_grab_keyboard(c, 0, x.root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr));
    if (grab && grab->status == XCB_GRAB_STATUS_SUCCESS) xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    if (grab && grab->status == XCB_GRAB_STATUS_ALREADY_GRABBED)
        if (const auto clients = readProperty(x, requestProperty(x, x.root(), x.atom("_NET_CLIENT_LIST"))))
            for (const std::uint32_t w : clients->words()) {
                const auto hints = readProperty(x, requestProperty(x, w, XCB_ATOM_WM_HINTS));
                const auto words = hints ? hints->words() : std::vector<std::uint32_t>{};
                const bool refusesFocus = words.size() >= 2 && (words[0] & 1u) && words[1] == 0;  // InputHint, False
                auto attributes = adopt(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
                if (!refusesFocus || !attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
                if (const auto panel = ownedBy(x, w, pid_)) return panel;
            }
    const auto active = readProperty(x, requestProperty(x, x.root(), x.atom("_NET_ACTIVE_WINDOW")));
    if (!active || active->words().empty() || active->words()[0] == 0) return std::nullopt;
    return ownedBy(x, active->words()[0], pid_);
}

}  // namespace kestrove::desktop
