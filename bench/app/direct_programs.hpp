#pragma once
// What bench_direct_reading needs of real programs: starting one, finding
// its window, where its lines are drawn (read directly over the whole
// window), and how much processor time a group of processes has used.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>

#include <unistd.h>

#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/platform/direct_reader.hpp"
#include "app/platform/screen_space.hpp"
#include "app/platform/selected_region.hpp"
#include "app/platform/window_binder.hpp"
#include "engine_rig.hpp"
#include "support/app/real_apps.hpp"

namespace kestrove::bench {

// A program started for the bench, ended with it.
struct Program {
    QProcess process;
    Program(const QString& program, const QStringList& args) {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, args);
        process.waitForStarted(10000);
    }
    ~Program() {
        process.terminate();
        if (!process.waitForFinished(3000)) process.kill();
        process.waitForFinished(2000);
    }
    std::int32_t pid() const { return static_cast<std::int32_t>(process.processId()); }
    // Its largest ordinary window on screen.
    std::optional<WindowInfo> window(WindowList& windows, int ms = 30000) const {
        std::optional<WindowInfo> found;
        spinUntil(
            [&] { return (found = desktop::largestWindowOf(windows.list(WindowListOptions::onScreenOnly), pid())).has_value(); },
            ms);
        return found;
    }
};

inline QStringList chromiumFlags(const QString& profile) {
    return {"--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--force-renderer-accessibility",
            "--window-position=40,40", "--window-size=1000,900", "--user-data-dir=" + profile};
}

// A box drawn around `line` with a few points to spare, bound to the window under it.
inline WatchRegion boxAround(const Rect& line, const Rect& window, WindowList& windows, const Screens& screens) {
    const Rect drawn = Rect::fromEdges(std::floor(line.minX() - 6), std::floor(line.minY() - 3),
                                       std::ceil(line.maxX() + 6), std::ceil(line.maxY() + 3));
    const Rect box = drawn.intersection(window).value_or(drawn);
    const auto screen = ScreenSpace::screenFor(box, screens.screens());
    if (!screen) return {};
    return WindowBinder::bind(SelectedRegion::make(*screen, box), windows, screens).region;
}

// Waits for an answer handed over on the reader's thread or through the main loop.
template <typename T, typename Start>
std::optional<T> await(Start start, int ms = 20000) {
    auto got = std::make_shared<std::optional<T>>();
    const Pending call = start([got](T value) { *got = std::move(value); });
    spinUntil([&] { return got->has_value(); }, ms);
    return *got;
}

inline std::shared_ptr<DirectSession> openSession(DirectReader& reader, const WatchRegion& region) {
    return await<std::shared_ptr<DirectSession>>([&](auto done) { return reader.open(region, done); })
        .value_or(nullptr);
}

inline DirectAnswer readOnce(DirectSession& session) {
    return await<DirectAnswer>([&](auto done) { return session.read(done); })
        .value_or(DirectAnswer::noAnswer(DirectSilence::failed));
}

// The lines drawn in `window` holding `prefix`, in global points, read
// directly over the whole client area (waiting for the program to fill its tree).
inline std::vector<std::pair<std::string, Rect>> linesIn(DirectReader& reader, WindowList& windows,
                                                         const Screens& screens, const WindowInfo& window,
                                                         const std::string& prefix, std::size_t atLeast) {
    const Rect all = window.frame;
    const auto screen = ScreenSpace::screenFor(all, screens.screens());
    if (!screen) return {};
    const WatchRegion region = WindowBinder::bind(SelectedRegion::make(*screen, all), windows, screens).region;
    std::vector<std::pair<std::string, Rect>> found;
    const auto session = openSession(reader, region);
    if (!session) return {};
    spinUntil(
        [&] {
            found.clear();
            const DirectAnswer a = readOnce(*session);
            if (!a.lines()) return false;
            for (const OCRLine& l : *a.lines())
                if (l.text.rfind(prefix, 0) == 0)
                    found.push_back({l.text, Rect{all.x + l.box.x * all.width, all.y + l.box.y * all.height,
                                                  l.box.w * all.width, l.box.h * all.height}});
            return found.size() >= atLeast;
        },
        30000);
    return found;
}

// What a group of processes has used so far: processor seconds, and wakes
// (every thread's voluntary context switches).
struct Use {
    double seconds = 0;
    long long wakes = 0;
};

// The times every thread of process `pid` went to sleep of its own accord.
inline long long processWakes(int pid) {
    long long wakes = 0;
    const QString tasks = QString("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream in((tasks + "/" + task + "/status").toStdString());
        for (std::string line; std::getline(in, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) wakes += std::stoll(line.substr(24));
    }
    return wakes;
}

// What the processes `roots` and all their descendants have used so far.
inline Use treeUse(const std::vector<std::int32_t>& roots) {
    struct Stat {
        std::int32_t parent = 0;
        double seconds = 0;
    };
    std::map<std::int32_t, Stat> all;
    const double tick = double(::sysconf(_SC_CLK_TCK));
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const int pid = entry.toInt(&number);
        if (!number) continue;
        std::ifstream in("/proc/" + entry.toStdString() + "/stat");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(text.substr(close + 2));
        std::string f;
        std::vector<std::string> v;
        while (fields >> f) v.push_back(f);
        if (v.size() < 13) continue;
        // After the name: state, ppid, ... utime is the 12th, stime the 13th.
        all[pid] = {std::stoi(v[1]), (std::stod(v[11]) + std::stod(v[12])) / tick};
    }
    std::set<std::int32_t> inside(roots.begin(), roots.end());
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [pid, s] : all)
            if (!inside.count(pid) && inside.count(s.parent)) grew = inside.insert(pid).second || grew;
    }
    Use total;
    for (std::int32_t pid : inside)
        if (auto it = all.find(pid); it != all.end()) {
            total.seconds += it->second.seconds;
            total.wakes += processWakes(pid);
        }
    return total;
}

// The accessibility bus's launcher (the bus and the registry are its descendants).
inline std::int32_t accessibilityBusPid() {
    QDBusMessage ask = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "GetConnectionUnixProcessID");
    ask.setArguments({QStringLiteral("org.a11y.Bus")});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(ask);
    return reply.arguments().isEmpty() ? 0 : static_cast<std::int32_t>(reply.arguments().constFirst().toUInt());
}

}  // namespace kestrove::bench
