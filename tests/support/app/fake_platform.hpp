#pragma once
// The whole platform made of fakes, answering through a manual main thread:
//
//   fakes::FakePlatform fake;
//   fake.capturer.captures.hold = true;
//   auto call = fake.platform.capturer->capture("w_1", region, done);
//   fake.capturer.captures.release();
//   fake.main.runPending();  // the answer arrives here, never before

#include <memory>

#include "app/platform/platform.hpp"
#include "support/app/fake_direct_reader.hpp"
#include "support/app/fake_keep_awake.hpp"
#include "support/app/fake_notifier.hpp"
#include "support/app/fake_screen_state.hpp"
#include "support/app/fakes.hpp"
#include "support/manual_executor.hpp"

namespace kestrove::fakes {

class FakePlatform {
public:
    // `cloud`: the session of a CloudHarness when a test talks to a server;
    // otherwise one that is never asked anything.
    explicit FakePlatform(std::shared_ptr<CloudSession> cloud = CloudSession::make())
        : platform(make(main.executor(), std::move(cloud))),
          screens(static_cast<FakeScreens&>(*platform.screens)),
          windows(static_cast<FakeAsyncWindowList&>(*platform.windows)),
          capturer(static_cast<FakeScreenCapturer&>(*platform.capturer)),
          recognizer(static_cast<FakeTextRecognizer&>(*platform.recognizer)),
          direct(static_cast<FakeDirectReader&>(*platform.direct)),
          notifier(static_cast<FakeNotifier&>(*platform.notifier)),
          screenState(static_cast<FakeScreenState&>(*platform.screenState)),
          keepAwake(static_cast<FakeKeepAwake&>(*platform.keepAwake)) {}

    testing::ManualExecutor main;
    Platform platform;
    FakeScreens& screens;
    FakeAsyncWindowList& windows;
    FakeScreenCapturer& capturer;
    FakeTextRecognizer& recognizer;
    FakeDirectReader& direct;
    FakeNotifier& notifier;
    FakeScreenState& screenState;
    FakeKeepAwake& keepAwake;

private:
    static Platform make(Executor main, std::shared_ptr<CloudSession> cloud) {
        Platform p;
        p.mainThread = main;
        p.screens = std::make_unique<FakeScreens>();
        p.windows = std::make_unique<FakeAsyncWindowList>(main, *p.screens);
        p.capturer = std::make_unique<FakeScreenCapturer>(main);
        p.recognizer = std::make_unique<FakeTextRecognizer>(main);
        p.direct = std::make_unique<FakeDirectReader>(main);
        p.notifier = std::make_unique<FakeNotifier>(main);
        p.screenState = std::make_unique<FakeScreenState>();
        p.keepAwake = std::make_unique<FakeKeepAwake>();
        p.cloud = std::move(cloud);
        return p;
    }
};

}  // namespace kestrove::fakes
