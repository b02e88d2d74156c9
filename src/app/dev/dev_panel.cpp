#include "app/dev/dev_panel.hpp"

#include <QApplication>
#include <QImage>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "app/creation/key_panel.hpp"
#include "app/look/panel_fit.hpp"
#include "app/creation/new_watch_panel.hpp"
#include "app/creation/panel_root.hpp"
#include "app/dev/dev_files.hpp"
#include "app/dev/dev_look.hpp"
#include "app/dev/dev_wait.hpp"
#include "app/dev/offline_dialogue.hpp"
#include "app/dev/panel_check_menu.hpp"
#include "app/dev/panel_check_welcome.hpp"
#include "app/dev/sample.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "core/cloud/cloud_settings.hpp"
#include "core/foundation/defaults_store.hpp"
#include "core/rules/local_compiler.hpp"

namespace kestrove::DevPanel {

namespace {

using Act = std::function<void(NewWatchModel&)>;
struct Step {
    std::string name;
    Act act;
};

using OfflineDialogue::AnswerSlot;

Act typed(std::string sentence, bool submit = true) {
    return [sentence, submit](NewWatchModel& m) {
        m.setText(sentence);
        if (submit) m.submit();
    };
}

Act read(const Sample& sample) {
    return [reading = sample.reading](NewWatchModel& m) { m.setReading(reading); };
}

Act readDirectly(const Sample& sample, bool onScreenOnly) {
    return [lines = sample.reading.lines, onScreenOnly](NewWatchModel& m) {
        m.directOffer = DirectOffer{lines, onScreenOnly};
        m.setReading(BaselineReading(lines));
    };
}

// The upload sentence as the model would judge it, and its any-change fallback.
std::pair<WatchSpec, WatchSpec> uploadSpecs(NewWatchModel& m, const Sample& sample) {
    m.setText("the upload has finished");
    return OfflineDialogue::judged(m, sample.reading);
}

struct Scenario {
    std::string name;
    Sample sample;
    std::vector<Step> steps;
};

std::vector<Scenario> scenarios(const AnswerSlot& answer) {
    const Sample exporting = Sample::exporting(false);
    const Sample price = Sample::price(false);
    Sample bound = price;
    bound.region.window = WindowAnchor{1, "Firefox", std::nullopt, 40, 60, 900, 600};
    const Sample spinner = Sample::spinner(false);
    const Sample blank = Sample::blank(false);
    const std::string priceSentence = "the price drops below 200";

    auto usedUp = [answer, spinner](std::optional<Date> back) {
        return [answer, spinner, back](NewWatchModel& m) {
            auto [spec, fallback] = uploadSpecs(m, spinner);
            *answer = WatchSetup::Answer{WatchSetup::Answer::UsedUp{back}};
            m.askTheModel(spec, fallback);
        };
    };
    return {
        {"export", exporting,
         {{"read", read(exporting)},
          {"typing", typed("the export", false)},
          {"too vague", typed("hm")},
          {"judge", typed("the export is done")}}},
        {"price", price,
         {{"read", read(price)}, {"confirm", typed(priceSentence)}, {"back to input", [](NewWatchModel& m) {
              m.backToInput();
          }}}},
        {"bound", bound, {{"read", read(bound)}, {"confirm", typed(priceSentence)}}},
        {"direct", bound, {{"read", readDirectly(bound, false)}, {"confirm", typed(priceSentence)}}},
        {"direct, Chromium", bound, {{"read", readDirectly(bound, true)}, {"confirm", typed(priceSentence)}}},
        {"model", spinner,
         {{"read", read(spinner)},
          {"consent",
           [spinner](NewWatchModel& m) {
               auto [spec, fallback] = uploadSpecs(m, spinner);
               m.apply(WatchSetup::Step{WatchSetup::Step::Consent{spec, fallback}});
           }},
          {"checks used up", usedUp(std::chrono::system_clock::now() + std::chrono::hours(1))},
          {"checks used up, no time", usedUp(std::nullopt)}}},
        {"blank", blank, {{"read", read(blank)}, {"clarify", typed("it says done")}}},
    };
}

std::string whole(double v) { return std::to_string(static_cast<long long>(std::trunc(v))); }

}  // namespace

bool fits(double have, double needed) { return std::abs(have - needed) <= 1; }

std::string panelPicture(const std::string& scenario, const std::string& step) {
    std::string s = step;
    std::replace(s.begin(), s.end(), ' ', '-');
    return "panel-" + scenario + "-" + s + ".png";
}

std::string menuPicture(const std::string& state) {
    std::string s;
    for (char c : state)
        if (c != ',') s += c == ' ' ? '-' : c;
    return "menu-" + s + ".png";
}

std::string summary(int failures) {
    if (failures == 0) return "every window follows its content in every state";
    return std::to_string(failures) + " states where a window does not fit its content";
}

int run(const std::filesystem::path& folder, const Screens& shown, std::ostream& out,
        std::chrono::milliseconds settle) {
    DevFiles::OutputFolder output(folder);
    if (!output.prepare()) return DevFiles::cannotWrite;
    DevLook::useAppearance(false);
    const auto screens = shown.screens();
    if (screens.empty()) {
        out << "no screen\n" << std::flush;
        return 1;
    }
    const ScreenInfo& screen = screens.front();
    // No server address: a sentence that needs the model gets the
    // not-set-up card and nothing reaches the network.
    const auto answer = OfflineDialogue::unreachable();
    int failures = 0;
    auto verdict = [&](double have, double needed) {
        if (fits(have, needed)) return "ok  ";
        ++failures;
        return "FAIL";
    };

    for (Scenario& scenario : scenarios(answer)) {
        const Rect& visible = screen.visibleFrame;
        SelectedRegion selection = SelectedRegion::make(
            screen, {visible.x + visible.width / 2 - 150, visible.y + visible.height / 2, 300, 120});
        selection.region = scenario.sample.region;
        NewWatchPanel panel(selection, scenario.sample.image(), OfflineDialogue::services(false, answer));
        panel.window().setWindowOpacity(0);
        panel.layout(60);
        panel.show(false);
        std::vector<Step> steps{{"opened", [](NewWatchModel&) {}}};
        steps.insert(steps.end(), scenario.steps.begin(), scenario.steps.end());
        for (const Step& step : steps) {
            step.act(panel.model());
            DevWait::settle(settle);
            // A view of its own over the model, measured as the panel measures.
            PanelRoot fresh(panel.model(), scenario.sample.picture);
            const int needed = panelContentHeight(fresh, PanelRoot::width);
            const int have = panel.window().height();
            out << verdict(have, needed) << " " << scenario.name << " · " << step.name << ": panel " << whole(have)
                << " pt, content needs " << needed << " pt\n"
                << std::flush;
            if (!output.failure()) output.writePicture(panelPicture(scenario.name, step.name), panel.render());
        }
        panel.close();
    }

    failures += PanelCheckMenu::run(output, out, settle);
    failures += PanelCheckWelcome::run(out, settle);
    out << summary(failures) << "\n" << std::flush;
    return output.exitCode(failures > 0 ? 1 : 0);
}

}  // namespace kestrove::DevPanel
