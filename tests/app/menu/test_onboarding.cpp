// The welcome window offscreen: its controller's edge cases on virtual time
// with a scripted session, the steps' faces and the badge.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "app/menu/app_badge.hpp"
#include "app/menu/onboarding_controller.hpp"
#include "app/menu/onboarding_view.hpp"
#include "app/menu/panel_window.hpp"
#include "core/copy/copy_catalogue.hpp"
#include "support/app/fake_session.hpp"
#include "support/app/offscreen_app.hpp"
#include "support/app/virtual_clock.hpp"
#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;

struct Onboarding : ::testing::Test {
    testing::ManualExecutor main;
    fakes::VirtualClock clock;
    fakes::FakeSessionPermissions session{main.executor()};
    fakes::FakeDesktopSettings settings;
    int relaunches = 0;
    std::shared_ptr<MemoryDefaults> store = std::make_shared<MemoryDefaults>();
    std::unique_ptr<OnboardingController> controller;

    void SetUp() override {
        offscreen::app();
        make();
    }
    void make() {
        controller = std::make_unique<OnboardingController>(
            OnboardingModel::Services{&session, &settings, [this] { ++relaunches; }}, clock, store);
    }
    OnboardingModel& model() { return controller->model(); }
    PermissionRow& row(int i) { return *controller->view()->row(i); }
    // What a label or button says, empty while hidden.
    template <class W>
    static std::string text(const W* w) { return w->isVisibleTo(w->window()) ? w->text().toStdString() : ""; }
};

TEST_F(Onboarding, ARefusedCaptureKeepsTheScreenStepOpenWhateverTheSessionSays) {
    controller->show(true, true);
    main.runPending();
    EXPECT_TRUE(model().captureRefused());
    EXPECT_TRUE(model().askedForScreen());
    EXPECT_FALSE(model().screenGranted());
    EXPECT_TRUE(store->boolean(OnboardingModel::resumeKey));
    // The session reports the screen readable on every later look.
    for (int i = 0; i < 3; ++i) {
        clock.advance(OnboardingController::refreshEvery);
        main.runPending();
    }
    EXPECT_GE(session.looks, 4);
    EXPECT_FALSE(model().screenGranted());
    EXPECT_EQ(text(row(0).noteLabel()), std::string(Copy::screenStepRefused));
}

TEST_F(Onboarding, StepsTickThemselvesOffAsTheSessionAllows) {
    session.notificationAnswer = NotificationState::denied;
    controller->show(true, false);
    main.runPending();
    EXPECT_TRUE(row(0).icon()->accessibleName() == "Done");
    EXPECT_EQ(text(row(0).doneLabel()), "Allowed");
    EXPECT_EQ(text(row(0).button()), "");
    EXPECT_EQ(text(row(1).noteLabel()), std::string(Copy::notifyStepDenied));
    EXPECT_EQ(text(row(1).button()), "Open Notification Settings");
    row(1).button()->click();
    EXPECT_EQ(settings.opened, std::vector<SettingsPage>{SettingsPage::notifications});

    // (The accessibility step, on the real bus, is the desktop test's.)
    // The chat step follows the link's flag on each refresh.
    bool linked = false;
    model().isTelegramConnected = [&] { return linked; };
    int asked = 0;
    model().onConnectTelegram = [&] { ++asked; };
    row(2).button()->click();
    EXPECT_EQ(asked, 1);
    linked = true;
    clock.advance(OnboardingController::refreshEvery);
    EXPECT_EQ(text(row(2).doneLabel()), "Connected");
}

TEST_F(Onboarding, TheScreenStepSaysWhatTheSessionLacks) {
    struct Case {
        const char* name;
        ScreenAccess access;
        bool hasSettings;
        bool resumed;  // launched again after the user went to the settings
        std::string_view note;
        const char* button;
        const char* second;
    };
    const Case cases[] = {
        {"resumed", ScreenAccess::noComposite, true, true, Copy::screenStepRestart, "Restart Kestrove",
         "Open Settings Again"},
        {"resumed, no settings program", ScreenAccess::notX11, false, true, Copy::screenStepRestart,
         "Restart Kestrove", ""},
        {"no settings program", ScreenAccess::notX11, false, false, Copy::screenStepWayland, "Restart Kestrove", ""},
        {"wayland", ScreenAccess::notX11, true, false, Copy::screenStepWayland, "Open Settings", ""},
        {"no composite", ScreenAccess::noComposite, true, false, Copy::screenStepNoComposite, "Open Settings", ""},
    };
    for (const auto& c : cases) {
        make();
        store->set(OnboardingModel::resumeKey, c.resumed);
        session.screenAnswer = c.access;
        settings.installed = c.hasSettings;
        controller->show(true, false);
        main.runPending();
        EXPECT_EQ(model().askedForScreen(), c.resumed) << c.name;
        EXPECT_EQ(text(row(0).noteLabel()), c.note) << c.name;
        EXPECT_EQ(text(row(0).button()), c.button) << c.name;
        EXPECT_EQ(text(row(0).secondButton()), c.second) << c.name;
        if (std::string(c.button) == "Restart Kestrove") {
            row(0).button()->click();
            EXPECT_TRUE(store->boolean(OnboardingModel::resumeKey)) << "asked again after the restart";
        }
    }
    EXPECT_EQ(relaunches, 3);
    // Open Settings sends the user off and turns the step to its restart face.
    make();
    settings.installed = true;
    settings.opened.clear();
    controller->show(true, false);
    main.runPending();
    row(0).button()->click();
    EXPECT_EQ(settings.opened, std::vector<SettingsPage>{SettingsPage::screen});
    EXPECT_TRUE(store->boolean(OnboardingModel::resumeKey));
    EXPECT_EQ(text(row(0).button()), "Restart Kestrove");
}

TEST(AppBadge, DrawsSquareAtTheSmallerSide) {
    offscreen::app();
    AppBadge badge;
    badge.resize(56, 40);
    EXPECT_EQ(badge.square(), QRectF(8, 0, 40, 40));
}

}  // namespace
}  // namespace kestrove
