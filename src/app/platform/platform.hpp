#pragma once
// Every platform service the application uses, made in one place: the real
// Linux platform by makeLinuxPlatform, which only the shell calls, a fake one
// in the tests. Nothing below the shell picks an implementation.
//
// Asynchronous services answer through `mainThread`, never inside the call,
// and only while the call's handle is held. Members end in reverse order:
// the workers stop (and join) before the screens they read go. The platform
// ends before the application object, and every thread it started ends with
// it: the server session's worker too, though others may still hold the
// session.

#include <memory>

#include <QObject>

#include "app/platform/direct_reader.hpp"
#include "app/platform/keep_awake.hpp"
#include "app/platform/notifier.hpp"
#include "app/platform/own_windows.hpp"
#include "app/platform/screen_capturer.hpp"
#include "app/platform/screen_space.hpp"
#include "app/platform/screen_state.hpp"
#include "app/platform/text_recognizer.hpp"
#include "app/platform/window_list.hpp"
#include "core/cloud/cloud_session.hpp"
#include "core/foundation/executor.hpp"

namespace kestrove {

struct Platform {
    Platform() = default;
    Platform(Platform&&) = default;
    Platform& operator=(Platform&&) = default;
    ~Platform() {
        if (cloud) cloud->stop();
    }

    Executor mainThread;
    // Every window we show: the capturer leaves them out of display pictures.
    std::shared_ptr<OwnWindows> ownWindows = std::make_shared<OwnWindows>();
    std::unique_ptr<QObject> ownWindowsWatcher;   // tells it of every window Qt shows
    std::unique_ptr<Screens> screens;             // synchronous: cheap on the main thread
    std::unique_ptr<AsyncWindowList> windows;
    std::unique_ptr<ScreenCapturer> capturer;     // also whether the screen may be read
    std::unique_ptr<TextRecognizer> recognizer;
    std::unique_ptr<DirectReader> direct;         // also whether the accessibility bus answers
    std::unique_ptr<Notifier> notifier;
    std::unique_ptr<ScreenState> screenState;     // notices to one listener, on the main thread
    std::unique_ptr<KeepAwake> keepAwake;
    std::shared_ptr<CloudSession> cloud;          // the server session; shared with calls in flight
};

}  // namespace kestrove
