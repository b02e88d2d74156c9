// The new-watch panel without a display: where it goes beside its box, how
// it follows its content's height, what Return does on each card, and every
// stage drawn in light and dark (build/snapshots/creation/<state>-<look>.png)
// with a check that nothing is cut off.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QShortcut>
#include <QTest>

#include <map>

#include "app/creation/card_parts.hpp"
#include "app/creation/cards.hpp"
#include "app/creation/input_stage.hpp"
#include "app/creation/key_panel.hpp"
#include "app/creation/panel_ink.hpp"
#include "app/creation/panel_placement.hpp"
#include "app/creation/panel_root.hpp"
#include "panel_states.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

using namespace panelstates;

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// What does not fit: a widget reaching past the panel, a wrapped text
// shorter than it needs, a panel shorter than its content.
std::vector<std::string> misfits(NewWatchPanel& panel) {
    std::vector<std::string> out;
    QWidget& window = panel.window();
    const int needed = panel.root().contentHeight();
    if (window.height() < needed)
        out.push_back("panel " + std::to_string(window.height()) + " < content " + std::to_string(needed));
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window)) continue;
        const QRect r(w->mapTo(&window, QPoint(0, 0)), w->size());
        const std::string name = w->metaObject()->className() + std::string(" ") +
                                 (qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text().left(30).toStdString() : "");
        if (!window.rect().contains(r)) out.push_back(name + " outside the panel");
        if (auto* label = qobject_cast<QLabel*>(w); label && label->wordWrap() && label->height() < label->heightForWidth(label->width()))
            out.push_back(name + " cut off");
    }
    return out;
}

TEST(NewWatchPanel, EveryStageDrawsInBothLooksAndFitsItsPanel) {
    offscreen::app();
    for (const State& state : all()) {
        for (bool dark : {false, true}) {
            SCOPED_TRACE(state.name + (dark ? "-dark" : "-light"));
            Harness h(state.serverReady);
            h.panel->window().setPalette(dark ? PanelInk::darkPalette() : PanelInk::lightPalette());
            state.reach(h);
            h.panel->show(false);
            settle();
            const std::string stage = state.name.substr(0, state.name.find('-'));
            const char* kinds[] = {"input", "confirm", "clarify", "judge"};
            EXPECT_EQ(kinds[int(h.model().stage().kind())], stage);
            EXPECT_EQ(h.panel->frame().height, h.panel->root().contentHeight());
            EXPECT_EQ(misfits(*h.panel), std::vector<std::string>{});
            const QImage picture = h.panel->render();
            EXPECT_EQ(picture.pixelColor(0, 0).alpha(), 0) << "the corners are cut";
            EXPECT_TRUE(offscreen::saveSnapshot(picture, "creation",
                                                QString::fromStdString(state.name + (dark ? "-dark" : "-light"))));
        }
    }
}

TEST(NewWatchPanel, PlacementBesideTheBox) {
    const Rect visible{0, 24, 1280, 776};  // a top bar of 24 points
    struct Case {
        const char* what;
        Rect box;
        bool above;
        Rect frame;  // for a content of 120.4 points
    };
    const Case cases[] = {
        {"room below", {300, 200, 200, 50}, false, {300, 260, 400, 121}},
        {"short below, room above", {300, 600, 200, 50}, true, {300, 469, 400, 121}},
        {"short both ways: below, pushed up", {300, 250, 200, 500}, false, {300, 671, 400, 121}},
        {"at the right edge", {1200, 200, 80, 50}, false, {872, 260, 400, 121}},
        {"at the left edge", {2, 200, 80, 50}, false, {8, 260, 400, 121}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool above = PanelPlacement::placeAbove(c.box, visible);
        EXPECT_EQ(above, c.above);
        EXPECT_EQ(PanelPlacement::frame(c.box, visible, above, 120.4), c.frame);
    }
    // A tall content above the box stops below the top bar.
    EXPECT_EQ(PanelPlacement::frame({300, 300, 200, 480}, visible, true, 300), (Rect{300, 32, 400, 300}));
    // A screen narrower than the panel: the right clamp wins.
    EXPECT_EQ(PanelPlacement::frame({10, 10, 50, 50}, {0, 0, 300, 800}, false, 100).x, 300 - 400 - 8);
}

TEST(NewWatchPanel, ItsHeightFollowsTheContentAndKeepsItsSide) {
    offscreen::app();
    Harness h(true, SelectedRegion::make(screen, {300, 560, 200, 40}));
    h.panel->show(false);
    settle();
    ASSERT_TRUE(h.panel->placesAbove());
    const Rect input = h.panel->frame();
    EXPECT_EQ(input.maxY(), 560 - PanelPlacement::gap);

    h.model().setReading(readingOf({"Price: 249.99 EUR"}));
    h.say("the price drops below 100");
    settle();
    const Rect card = h.panel->frame();
    EXPECT_GT(card.height, input.height + 40);
    EXPECT_EQ(card.height, h.panel->root().contentHeight());
    EXPECT_EQ(card.maxY(), 560 - PanelPlacement::gap) << "still above the box";

    EXPECT_FALSE(h.panel->layout(card.height)) << "an equal height changes no frame";
    EXPECT_FALSE(h.panel->layout(1));
    EXPECT_EQ(h.panel->frame(), card);
}

TEST(NewWatchPanel, ShowingTwiceMakesOnePanelWithOneSetOfKeysThatGoWithIt) {
    offscreen::app();
    Harness h;
    h.panel->show(true);
    h.panel->show(true);
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) shown += w->isVisible() && dynamic_cast<KeyPanel*>(w) != nullptr;
    EXPECT_EQ(shown, 1);
    const auto keys = h.panel->window().findChildren<QShortcut*>();
    EXPECT_EQ(keys.size(), 3);
    for (QShortcut* k : keys) EXPECT_TRUE(k->isEnabled());
    int cancels = 0;
    h.model().onCancel = [&] { ++cancels; };
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.panel->window()));
    QTest::keyClick(&h.panel->window(), Qt::Key_Escape);
    EXPECT_EQ(cancels, 1) << "Escape cancels";
    h.panel->close();
    EXPECT_FALSE(h.panel->isShown());
    for (QShortcut* k : keys) EXPECT_FALSE(k->isEnabled()) << "a closed panel takes no keys";
}

TEST(NewWatchPanel, ReturnRunsEachCardsDefaultButton) {
    offscreen::app();
    // The state, and what Return leads to: a started watch, a question to the
    // model, a stage of that kind, or nothing at all.
    const std::map<std::string, std::string> cases = {
        {"confirm-number", "started"},          {"judge-consent", "asked"},
        {"judge-unreachable", "confirm"},       {"clarify-which-number", "nothing"},
        {"judge-two-readings", "nothing"},      {"clarify-no-text", "confirm"},
        {"input-suggestions", "nothing"},
    };
    for (const State& state : all()) {
        if (!cases.count(state.name)) continue;
        SCOPED_TRACE(state.name);
        Harness h(state.serverReady);
        int started = 0;
        h.model().onStart = [&](const WatchSpec&) { ++started; };
        state.reach(h);
        settle();
        const NewWatchStage before = h.model().stage();
        const std::size_t asked = h.questions.size();
        h.panel->root().runDefault();
        while (h.encoder->runAll() + h.main.runPending() > 0) {  // the question's crop, made off the main thread
        }
        const std::string& effect = cases.at(state.name);
        EXPECT_EQ(started, effect == "started");
        EXPECT_EQ(h.questions.size() - asked, effect == "asked" ? 1u : 0u);
        EXPECT_EQ(h.model().stage().kind() == NewWatchStage::Kind::confirm, effect == "confirm" || effect == "started");
        EXPECT_EQ(h.model().stage() == before, effect == "nothing" || effect == "started");
    }
}

TEST(NewWatchPanel, AChipClickSubmitsItsSentenceAndTheStageMovesOn) {
    offscreen::app();
    Harness h;
    h.model().setReading(readingOf({"Price: 249.99 EUR"}));
    settle();
    auto* input = dynamic_cast<InputStage*>(h.panel->root().stageView());
    ASSERT_NE(input, nullptr);
    ASSERT_EQ(input->chips().size(), 2u);
    input->chips()[1]->click();  // its own stage goes while it is clicked
    settle();
    EXPECT_EQ(h.model().text(), "the price drops below 200");
    EXPECT_NE(dynamic_cast<ConfirmCard*>(h.panel->root().stageView()), nullptr);
}

TEST(NewWatchPanel, CropThumbnailSizes) {
    struct Case {
        QSizeF image;
        QSize frame;
    };
    const Case cases[] = {
        {{400, 40}, {96, 20}}, {{10, 300}, {28, 96}}, {{200, 100}, {96, 48}}, {{1, 1}, {96, 96}}, {{1, 50}, {28, 96}},
    };
    for (const Case& c : cases) EXPECT_EQ(CropThumbnail::frameSize(c.image, 96), c.frame) << c.image.width() << "x" << c.image.height();
}

}  // namespace
}  // namespace kestrove
