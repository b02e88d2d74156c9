#include "app/dev/panel_check_welcome.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dev/dev_panel.hpp"
#include "app/dev/dev_wait.hpp"
#include "app/dev/stated_permissions.hpp"
#include "app/engine/qt_clock.hpp"
#include "app/menu/onboarding_controller.hpp"
#include "app/menu/onboarding_view.hpp"
#include "app/menu/panel_window.hpp"

namespace kestrove::PanelCheckWelcome {

namespace {

// What the window should show; each state changes some of it.
struct Flags {
    bool screen = false;
    bool asked = false;
    bool refused = false;
    NotificationState notifications = NotificationState::unknown;
    bool telegram = false;
    bool accessibility = false;
};

struct State {
    const char* name;
    std::function<void(Flags&)> change;
};

const std::vector<State>& states() {
    static const std::vector<State> list = {
        {"fresh",
         [](Flags& f) {
             f.asked = f.screen = f.telegram = f.accessibility = false;
             f.notifications = NotificationState::unknown;
         }},
        {"reading directly allowed", [](Flags& f) { f.accessibility = true; }},
        {"reading directly not allowed", [](Flags& f) { f.accessibility = false; }},
        {"waiting for the restart", [](Flags& f) { f.asked = true; }},
        {"a capture was refused", [](Flags& f) { f.refused = true; }},
        {"back to waiting", [](Flags& f) { f.refused = false; }},
        {"notifications off", [](Flags& f) { f.notifications = NotificationState::denied; }},
        {"all done",
         [](Flags& f) {
             f.screen = f.telegram = f.accessibility = true;
             f.notifications = NotificationState::allowed;
         }},
    };
    return list;
}

}  // namespace

int run(std::ostream& out, std::chrono::milliseconds settle) {
    StatedPermissions permissions;
    QtClock clock;
    auto make = [&] {
        auto c = std::make_unique<OnboardingController>(OnboardingModel::Services{&permissions, &permissions, [] {}},
                                                        clock, nullptr);
        c->show(false, false);
        return c;
    };
    std::unique_ptr<OnboardingController> controller = make();
    Flags flags;
    int failures = 0;
    for (const State& state : states()) {
        const bool wasRefused = flags.refused;
        state.change(flags);
        // A refusal lasts the life of the welcome model, as it does in the
        // app: clearing it takes a new one.
        if (wasRefused && !flags.refused) controller = make();
        permissions.screenAccess = flags.screen ? ScreenAccess::allowed : ScreenAccess::notX11;
        permissions.notificationState = flags.notifications;
        permissions.accessibilityOn = flags.accessibility;
        OnboardingModel& model = controller->model();
        model.refresh();
        model.setAskedForScreen(flags.asked);
        model.setTelegramConnected(flags.telegram);
        if (flags.refused && !model.captureRefused()) model.markCaptureRefused();
        DevWait::settle(settle);

        PanelWindow* window = controller->window();
        if (!window || !window->content()) continue;
        const int have = window->content()->height();
        const int needed = window->fittingHeight(OnboardingView::width);
        const bool fit = DevPanel::fits(have, needed);
        failures += fit ? 0 : 1;
        out << (fit ? "ok  " : "FAIL") << " welcome · " << state.name << ": window content " << have << " pt, needs "
            << needed << " pt\n"
            << std::flush;
    }
    if (controller->window()) controller->window()->hide();
    return failures;
}

}  // namespace kestrove::PanelCheckWelcome
