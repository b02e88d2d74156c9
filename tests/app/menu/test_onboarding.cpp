// The welcome window offscreen: its controller's edge cases on virtual time
// with a scripted session, the steps' faces, the badge, and every face drawn
// light and dark into <build>/snapshots/windows.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "app/menu/app_badge.hpp"
#include "app/menu/onboarding_controller.hpp"
#include "app/menu/onboarding_view.hpp"
#include "app/menu/panel_window.hpp"
#include "core/copy/copy_catalogue.hpp"
#include "support/app/appearance.hpp"
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
        offscreen::useAppearance(false);
        make();
    }
    void make() {
        controller = std::make_unique<OnboardingController>(
            OnboardingModel::Services{&session, &settings, [this] { ++relaunches; }}, clock, store);
    }
    OnboardingModel& model() { return controller->model(); }
    PermissionRow& row(int i) { return *controller->view()->row(i); }
    static std::string text(const QLabel* l) { return l->isVisibleTo(l->window()) ? l->text().toStdString() : ""; }
    static std::string text(const QPushButton* b) { return b->isVisibleTo(b->window()) ? b->text().toStdString() : ""; }
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

TEST_F(Onboarding, AResumedLaunchShowsTheRestartFace) {
    store->set(OnboardingModel::didOnboardKey, true);
    store->set(OnboardingModel::resumeKey, true);
    session.screenAnswer = ScreenAccess::noComposite;
    controller->show(true, false);
    main.runPending();
    EXPECT_TRUE(model().askedForScreen());
    EXPECT_EQ(text(row(0).button()), "Restart Kestrove");
    EXPECT_EQ(text(row(0).secondButton()), "Open Settings Again");
    row(0).button()->click();
    EXPECT_EQ(relaunches, 1);
    EXPECT_TRUE(store->boolean(OnboardingModel::resumeKey));
}

TEST_F(Onboarding, ClosingByAnyRoadFinishesOnboarding) {
    for (const char* road : {"close", "done"}) {
        store->set(OnboardingModel::resumeKey, true);
        store->removeObject(OnboardingModel::didOnboardKey);
        controller->show(true, false);
        ASSERT_TRUE(controller->refreshing()) << road;
        if (std::string(road) == "close") controller->window()->close();
        else controller->view()->doneButton()->click();
        EXPECT_FALSE(controller->window()->isVisible()) << road;
        EXPECT_TRUE(store->boolean(OnboardingModel::didOnboardKey)) << road;
        EXPECT_FALSE(store->object(OnboardingModel::resumeKey).has_value()) << road;
        EXPECT_FALSE(controller->refreshing()) << road;
        EXPECT_EQ(clock.timersWaiting(), 0u) << road;
    }
}

TEST_F(Onboarding, AnUnseenShowRefreshesNothingAndStartsNoTimer) {
    controller->show(false, false);
    main.runPending();
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_EQ(controller->window()->windowOpacity(), 0);
    EXPECT_EQ(session.looks, 0);
    EXPECT_EQ(clock.timersWaiting(), 0u);
}

TEST_F(Onboarding, OneRefreshTimerAtATimeTickingEveryOneAndAHalfSeconds) {
    controller->show(true, false);
    controller->show(true, false);
    EXPECT_EQ(clock.timersWaiting(), 1u);
    main.runPending();
    const int before = session.looks;
    clock.advance(1499ms);
    EXPECT_EQ(session.looks, before);
    clock.advance(1ms);
    EXPECT_EQ(session.looks, before + 1);
    clock.advance(3s);
    EXPECT_EQ(session.looks, before + 3);
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

    session.notificationAnswer = NotificationState::allowed;
    EXPECT_EQ(row(3).icon()->accessibleName(), "Step 4");
    row(3).button()->click();  // Allow Accessibility…
    EXPECT_EQ(session.enableAsks, 1);
    main.runPending();
    EXPECT_EQ(row(3).icon()->accessibleName(), "Step 4") << "shown by the next refresh, not at once";
    clock.advance(OnboardingController::refreshEvery);
    main.runPending();
    EXPECT_EQ(row(3).icon()->accessibleName(), "Done");
    EXPECT_EQ(row(1).icon()->accessibleName(), "Done");

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
        bool asked;
        std::string_view note;
        const char* button;
        const char* second;
    };
    const Case cases[] = {
        {"wayland", ScreenAccess::notX11, true, false, Copy::screenStepWayland, "Open Settings", ""},
        {"no composite", ScreenAccess::noComposite, true, false, Copy::screenStepNoComposite, "Open Settings", ""},
        {"no settings program", ScreenAccess::notX11, false, false, Copy::screenStepWayland, "Restart Kestrove", ""},
        {"asked", ScreenAccess::notX11, true, true, Copy::screenStepRestart, "Restart Kestrove", "Open Settings Again"},
        {"asked, no settings program", ScreenAccess::notX11, false, true, Copy::screenStepRestart, "Restart Kestrove", ""},
    };
    for (const auto& c : cases) {
        make();
        store->removeObject(OnboardingModel::resumeKey);
        session.screenAnswer = c.access;
        settings.installed = c.hasSettings;
        controller->show(true, false);
        model().setAskedForScreen(c.asked);
        main.runPending();
        EXPECT_EQ(text(row(0).noteLabel()), c.note) << c.name;
        EXPECT_EQ(text(row(0).button()), c.button) << c.name;
        EXPECT_EQ(text(row(0).secondButton()), c.second) << c.name;
    }
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
    EXPECT_DOUBLE_EQ(badge.cornerRadius(), 9);
    EXPECT_DOUBLE_EQ(badge.borderWidth(), 0.5);
    badge.resize(192, 192);
    EXPECT_DOUBLE_EQ(badge.borderWidth(), 2);
}

TEST_F(Onboarding, EveryFaceDrawnLightAndDark) {
    struct Face {
        const char* name;
        std::function<void()> prepare;
    };
    const Face faces[] = {
        {"fresh_wayland",
         [&] {
             session.screenAnswer = ScreenAccess::notX11;
             session.notificationAnswer = NotificationState::unknown;
         }},
        {"asked_for_screen",
         [&] {
             session.screenAnswer = ScreenAccess::notX11;
             store->set(OnboardingModel::resumeKey, true);
         }},
        {"refused", [&] { controller->model().markCaptureRefused(); }},
        {"notifications_denied", [&] { session.notificationAnswer = NotificationState::denied; }},
        {"all_done",
         [&] {
             session.accessibilityOn = true;
             controller->model().setTelegramConnected(true);
         }},
    };
    for (const auto& a : offscreen::appearances) {
        offscreen::useAppearance(a.dark);
        for (const auto& face : faces) {
            session = fakes::FakeSessionPermissions(main.executor());
            store = std::make_shared<MemoryDefaults>();
            make();
            face.prepare();
            controller->show(false, false);
            controller->model().refresh();
            main.runPending();
            const QImage shot = controller->window()->grab().toImage();
            EXPECT_EQ(shot.width(), 480);
            EXPECT_GT(shot.height(), 400);
            offscreen::saveSnapshot(shot, QStringLiteral("windows"),
                                    QStringLiteral("onboarding_%1_%2").arg(face.name, a.name));
        }
    }
    offscreen::useAppearance(false);
}

}  // namespace
}  // namespace kestrove
