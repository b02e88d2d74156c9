#pragma once
// A real notification service for the desktop tests and benchmarks: dunst,
// started on the session bus of the desktop (scripts/with-desktop) with a
// config of our own that keeps a long history, and stopped by pid.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <vector>

namespace kestrove::testing {

struct ShownNotification {
    int id = 0;
    QString appName, summary, body, iconPath;
};

class DunstPeer {
public:
    DunstPeer();  // throws when dunst does not take the name
    ~DunstPeer();
    DunstPeer(const DunstPeer&) = delete;
    DunstPeer& operator=(const DunstPeer&) = delete;

    // Every notification dunst received, oldest first (closes the shown ones
    // into its history to list them).
    std::vector<ShownNotification> notifications();
    // How many notifications dunst holds: waiting, shown and in its history.
    unsigned count() { return countOnBus(); }
    // The same, asked of the dunst on the session bus, from any process.
    static unsigned countOnBus();
    // Moves the shown notifications into the history (off the screen).
    void closeAll();

private:
    QTemporaryDir dir_;
    QProcess dunst_;
};

}  // namespace kestrove::testing
