// The restart helper waits for the old process to end before it starts the
// program again; a helper that cannot start leaves one log line.
#include "app/platform/qt/relauncher.hpp"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "support/app/offscreen_app.hpp"

using namespace kestrove;

namespace {

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(Relauncher, StartsTheProgramAgainOnlyOnceTheOldProcessHasEnded) {
    offscreen::app();
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("started"));
    const QString program = dir.filePath(QStringLiteral("kestrove"));
    {
        QFile f(program);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s|' \"$@\" > '" + out.toUtf8() + "'\n");
        f.setPermissions(f.permissions() | QFile::ExeOwner);
    }
    QProcess old;
    old.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(old.waitForStarted());

    ASSERT_TRUE(Relauncher::startHelper(QStringLiteral("/bin/sh"), program,
                                        {QStringLiteral("--flag"), QStringLiteral("two words")}, old.processId()));
    QThread::msleep(400);
    EXPECT_FALSE(QFile::exists(out)) << "started while the old process still ran";

    old.kill();
    old.waitForFinished();
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(out) && t.elapsed() < 3000) QThread::msleep(20);
    QThread::msleep(50);
    EXPECT_EQ(read(out), "--flag|two words|");
}

TEST(Relauncher, AHelperThatCannotStartLeavesOneLogLine) {
    offscreen::app();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(Relauncher::startHelper(QStringLiteral("/nonexistent/sh"), QStringLiteral("/usr/bin/true"), {}, 1));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(log.starts_with("Kestrove: could not start the restart helper (")) << log;
    EXPECT_TRUE(log.ends_with(")\n")) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
}
