// The accessibility check's follow mode on a real desktop, following the
// status line of a test stage the test drives itself.

#include <gtest/gtest.h>

#include <QFileInfo>

#include "ax_check_run.hpp"

namespace kestrove {
namespace {

struct AxFollowDesktop : ::testing::Test {
    AxFollowDesktop() {
        desktop::allowReadingWindows();
        stage.start(QStringLiteral(KESTROVE_APP), {QStringLiteral("--ax-stage")});
        EXPECT_TRUE(stage.waitForStarted(10000));
        EXPECT_TRUE(desktop::waitFor([&] { return stage.canReadLine(); }, 10000));
        const std::string first = stage.readLine().trimmed().toStdString();
        window = QString::fromStdString(first.substr(first.rfind(' ') + 1));
        desktop::waitFor([] { return false; }, 1000);  // placed and on the accessibility bus
    }
    ~AxFollowDesktop() override {
        stage.kill();
        stage.waitForFinished(3000);
    }

    QStringList follow(const QString& id, const QString& seconds) {
        return {QStringLiteral("--window"), id, QStringLiteral("--box"), QStringLiteral("14,52,412,60"),
                QStringLiteral("--seconds"), seconds};
    }

    QProcess stage;
    QString window;
};

TEST_F(AxFollowDesktop, AWindowThatIsNotThereEndsAfterTwoLines) {
    const axcheck::Outcome run = axcheck::check(follow(QStringLiteral("4000000001"), QStringLiteral("5")), 30000);
    EXPECT_EQ(run.code, 2);
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[0].rfind("Kestrove --ax-check --window 4000000001 \u00b7 ", 0), 0u) << run.lines[0];
    EXPECT_EQ(run.lines[1], "No window with that id.");
    EXPECT_FALSE(run.ready);
}

TEST_F(AxFollowDesktop, NoSecondsGivesTheSetUpAndAnEmptySummary) {
    const axcheck::Outcome run = axcheck::check(follow(window, QStringLiteral("0")), 60000);
    ASSERT_EQ(run.code, 0);
    EXPECT_TRUE(run.ready);
    const std::vector<std::string> expectedTail{
        "Ticks every 1.0 s (\"=\" the picture did not change):",
        "Barks (the first of each; the rows above have every one, as an \"every time\" watch would bark):",
        "  \"Exporting\" is gone             picture never                     direct never",
        "  it says \"Export complete\"       picture never                     direct never",
        "  the export is done              picture never                     direct never",
        "Words: in 0 of 0 ticks where both read, the two readings had the same words (they are taken about 0.1 s "
        "apart).",
        "Times: picture median 0.0 ms, slowest 0.0 ms \u00b7 direct median 0.0 ms, slowest 0.0 ms"};
    ASSERT_EQ(run.lines.size(), 9u + expectedTail.size()) << "three sentences: the stage shows no \"Counter\"";
    EXPECT_EQ(run.lines[1], "Window: Kestrove, 440 \u00d7 290 pt \u00b7 box 412 \u00d7 60 pt at 14, 52 in it");
    EXPECT_EQ(run.lines[2].rfind("Chromium: no (sure: ", 0), 0u) << run.lines[2];
    EXPECT_EQ(run.lines[3], "Set-up, attempt 1:");
    EXPECT_EQ(run.lines[5].rfind("  direct  (", 0), 0u);
    EXPECT_NE(run.lines[5].find("Exporting\u2026 30%"), std::string::npos) << run.lines[5];
    EXPECT_EQ(std::vector<std::string>(run.lines.end() - static_cast<long>(expectedTail.size()), run.lines.end()),
              expectedTail);
}

TEST_F(AxFollowDesktop, TheExportCompletingBarksThroughTheDirectReader) {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KESTROVE_AX_TICK"), QStringLiteral("1"));
    QProcess check;
    check.setProcessEnvironment(env);
    check.start(QStringLiteral(KESTROVE_APP),
                QStringList{QStringLiteral("--ax-check"), dir.path()} + follow(window, QStringLiteral("7")));
    ASSERT_TRUE(desktop::waitFor([&] { return QFileInfo::exists(dir.path() + QStringLiteral("/ready")); }, 60000));
    stage.write("show 4\n");
    ASSERT_TRUE(desktop::waitFor([&] { return check.state() == QProcess::NotRunning; }, 60000));
    EXPECT_EQ(check.exitCode(), 0);
    std::ifstream file((dir.path() + QStringLiteral("/report.txt")).toStdString());
    std::vector<std::string> report;
    for (std::string line; std::getline(file, line);) report.push_back(line);
    const std::string sentence = "  it says \"Export complete\"       ";
    const auto row = std::find_if(report.rbegin(), report.rend(),
                                  [&](const std::string& l) { return l.rfind(sentence, 0) == 0; });
    ASSERT_NE(row, report.rend());
    const std::string direct = row->substr(row->find("direct ") + 7);
    EXPECT_TRUE(direct.rfind("t", 0) == 0) << *row;
    const bool noted = std::any_of(report.begin(), report.end(), [](const std::string& l) {
        return l.find("DIRECT BARKS for it says \"Export complete\"") != std::string::npos;
    });
    EXPECT_TRUE(noted);
}

}  // namespace
}  // namespace kestrove
