// The snapshot renderer on the offscreen platform: every surface in both
// appearances, each a picture that decodes, the status item at its size,
// dark drawn darker than light; and each picture as the real window shows:
// panels at the height the shown panel takes, nothing of the monitors
// scrolled out of the wall drawn over what lies under it, window chrome as
// a Linux window manager draws it, and the selection overlay.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <sstream>

#include "app/creation/key_panel.hpp"
#include "app/creation/new_watch_panel.hpp"
#include "app/dev/dev_look.hpp"
#include "app/dev/dev_wait.hpp"
#include "app/dev/menu_samples.hpp"
#include "app/dev/offline_dialogue.hpp"
#include "app/dev/sample.hpp"
#include "app/dev/snapshot_chrome.hpp"
#include "app/dev/snapshots.hpp"
#include "app/menu/menu_wall.hpp"
#include "app/menu/wall_parts.hpp"
#include "menu/menu_samples.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;

double meanGrey(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) sum += qGray(image.pixel(x, y));
    return sum / ((image.height() + 1) / 2) / ((image.width() + 1) / 2);
}

// The new-watch panel as the road shows it, once it has followed its content.
int shownPanelHeight(const Sample& sample, const std::string& text) {
    const ScreenInfo screen{"sample", 1, {0, 0, 1920, 1080}, {0, 0, 1920, 1080}, 2};
    const WatchRegion& r = sample.region;
    auto answer = OfflineDialogue::unreachable();
    NewWatchPanel panel({screen, {r.x, r.y, r.w, r.h}, r}, sample.image(), OfflineDialogue::services(false, answer));
    panel.model().setReading(sample.reading);
    panel.model().setText(text);
    panel.show(false);
    DevWait::settle(100ms);
    return panel.window().height();
}

// Rows of the menu picture from the New Watch tile's top down, as the menu
// in `state` places its tile (the picture has 14 points above the panel).
int rowsFromTile(MenuSamples::State state) {
    MenuModel model;
    MenuSamples::fill(model, state, true, false);
    const menu_samples::Shown shown = menu_samples::show(model, false);
    const int tileTop = shown.view->wall()->tile()->mapTo(shown.window.get(), QPoint(0, 0)).y();
    return shown.window->height() - tileTop + 44;
}

// Bright, strongly coloured pixels in `area`: window buttons of another system's look.
int colourful(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.hsvSaturationF() > 0.4f && c.valueF() > 0.4f;
        }
    return n;
}

TEST(Snapshots, EverySurfaceLightAndDark) {
    offscreen::app();
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("a/b"));
    std::ostringstream out;
    EXPECT_EQ(Snapshots::render(folder.toStdString(), out, std::chrono::milliseconds(10)), 0);
    // 53 surfaces of the new-watch panel, frame, welcome, menu, chat windows and the
    // selection overlay, and the status item.
    const QStringList files = QDir(folder).entryList(QDir::Files);
    EXPECT_EQ(files.size(), 2 * 54);
    EXPECT_EQ(out.str(),
              "Kestrove: wrote " + std::to_string(files.size()) + " snapshots to " + folder.toStdString() + "\n");

    auto load = [&](const QString& name) { return QImage(folder + "/" + name + ".png"); };
    for (const QString& file : files.filter(QStringLiteral("-light.png"))) {
        const QString name = file.chopped(10);
        SCOPED_TRACE(name.toStdString());
        const QImage light = load(name + "-light"), dark = load(name + "-dark");
        ASSERT_FALSE(light.isNull());
        ASSERT_FALSE(dark.isNull());
        if (name == QStringLiteral("status-item")) {
            EXPECT_EQ(light.size(), QSize(600, 96));
            EXPECT_EQ(dark.size(), QSize(600, 96));
            EXPECT_LT(meanGrey(dark), meanGrey(light) - 100);
            continue;
        }
        EXPECT_GT(light.width(), 100);
        EXPECT_GT(light.height(), 60);
        EXPECT_LT(meanGrey(dark), meanGrey(light) - 40);
    }
    // Stages that differ only in what the dialogue reached differ in their pictures.
    EXPECT_NE(load("input-empty-light"), load("input-typed-light"));
    EXPECT_NE(load("ask-local-only-light"), load("ask-cloud-not-set-up-light"));
    EXPECT_NE(load("card-number-light"), load("card-window-light"));
    EXPECT_NE(load("telegram-no-bot-light"), load("telegram-unreachable-light"));
}

TEST(Snapshots, EachPictureShowsTheWindowAsTheUserSeesIt) {
    offscreen::app();
    DevLook::useAppearance(false);
    QTemporaryDir dir;
    std::ostringstream out;
    Snapshots::render(dir.path().toStdString(), out, std::chrono::milliseconds(10));
    auto load = [&](const char* name) { return QImage(dir.filePath(QString::fromUtf8(name) + ".png")); };

    // The input stage as tall as the shown panel: chips and sentence whole
    // (28 points of desktop above and below the panel).
    const QImage chips = load("input-chips-light"), typed = load("input-typed-light");
    EXPECT_EQ(chips.height() - 56, shownPanelHeight(Sample::exporting(false), ""));
    EXPECT_EQ(typed.height() - 56, shownPanelHeight(Sample::price(false), "the price drops below 200"));

    // Under the wall the many-watch menu draws what the four-watch one
    // draws: the tile, the rows and the margin, untouched by the monitors
    // scrolled out of sight.
    const QImage many = load("menu-many-light"), all = load("menu-all-light");
    const int under = rowsFromTile(MenuSamples::State::many);
    ASSERT_EQ(under, rowsFromTile(MenuSamples::State::all));
    ASSERT_EQ(many.width(), all.width());
    ASSERT_GT(many.height(), under);
    int differing = 0;
    for (int y = 1; y <= under; ++y)
        for (int x = 0; x < many.width(); ++x) differing += many.pixel(x, many.height() - y) != all.pixel(x, all.height() - y);
    EXPECT_EQ(differing, 0) << "pixels under the wall";

    // Windows in a Linux frame: a title bar with the title in grey ink and
    // nothing coloured in it.
    for (const char* name : {"onboarding-light", "onboarding-dark", "telegram-waiting-light", "telegram-expired-dark"}) {
        SCOPED_TRACE(name);
        const QImage window = load(name);
        const QRect bar(33, 33, window.width() - 66, SnapshotChrome::titleBar - 2);
        EXPECT_EQ(colourful(window, bar), 0);
        const int ground = qGray(window.pixel(bar.left() + 8, bar.center().y()));
        int ink = 0;
        for (int x = bar.left(); x <= bar.right(); ++x) ink += std::abs(qGray(window.pixel(x, bar.center().y())) - ground) > 60;
        EXPECT_GT(ink, 5) << "the title";
    }

    // The selection overlay: the screen around the box dimmed.
    for (const bool dark : {false, true}) {
        const QImage overlay = load(dark ? "overlay-dark" : "overlay-light");
        ASSERT_FALSE(overlay.isNull());
        EXPECT_LT(qGray(overlay.pixel(2, 2)), qGray(SnapshotChrome::desktop(dark).rgb()) - 4);
    }
}

}  // namespace
}  // namespace kestrove
