#pragma once
// What the desktop tests share: the QApplication of the test process, the
// test window program driven over its standard input, and waiting for the
// desktop to catch up.

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "app/platform/window_list.hpp"
#include "core/foundation/geometry.hpp"
#include "core/foundation/pending.hpp"
#include "core/picture/image.hpp"

namespace kestrove::desktop {

// Spins the event loop until `done` holds or `ms` have passed.
bool waitFor(const std::function<bool()>& done, int ms = 5000);

// Starts an asynchronous call whose answer comes through the main-thread
// executor (`start` takes the completion and gives the handle) and spins the
// event loop until the answer arrives; none after `ms`.
template <typename T, typename Start>
std::optional<T> await(Start start, int ms = 20000) {
    std::optional<T> answer;
    const Pending call = start([&answer](T value) { answer = std::move(value); });
    waitFor([&] { return answer.has_value(); }, ms);
    return answer;
}

// Runs a blocking call as the reader makes it, off the main thread, whose
// event loop meanwhile serves the objects the call asks; the test fails
// when the answer takes more than `ms`.
template <typename Call>
auto offMain(Call call, int ms = 5000) {
    auto answer = std::async(std::launch::async, call);
    EXPECT_TRUE(waitFor([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, ms));
    return answer.get();
}

// The user's leave to read windows through accessibility, as the
// application asks for it; given before the programs to read start, since
// toolkits and browsers join the accessibility bus only once it is on.
bool allowReadingWindows();

// Waits until the window list shows window `id` on screen at `client`, so a
// test does not race the window manager placing it.
bool waitUntilListedAt(WindowList& windows, std::uint32_t id, const Rect& client);
// Window `id` once the window list shows it on screen; none if it never does.
std::optional<WindowInfo> listedOnScreen(WindowList& windows, std::uint32_t id);

// The largest difference of any colour channel between two pictures of the
// same size; 256 when the sizes differ.
int maxChannelDifference(const Image& a, const Image& b);

class TestWindow {
public:
    explicit TestWindow(const QStringList& args = {});
    ~TestWindow();

    std::uint32_t id() const { return id_; }
    qint64 pid() const { return process_.processId(); }

    // Sends one command; the answer line before "ok", or "" when there is
    // none. A test fails when the window answers with an error.
    std::string command(const std::string& line);

    // The client area on screen as the window itself sees it.
    Rect where();
    // Its own rendering of a client area (not read from the screen).
    Image grab(int x, int y, int w, int h);
    std::uint32_t cover();
    // One more window of a kind the window program knows (see its comment).
    std::uint32_t extra(const std::string& kind, const Rect& at);
    // A plain text editor window at (x, y) holding testwindow::editorText,
    // or `rows` rows "Row <i> of the log".
    std::uint32_t editor(int x, int y, int rows = 0);
    void close();

private:
    std::string readLine();

    QProcess process_;
    std::uint32_t id_ = 0;
    std::string folder_;
};

}  // namespace kestrove::desktop
