#pragma once
// The kestrove program as a user starts it, inside the test's desktop, with
// data and settings folders of its own; and what can be seen of it from
// outside: its log, its windows, its files.

#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/foundation/geometry.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove::desktop {

// A user's folders: data (watches, crops) and settings.
struct Home {
    QTemporaryDir dir;
    std::filesystem::path data() const { return std::filesystem::path(dir.path().toStdString()) / "data"; }
    std::filesystem::path config() const { return std::filesystem::path(dir.path().toStdString()) / "config"; }
    std::filesystem::path watchFile() const { return data() / "Kestrove" / "watches.json"; }
    // Welcome done, so no window opens at start.
    Home();
    void save(const std::vector<WatchRecord>& records) const;
    std::vector<WatchRecord> saved() const;
};

class Kestrove {
public:
    explicit Kestrove(const Home& home, const QStringList& args = {});
    // Ends it with SIGTERM when it still runs, killed if it hangs.
    ~Kestrove();

    qint64 pid() const { return pid_; }
    // Everything it wrote to standard error so far.
    std::string log();
    bool waitForLog(const std::string& part, int ms = 10000);
    // Sends `signal` and waits for the end; the exit status, none when it
    // did not end in time or crashed.
    std::optional<int> end(int signal, int ms = 10000);
    bool running() const { return process_.state() != QProcess::NotRunning; }
    std::optional<int> waitForExit(int ms = 10000);

    // Its override-redirect windows on screen (frames, the selection
    // overlay), root pixels.
    std::vector<Rect> frames() const;
    // The window with the keyboard when it is one of its own: the active
    // window, or the tray panel holding the keyboard by its grab.
    std::optional<Rect> keyboardWindow() const;

private:
    QProcess process_;
    qint64 pid_ = 0;
    std::string log_;
};

}  // namespace kestrove::desktop
