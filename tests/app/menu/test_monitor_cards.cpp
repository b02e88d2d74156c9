// The monitor cards offscreen, large and small, in each state, light and
// dark; the pictures are left in <build>/snapshots/menu/monitors.
#include <gtest/gtest.h>

#include <QEvent>
#include <QTest>

#include "app/look/brand.hpp"
#include "app/menu/monitor_cards.hpp"
#include "app/menu/monitor_face.hpp"
#include "menu_samples.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

using namespace menu_samples;

const std::pair<WatchStatus, const char*> statuses[] = {{WatchStatus::watching, "watching"},
                                                        {WatchStatus::lostSight, "lost"},
                                                        {WatchStatus::paused, "paused"},
                                                        {WatchStatus::finished, "finished"}};

// A card of either size for one row, in a palette, drawn.
struct Card {
    MenuModel model;
    std::unique_ptr<MonitorCard> card;
    QImage image;

    Card(bool small, MenuModel::Monitor m, bool withPicture, bool dark) {
        QCursor::setPos(-1000, -1000);
        if (withPicture)
            model.setMonitors({m}, {{m.id, picture(640, 240)}});
        else
            model.setMonitors({m});
        if (small)
            card = std::make_unique<SmallMonitor>(model);
        else
            card = std::make_unique<LargeMonitor>(model);
        card->setPalette(palette(dark));
        refresh();
    }
    void refresh() {
        const auto& m = model.monitors().front();
        const auto it = model.pictures().find(m.id);
        card->show(m, it == model.pictures().end() ? QImage() : it->second,
                   MenuLayout::feedSize(model.pictureSize(m), dynamic_cast<SmallMonitor*>(card.get())));
        image = card->grab().toImage();
    }
    QRgb at(QPointF p) const { return image.pixel(p.toPoint()); }
    QRectF tag() const {
        auto* small = dynamic_cast<SmallMonitor*>(card.get());
        return small ? small->tagRect() : static_cast<LargeMonitor*>(card.get())->tagRect();
    }
};

QColor face(bool dark) { return dark ? QColor(12, 12, 13) : QColor(22, 22, 22); }

struct MonitorCards : ::testing::Test {
    void SetUp() override { offscreen::app(); }
};

TEST_F(MonitorCards, EachStateInBothSizesAndSchemes) {
    for (const auto& scheme : offscreen::appearances) {
        for (bool small : {false, true}) {
            for (const auto& [status, name] : statuses) {
                const QString shot = QString("%1-%2-%3").arg(small ? "small" : "large", name, scheme.name);
                SCOPED_TRACE(shot.toStdString());
                auto m = monitor("a", status, "the total drops below 200");
                m.read = "189.00";
                Card c(small, m, status != WatchStatus::lostSight, scheme.dark);
                offscreen::saveSnapshot(c.image, "menu/monitors", shot);
                const QRectF feed = c.card->feedRect();
                const QColor dim = face(scheme.dark), ground(235, 238, 242);
                EXPECT_TRUE(near(c.at({c.image.width() / 2.0, c.image.height() - 3.0}), dim, 2)) << "the dark face";
                // The ring's first band, just outside the picture's left edge.
                const bool lost = status == WatchStatus::lostSight, paused = status == WatchStatus::paused;
                const QColor ring = lost     ? Brand::mutedLine()
                                    : paused ? blend(dim, Brand::signal(), 0.38)
                                             : Brand::signal();
                EXPECT_TRUE(near(c.at({feed.left() - 1.5, feed.center().y()}), ring, 4));
                // The picture at half strength while paused; out of sight, the empty placeholder.
                const QColor inside = lost     ? blend(dim, Qt::white, 0.08 * 0.5)
                                      : paused ? blend(dim, ground, 0.5)
                                               : ground;
                EXPECT_TRUE(near(c.at(feed.topLeft() + QPointF(6, 6)), inside, lost ? 2 : 4));
                if (lost) {
                    EXPECT_EQ(feed.size(), small ? QSizeF(144, 40) : QSizeF(320, 64)) << "the placeholder";
                    EXPECT_TRUE(near(c.at(c.tag().topLeft() + QPointF(3, 10)), Brand::muted(), 3)) << "a muted tag";
                }
                // Every row has a value read; only a finished card shows it.
                ASSERT_EQ(c.card->readChip() != nullptr, status == WatchStatus::finished);
                if (const auto* chip = c.card->readChip()) {
                    EXPECT_EQ(chip->accessibleName(), "Read 189.00");
                    EXPECT_EQ(chip->height(), small ? 19 : 20);
                }
            }
        }
    }
}

TEST_F(MonitorCards, TagsAndChips) {
    for (bool small : {false, true})
        EXPECT_EQ(Card(small, monitor("b", WatchStatus::finished, "x"), true, false).card->readChip(), nullptr)
            << "finished without a value: no chip";
    // The large card's tag says the whole line; the small one the short tag, with the line as its tooltip.
    auto m = monitor("a", WatchStatus::watching, "the build is green");
    Card large(false, m, true, false), small(true, m, true, false);
    EXPECT_EQ(large.tag().width(), MonitorFace::tagWidth(QString::fromStdString(m.line), 1000));
    EXPECT_EQ(small.tag().width(), MonitorFace::tagWidth(QString::fromStdString(m.tag), 1000));
    EXPECT_EQ(small.card->toolTip(), QString::fromStdString(m.line));
    EXPECT_EQ(large.card->accessibleName(), "the build is green, watching · every 5 s");
}

TEST_F(MonitorCards, ActionsPerStateReachTheModelWithTheWatchId) {
    struct Case {
        WatchStatus status;
        const char* first;
        const char* second;
        const char* call;
    } const cases[] = {{WatchStatus::watching, "Pause", "Stop Watching", "pause:id7"},
                       // Out of sight, it can still be paused.
                       {WatchStatus::lostSight, "Pause", "Stop Watching", "pause:id7"},
                       {WatchStatus::paused, "Resume", "Stop Watching", "resume:id7"},
                       {WatchStatus::finished, "Watch Again", "Remove", "again:id7"}};
    for (const Case& c : cases) {
        Card card(false, monitor("id7", c.status, "x"), true, false);
        EXPECT_EQ(card.card->first()->toolTip(), c.first);
        EXPECT_EQ(card.card->second()->accessibleName(), c.second);
        QTest::mouseClick(card.card->first(), Qt::LeftButton, {}, QPoint(12, 12));  // no callback set: nothing
        std::vector<std::string> calls;
        auto note = [&](const char* what) { return [&calls, what](const std::string& id) { calls.push_back(what + id); }; };
        card.model.onPause = note("pause:");
        card.model.onResume = note("resume:");
        card.model.onRemove = note("remove:");
        card.model.onWatchAgain = note("again:");
        QTest::mouseClick(card.card->first(), Qt::LeftButton, {}, QPoint(12, 12));
        QTest::mouseClick(card.card->second(), Qt::LeftButton, {}, QPoint(12, 12));
        QTest::mouseClick(card.card->second(), Qt::LeftButton, {}, QPoint(1, 1));  // outside the circle
        EXPECT_EQ(calls, (std::vector<std::string>{c.call, "remove:id7"})) << c.first;
    }
}

TEST_F(MonitorCards, SmallCardsShowTheirButtonsOnlyWhenAsked) {
    Card small(true, monitor("a", WatchStatus::watching, "x"), true, true);
    auto& card = static_cast<SmallMonitor&>(*small.card);
    EXPECT_TRUE(card.first()->veiled() && card.second()->veiled());
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(&card, &enter);
    EXPECT_FALSE(card.first()->veiled());
    QApplication::sendEvent(&card, &leave);
    EXPECT_TRUE(card.first()->veiled());
    small.model.setRevealed("a");
    small.refresh();
    EXPECT_FALSE(card.second()->veiled()) << "revealed by the model";
    small.model.setRevealed(std::nullopt);
    small.refresh();
    EXPECT_TRUE(card.second()->veiled());
    card.QWidget::show();
    card.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&card));
    card.second()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(card.second()->hasFocus());
    QApplication::processEvents();
    EXPECT_FALSE(card.first()->veiled()) << "a button with the keyboard shows both";
    Card large(false, monitor("a", WatchStatus::watching, "x"), true, true);
    EXPECT_FALSE(large.card->first()->veiled()) << "large cards always show them";
}

TEST_F(MonitorCards, ALongSentenceIsCutInsideTheCard) {
    const std::string longText(40, 'W');
    for (bool small : {false, true}) {
        Card c(small, monitor("a", WatchStatus::watching, longText + " " + longText + " " + longText), true, false);
        offscreen::saveSnapshot(c.image, "menu/monitors", small ? "small-long" : "large-long");
        const double top = small ? 98 : c.card->feedRect().bottom();
        const double bottom = small ? 148 : c.card->height();
        // Nothing drawn in the right inset of the caption.
        for (double y = top + 2; y < bottom - 8; y += 1)
            for (double x = c.image.width() - 11; x < c.image.width() - 4; x += 1)
                ASSERT_TRUE(near(c.at({x, y}), face(false), 2)) << x << "," << y << (small ? " small" : " large");
    }
}

}  // namespace
}  // namespace kestrove
