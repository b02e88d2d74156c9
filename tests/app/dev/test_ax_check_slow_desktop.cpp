// The accessibility check's comparison run on a real desktop, read as its
// report: the fixed lines, what the direct reader made of the story where a
// rule compiled, the lost window of the minimised round, the hung stage's
// time-outs, no stage left behind, a stage that ends early, and the run
// without a session bus.

#include <gtest/gtest.h>

#include <QDir>

#include <csignal>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "ax_check_run.hpp"

namespace kestrove {
namespace {

using Lines = std::vector<std::string>;

// The lines of the round that begins with `header`, up to the next empty line.
Lines section(const Lines& all, const std::string& header) {
    const auto start = std::find(all.begin(), all.end(), header);
    if (start == all.end()) return {};
    return Lines(start, std::find(start, all.end(), std::string()));
}

// The line that begins with `prefix`, or "".
std::string startingWith(const Lines& lines, const std::string& prefix) {
    for (const std::string& l : lines)
        if (l.rfind(prefix, 0) == 0) return l;
    return "";
}

// The picture and direct cells of a sentence's bark row.
std::pair<std::string, std::string> barks(const Lines& round, const std::string& sentence) {
    const auto table = std::find_if(round.begin(), round.end(), [](const std::string& l) { return l.rfind("Barks", 0) == 0; });
    for (auto it = table; it != round.end(); ++it)
        if (it->rfind("  " + sentence + " ", 0) == 0) {
            const QString row = QString::fromStdString(*it);  // "€" is one character, as the columns count
            return {row.mid(34, 34).toStdString(), row.mid(68, 34).toStdString()};
        }
    return {};
}

// A bark cell without its time ("t4 (+4.1 s), read 189.00" → "t4, read 189.00") or the column's padding,
// which is as much shorter as the time is longer ("+10.2 s" on a slow run beside "+9.8 s").
std::string withoutTime(const std::string& cell) {
    std::string out = std::regex_replace(cell, std::regex(" \\(\\+[0-9.]+ s\\)"), "");
    out.erase(out.find_last_not_of(' ') + 1);
    return out;
}

// What the picture reader saw at each tick, box by box ("=" when the pixels
// did not change), as the ticks' rows show it.
Lines pictureReads(const Lines& round) {
    Lines out;
    for (const std::string& l : round) {
        const QString row = QString::fromStdString(l);
        if (!row.startsWith(QStringLiteral("       ")) || row.mid(16, 8) != QStringLiteral("picture ")) continue;
        out.push_back(row.mid(7, 9).trimmed().toStdString() + ": " + row.mid(24, 52).trimmed().toStdString());
    }
    return out;
}

TEST(AxCheckDesktop, TheComparisonRunReportsWhatEachReaderSaw) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    const axcheck::Outcome run = axcheck::check({}, 240000);
    ASSERT_EQ(run.code, 0);
    const Lines& r = run.lines;
    ASSERT_GT(r.size(), 60u);
    EXPECT_TRUE(std::regex_match(r[0], std::regex("Kestrove --ax-check \u00b7 \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ")))
        << r[0];
    EXPECT_EQ(r[1], "Accessibility: allowed \u00b7 Screen Recording: granted");
    std::smatch window;
    ASSERT_TRUE(std::regex_match(r[2], window,
                                 std::regex("Test window: id \\d+, 440 \u00d7 290 pt at \\d+, \\d+, scale 1\\.0, a Qt "
                                            "window of another process \\(pid (\\d+), this check's own\\)")))
        << r[2];
    EXPECT_EQ(r[3], "Boxes: status 412 \u00d7 60 pt at 14, 52 in the window \u00b7 price 412 \u00d7 48 pt at 14, 122 in "
                    "the window \u00b7 counter 412 \u00d7 38 pt at 14, 10 in the window \u00b7 log 412 \u00d7 96 pt at "
                    "14, 180 in the window");
    EXPECT_EQ(r[4].rfind("Tick: 1.0 s ", 0), 0u) << r[4];
    EXPECT_EQ(r[6].rfind("Cold start, once per launch: first capture ", 0), 0u) << r[6];

    const Lines shown = section(r, "== 1. The window is on screen ==");
    const Lines covered = section(r, "== 2. The window is covered by another test window ==");
    const Lines hidden = section(r, "== 3. The window is not on screen: its app is hidden (all its windows unmapped) ==");
    const Lines minimized = section(r, "== 4. The window is minimized ==");
    for (const Lines* round : {&shown, &covered, &hidden, &minimized}) {
        ASSERT_GT(round->size(), 50u);
        EXPECT_EQ((*round)[1], "Set-up, window shown:");
        EXPECT_NE(startingWith(*round, "Ticks (what each reader read"), "");
        EXPECT_NE(startingWith(*round, "  t8 +"), "");
        EXPECT_NE(startingWith(*round, "Times: picture without Tesseract median "), "");
    }
    EXPECT_NE(startingWith(covered, "Covered: by the window list, window "), "");
    // Covered, the window is read through its own picture: the same pixels,
    // so the same readings and the same barks as when it was shown.
    EXPECT_EQ(pictureReads(covered), pictureReads(shown));
    EXPECT_EQ(pictureReads(shown).size(), 32u);
    for (const char* sentence : {"the price drops below 200", "the counter reaches 40", "it says \"Export complete\"",
                                 "a new line appears in the log"})
        EXPECT_EQ(withoutTime(barks(covered, sentence).first), withoutTime(barks(shown, sentence).first)) << sentence;
    EXPECT_EQ(startingWith(hidden, "Hidden: "), "Hidden: the X server lists the window as not on screen.");
    EXPECT_EQ(startingWith(minimized, "Minimized: "), "Minimized: the X server lists the window as not on screen.");

    // Where a rule compiled, the direct reader barked at the tick the story says.
    const std::pair<const char*, const char*> story[] = {
        {"the price drops below 200", "t4 "}, {"the counter reaches 40", "t6 "},
        {"it says \"Export complete\"", "t6 "}, {"a new line appears in the log", "t3 "}};
    for (const auto& [sentence, tick] : story) {
        if (startingWith(shown, "  " + std::string(sentence) + " ").find("NOT COMPILED") != std::string::npos) continue;
        EXPECT_EQ(barks(shown, sentence).second.rfind(tick, 0), 0u) << sentence << ": " << barks(shown, sentence).second;
    }
    // Minimised: the picture sees nothing, the direct reader reads on.
    EXPECT_EQ(startingWith(minimized, "Sight: "),
              "Sight: of 32 looks the picture could not see the box in 32; the direct reader still read it in 32 of "
              "those (tag: \"WATCHING \u00b7 READING DIRECTLY\"); lost by both: 0.");

    const Lines probes = section(r, "== 5. No answer is never \"the text is gone\" ==");
    const auto hung = std::find(probes.begin(), probes.end(),
                                "  an app that hangs (the test process is stopped; the timeout on every call is 1 s)");
    ASSERT_NE(hung, probes.end());
    std::smatch slowest;
    ASSERT_TRUE(std::regex_match(*(hung + 1), slowest,
                                 std::regex("      2 reads \u2192 NO ANSWER \\(timedOut\\) \u00b7 NO ANSWER \\(timedOut\\) "
                                            "\\(slowest (\\d+) ms\\) \u00b7 counted: no \u00b7 barked: no")))
        << *(hung + 1);
    EXPECT_GE(std::stoi(slowest[1]), 900);
    EXPECT_EQ((hung + 2)->rfind("      continued, the next read \u2192 Export complete in ", 0), 0u) << *(hung + 2);
    // Qt keeps a closed window's object without its size: the window is gone, not the box outside it.
    const auto closed =
        std::find(probes.begin(), probes.end(), "  the test window after it was closed (the process still runs)");
    ASSERT_NE(closed, probes.end());
    EXPECT_EQ((closed + 1)->rfind("      3 reads \u2192 NO ANSWER (windowGone) \u00b7 NO ANSWER (windowGone) \u00b7 "
                                  "NO ANSWER (windowGone) ",
                                  0),
              0u)
        << *(closed + 1);
    // Every probe but the control: nothing counted, nothing barked.
    int labels = 0;
    for (std::size_t i = 3; i + 1 < probes.size(); ++i) {
        if (probes[i].rfind("      ", 0) == 0 || probes[i].rfind("  control", 0) == 0) continue;
        ++labels;
        EXPECT_NE(probes[i + 1].find("counted: no \u00b7 barked: no"), std::string::npos) << probes[i];
    }
    EXPECT_EQ(labels, 7);

    EXPECT_NE(std::find(r.begin(), r.end(), "== 6. Is it built on Chromium? Every app that owns a normal window now, "
                                            "by the pid in the window list, from /proc =="),
              r.end());
    EXPECT_EQ(r.back().rfind("  (the test process)          not Chromium  sure     every window state  ", 0), 0u)
        << r.back();
    // The stage is gone: no process holds its pid, or only its exit status is left.
    std::ifstream stat("/proc/" + window[1].str() + "/stat");
    std::string s;
    if (std::getline(stat, s)) {
        EXPECT_EQ(s.substr(s.rfind(')') + 2, 1), "Z") << s;
    }
}

// The pid of the process `parent` started with "--ax-stage", or 0.
qint64 stageOf(qint64 parent) {
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number) continue;
        std::ifstream stat("/proc/" + entry.toStdString() + "/stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        char state = 0;
        qint64 ppid = 0;
        rest >> state >> ppid;
        std::ifstream cmd("/proc/" + entry.toStdString() + "/cmdline");
        const std::string args((std::istreambuf_iterator<char>(cmd)), std::istreambuf_iterator<char>());
        if (ppid == parent && state != 'Z' && args.find("--ax-stage") != std::string::npos) return pid;
    }
    return 0;
}

// Started as a background job (SIGINT ignored): SIGINT leaves check and
// stage running; a stage killed from outside ends the run at once with a
// line of its own and a code of its own.
TEST(AxCheckDesktop, AStageThatEndsEarlyEndsTheRunAsAFailure) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/report");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KESTROVE_AX_TICK"), QStringLiteral("1"));
    QProcess check;
    check.setProcessEnvironment(env);
    check.setProcessChannelMode(QProcess::ForwardedChannels);
    check.setChildProcessModifier([] { ::signal(SIGINT, SIG_IGN); });
    check.start(QStringLiteral(KESTROVE_APP), {QStringLiteral("--ax-check"), folder});
    ASSERT_TRUE(check.waitForStarted(10000));
    qint64 stage = 0;
    ASSERT_TRUE(desktop::waitFor([&] { return (stage = stageOf(check.processId())) != 0; }, 30000));
    desktop::waitFor([] { return false; }, 6000);  // into the first round

    ::kill(static_cast<pid_t>(check.processId()), SIGINT);
    desktop::waitFor([] { return false; }, 1000);
    EXPECT_EQ(stageOf(check.processId()), stage) << "the stage outlived a signal the check ignores";
    ASSERT_EQ(check.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(stage), SIGKILL);
    ASSERT_TRUE(desktop::waitFor([&] { return check.state() == QProcess::NotRunning; }, 30000))
        << "the run stops instead of reading a window that is gone";
    EXPECT_EQ(check.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(check.exitCode(), 3);
    std::ifstream report((folder + QStringLiteral("/report.txt")).toStdString());
    Lines lines;
    for (std::string line; std::getline(report, line);) lines.push_back(line);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "The test window's process ended before the check was done (killed by signal 9).");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("== ", 0) == 0; }), 1)
        << "no round after the first";
}

TEST(AxCheckDesktop, WithoutASessionBusNothingIsRead) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/kestrove-bus"));
    const axcheck::Outcome run = axcheck::check({}, 60000, env);
    EXPECT_EQ(run.code, 1);
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[1], "Accessibility: NOT allowed \u00b7 Screen Recording: granted");
    EXPECT_EQ(run.lines[2], "Both permissions are needed. Nothing was read.");
}

}  // namespace
}  // namespace kestrove
