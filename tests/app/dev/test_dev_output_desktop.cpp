// Every developer mode that writes files, started as a developer would and
// given a folder it cannot write into: it says which path failed and ends
// with the code for output that cannot be made, before any of its work.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <fstream>
#include <string>

#include "app/dev/dev_files.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {
namespace {

TEST(DevModeOutput, AFolderThatTakesNoFileEndsEachWritingModeNamingThePath) {
    QTemporaryDir dir;
    const std::string plainFile = dir.filePath(QStringLiteral("plain")).toStdString();
    std::ofstream(plainFile) << "not a folder";
    struct Place {
        std::string folder;
        std::string named;  // the path the message must name
    };
    const Place places[] = {
        {"/proc/kestrove-cannot-write/out", "/proc/kestrove-cannot-write"},  // no folder can be made there
        {plainFile + "/out", plainFile},                                      // under a regular file
        {"/proc", "/proc"},                                                   // a folder that takes no file
    };
    const QStringList modes[] = {
        {"--snapshot"},
        {"--panel-check"},
        {"--window-check"},
        {"--ax-check"},
        {"--ax-check", "--window", "1", "--box", "0,0,40,40", "--seconds", "1"},
    };
    for (const QStringList& mode : modes) {
        for (const Place& place : places) {
            QStringList args = mode;
            args.insert(1, QString::fromStdString(place.folder));
            SCOPED_TRACE(args.join(' ').toStdString());
            QProcess p;
            p.start(QStringLiteral(KESTROVE_APP), args);
            ASSERT_TRUE(p.waitForFinished(60000));
            const std::string out = p.readAllStandardOutput().toStdString();
            const std::string err = p.readAllStandardError().toStdString();
            EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(p.exitCode(), DevFiles::cannotWrite) << out << err;
            EXPECT_NE(err.find(place.named), std::string::npos) << err;
            // Nothing that reads as success.
            EXPECT_EQ(out.find("every window follows its content"), std::string::npos) << out;
            EXPECT_EQ(out.find("snapshots to"), std::string::npos) << out;
        }
    }
}

}  // namespace
}  // namespace kestrove
