// Launch at login through the autostart folder, in a temporary home.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/platform/xdg/xdg_autostart.hpp"

namespace kestrove {
namespace {

struct Autostart : ::testing::Test {
    QTemporaryDir root;
    QString home = root.filePath(QStringLiteral("config"));
    QString system = root.filePath(QStringLiteral("xdg"));
    XdgAutostart autostart{home, {root.filePath(QStringLiteral("empty")), system}, QStringLiteral("/usr/bin/kestrove")};

    static void write(const QString& path, const QByteArray& content) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QString systemFile() const { return system + QStringLiteral("/autostart/kestrove.desktop"); }
    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }
    QStringList userFolder() const { return QDir(home + QStringLiteral("/autostart")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden); }
};

TEST_F(Autostart, EnabledIsWhatTheSessionWouldStart) {
    struct Case {
        const char* name;
        const char* user;    // nullptr: no user file
        const char* system;  // nullptr: no system file
        bool enabled;
    };
    const Case cases[] = {
        {"nothing", nullptr, nullptr, false},
        {"user entry", "[Desktop Entry]\nExec=kestrove\n", nullptr, true},
        {"switched off by the desktop", "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", nullptr, false},
        {"switched on by the desktop", "[Desktop Entry]\nX-GNOME-Autostart-enabled = true\n", nullptr, true},
        {"hidden", "[Desktop Entry]\nHidden=true\n", nullptr, false},
        {"hidden in another group only", "[Desktop Action x]\nHidden=true\n[Desktop Entry]\nExec=k\n", nullptr, true},
        {"system entry", nullptr, "[Desktop Entry]\nExec=kestrove\n", true},
        {"system entry hidden by the user", "[Desktop Entry]\nHidden=true\n", "[Desktop Entry]\nExec=kestrove\n", false},
        {"system entry switched off", nullptr, "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
        {"user entry over a system one switched off", "[Desktop Entry]\nExec=k\n",
         "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", true},
    };
    for (const auto& c : cases) {
        QFile::remove(autostart.userFile());
        QFile::remove(systemFile());
        if (c.user) write(autostart.userFile(), c.user);
        if (c.system) write(systemFile(), c.system);
        EXPECT_EQ(autostart.enabled(), c.enabled) << c.name;
    }
}

TEST_F(Autostart, SwitchingOnWritesOurEntryAndOffRemovesIt) {
    auto on = autostart.toggle();
    EXPECT_TRUE(on.enabled);
    EXPECT_FALSE(on.error);
    EXPECT_EQ(read(autostart.userFile()),
              "[Desktop Entry]\nType=Application\nName=Kestrove\n"
              "Comment=Watches parts of your screen and barks when something happens\n"
              "Exec=/usr/bin/kestrove\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(userFolder(), QStringList{"kestrove.desktop"}) << "no temporary file left behind";

    auto off = autostart.toggle();
    EXPECT_FALSE(off.enabled);
    EXPECT_FALSE(off.error);
    EXPECT_FALSE(QFile::exists(autostart.userFile()));
}

TEST_F(Autostart, AnEntryTheDesktopMadeIsTurnedOffBySwitching) {
    // The desktop's own settings copied an entry into the user's folder.
    write(autostart.userFile(), "[Desktop Entry]\nType=Application\nExec=/usr/bin/kestrove\nX-GNOME-Autostart-enabled=true\n");
    ASSERT_TRUE(autostart.enabled());
    EXPECT_FALSE(autostart.toggle().enabled);
    EXPECT_FALSE(QFile::exists(autostart.userFile()));

    // A system-wide entry cannot be removed: the user's file hides it, and
    // switching again brings our own entry back.
    write(systemFile(), "[Desktop Entry]\nExec=/usr/bin/kestrove\n");
    ASSERT_TRUE(autostart.enabled());
    EXPECT_FALSE(autostart.toggle().enabled);
    EXPECT_TRUE(read(autostart.userFile()).contains("Hidden=true\n"));
    EXPECT_EQ(read(systemFile()), "[Desktop Entry]\nExec=/usr/bin/kestrove\n");
    EXPECT_TRUE(autostart.toggle().enabled);
    EXPECT_FALSE(read(autostart.userFile()).contains("Hidden"));
}

TEST_F(Autostart, AFailedWriteSaysWhyAndChangesNothing) {
    // The autostart "folder" is a file: nothing can be made in it.
    write(home + QStringLiteral("/autostart"), "not a folder");
    auto failed = autostart.toggle();
    EXPECT_FALSE(failed.enabled);
    ASSERT_TRUE(failed.error);
    EXPECT_NE(failed.error->find("autostart"), std::string::npos) << *failed.error;
    EXPECT_EQ(read(home + QStringLiteral("/autostart")), "not a folder");

    // The entry's name is taken by a folder: the save fails before any rename.
    QFile::remove(home + QStringLiteral("/autostart"));
    QDir().mkpath(autostart.userFile());
    failed = autostart.toggle();
    EXPECT_TRUE(failed.error);
    EXPECT_EQ(userFolder(), QStringList{"kestrove.desktop"}) << "no temporary file left behind";
}

TEST(AutostartExec, QuotesWhatTheDesktopEntryRulesReserve) {
    struct Case {
        const char* program;
        const char* exec;
    };
    const Case cases[] = {
        {"/usr/bin/kestrove", "/usr/bin/kestrove"},
        {"/opt/My Apps/kestrove", "\"/opt/My Apps/kestrove\""},
        {"/a/$x\"b`c", "\"/a/\\\\$x\\\\\"b\\\\`c\""},
        {"/a\\b", "\"/a\\\\\\\\b\""},
        {"/a/100%/k", "/a/100%%/k"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XdgAutostart::execLine(QString::fromUtf8(c.program)), QString::fromUtf8(c.exec)) << c.program;
}

}  // namespace
}  // namespace kestrove
