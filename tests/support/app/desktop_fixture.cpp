#include "support/app/desktop_fixture.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "app/platform/atspi/accessibility_status.hpp"
#include "app/platform/tesseract/openmp_limit.hpp"
#include "app/look/qt_image.hpp"

namespace kestrove::desktop {

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool allowReadingWindows() { return AccessibilityStatus::setEnabled(true); }

bool waitUntilListedAt(WindowList& windows, std::uint32_t id, const Rect& client) {
    return waitFor([&] {
        for (const auto& w : windows.list(WindowListOptions::onScreenOnly))
            if (w.id == id) return w.frame == client;
        return false;
    });
}

std::optional<WindowInfo> listedOnScreen(WindowList& windows, std::uint32_t id) {
    std::optional<WindowInfo> found;
    waitFor([&] {
        for (const WindowInfo& w : windows.list(WindowListOptions::onScreenOnly))
            if (w.id == id) found = w;
        return found.has_value();
    });
    return found;
}

int maxChannelDifference(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) return 256;
    int worst = 0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        if (i % 4 == 3) continue;
        worst = std::max(worst, std::abs(int(a.rgba[i]) - int(b.rgba[i])));
    }
    return worst;
}

TestWindow::TestWindow(const QStringList& args) {
    static QTemporaryDir dir;
    folder_ = dir.path().toStdString();
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(KESTROVE_TEST_WINDOW), args);
    if (!process_.waitForStarted(10000)) throw std::runtime_error("the test window did not start");
    const std::string first = readLine();
    if (first.rfind("window ", 0) != 0) throw std::runtime_error("the test window said: " + first);
    id_ = static_cast<std::uint32_t>(std::stoul(first.substr(7)));
}

TestWindow::~TestWindow() { close(); }

void TestWindow::close() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.write("close\n");
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(2000);
    }
}

std::string TestWindow::readLine() {
    QElapsedTimer t;
    t.start();
    while (!process_.canReadLine()) {
        if (t.elapsed() > 10000 || process_.state() == QProcess::NotRunning)
            throw std::runtime_error("no answer from the test window");
        process_.waitForReadyRead(100);
    }
    return process_.readLine().trimmed().toStdString();
}

std::string TestWindow::command(const std::string& line) {
    process_.write((line + "\n").c_str());
    process_.waitForBytesWritten(2000);
    std::string said;
    for (;;) {
        std::string answer = readLine();
        if (answer == "ok") return said;
        if (answer.rfind("error", 0) == 0) {
            ADD_FAILURE() << "test window: " << line << ": " << answer;
            return said;
        }
        said = answer;
    }
}

Rect TestWindow::where() {
    const std::string at = command("where");
    double x = 0, y = 0, w = 0, h = 0;
    if (std::sscanf(at.c_str(), "at %lf %lf %lf %lf", &x, &y, &w, &h) != 4) ADD_FAILURE() << "where: " << at;
    return {x, y, w, h};
}

Image TestWindow::grab(int x, int y, int w, int h) {
    static int n = 0;
    const std::string file = folder_ + "/grab" + std::to_string(++n) + ".png";
    command("grab " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(w) + " " +
            std::to_string(h) + " " + file);
    return imageFromQImage(QImage(QString::fromStdString(file)));
}

namespace {

// The X id the window program gives for a window it made ("<verb> <id>"); 0 on an error.
std::uint32_t madeWindow(const std::string& said, const std::string& verb) {
    const std::string head = verb + ' ';
    return said.rfind(head, 0) == 0 ? static_cast<std::uint32_t>(std::stoul(said.substr(head.size()))) : 0;
}

}  // namespace

std::uint32_t TestWindow::cover() { return madeWindow(command("cover"), "cover"); }

std::uint32_t TestWindow::extra(const std::string& kind, const Rect& at) {
    return madeWindow(command("extra " + kind + " " + std::to_string(int(at.x)) + " " + std::to_string(int(at.y)) +
                              " " + std::to_string(int(at.width)) + " " + std::to_string(int(at.height))),
                      "extra");
}

std::uint32_t TestWindow::editor(int x, int y, int rows) {
    return madeWindow(command("editor " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(rows)),
                      "editor");
}

}  // namespace kestrove::desktop

int main(int argc, char** argv) {
    kestrove::limitOpenMPThreads(argv);  // first: may start the process again
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
