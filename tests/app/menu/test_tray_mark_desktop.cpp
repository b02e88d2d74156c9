// The tray's mark in a real XEmbed tray (trayer) on a dark and on a light
// panel: drawn in black or white against the panel as the screen shows it,
// whatever the desktop's appearance setting (a Settings portal of the
// test's own on the session bus) says, or in the colour the tray itself
// tells where that stands out from it; and drawn again when that changes
// while the icon shows.
// Screenshots are left in <build>/snapshots/menu_desktop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <xcb/xcb.h>

#include <cmath>
#include <functional>
#include <iostream>
#include <cstring>
#include <memory>

#include "app/menu/qt_status_item.hpp"
#include "app/platform/linux/linux_tray_look.hpp"
#include "app/platform/x11/xcb_window_places.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fake_desktop_services.hpp"

namespace kestrove::testing {
namespace {

using desktop::waitFor;

enum class Panel { dark, light };

const char* tint(Panel panel) { return panel == Panel::dark ? "0x202020" : "0xe8e8e8"; }

// Luma on the 0-1 scale.
double luminance(QRgb c) { return (0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c)) / 255; }

// The tray's ground as the screen shows it.
double ground(Panel panel) { return luminance(QString(tint(panel)).toUInt(nullptr, 16)); }

void screenshot(const QString& name) {
    const QString folder = QStringLiteral(KESTROVE_SNAPSHOT_DIR "/menu_desktop");
    QDir().mkpath(folder);
    QProcess::execute(QStringLiteral("import"), {"-window", "root", folder + "/" + name + ".png"});
}

xcb_connection_t* connection() { return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection(); }

xcb_atom_t atom(const char* name) {
    xcb_connection_t* c = connection();
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

// What a tray publishes as its colours: the text colour, then error, warning
// and success, 16 bits a channel.
void publishTrayText(QRgb text) {
    xcb_connection_t* c = connection();
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom("_NET_SYSTEM_TRAY_S0")), nullptr);
    ASSERT_TRUE(owner && owner->owner != XCB_WINDOW_NONE) << "the tray owns its selection";
    const std::uint32_t words[12] = {qRed(text) * 257u, qGreen(text) * 257u, qBlue(text) * 257u, 65535, 0, 0,
                                     65535, 65535, 0, 0, 65535, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, owner->owner, atom("_NET_SYSTEM_TRAY_COLORS"), XCB_ATOM_CARDINAL,
                        32, 12, words);
    xcb_flush(c);
    std::free(owner);
}

// The tray's ground and its mark, as the screen shows them now.
struct Seen {
    double panel = 0;  // the tray's ground, in the icon's corner which the mark leaves bare
    int inked = 0;     // pixels at least 0.4 from the ground in luminance
    double mark = 0;   // their mean luminance
    int white = 0;     // pixels of a white mark's core
    int black = 0;     // pixels of a black mark's core
    int amber = 0;     // pixels of an amber mark's core
    double contrast = 0;  // the farthest pixel from the ground, in luminance
};

struct TrayMarkDesktop : ::testing::Test {
    std::unique_ptr<QProcess> trayer;  // stopped by its own pid
    QDBusConnection portalBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake portal");
    std::unique_ptr<FakeAppearancePortal> portal;
    XcbWindowPlaces places;
    std::unique_ptr<LinuxTrayLook> trayLook;
    std::unique_ptr<QtStatusItem> icon;
    Panel panel = Panel::dark;

    // A tray at the top right whose ground is dark or light.
    void startTray(Panel p) {
        panel = p;
        trayer = std::make_unique<QProcess>();
        trayer->start(QStringLiteral("trayer"),
                      {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                       "--SetDockType", "true", "--transparent", "true", "--alpha", "0", "--tint", tint(panel)});
        ASSERT_TRUE(trayer->waitForStarted(5000));
    }
    void showIcon() {
        trayLook = std::make_unique<LinuxTrayLook>(QDBusConnection::sessionBus());
        icon = std::make_unique<QtStatusItem>(places, *trayLook);
        ASSERT_TRUE(waitFor([&] {
            const auto g = icon->geometry();
            return g && g->right() >= 1200 && g->bottom() < 30;
        }, 10000)) << "the icon is in the tray";
    }
    Seen seen() {
        Seen s;
        const auto place = icon->geometry();
        if (!place || place->isEmpty()) {
            s.panel = -1;  // in no tray yet
            return s;
        }
        const QRect at = *place;
        const QImage shot =
            QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), at.width(), at.height()).toImage();
        s.panel = luminance(shot.pixel(0, 0));
        double sum = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const double l = luminance(shot.pixel(x, y));
                if (std::abs(l - s.panel) >= 0.4) {
                    ++s.inked;
                    sum += l;
                }
                s.white += l > 0.97;
                s.black += l < 0.03;
                const QRgb c = shot.pixel(x, y);
                s.amber += qRed(c) > 230 && std::abs(qGreen(c) - 200) < 25 && qBlue(c) < 40;
                s.contrast = std::max(s.contrast, std::abs(l - s.panel));
            }
        if (s.inked) s.mark = sum / s.inked;
        return s;
    }
    // Waits for the screen to show the icon in the tray (its bare corner
    // showing the tray's ground) and `done` of what it shows.
    ::testing::AssertionResult shows(const std::function<bool(const Seen&)>& done) {
        Seen last;
        if (waitFor(
                [&] {
                    last = seen();
                    return std::abs(last.panel - ground(panel)) < 0.02 && done(last);
                },
                10000))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the panel's luminance " << last.panel << ", " << last.inked
                                             << " pixels at least 0.4 from it (" << last.mark << " on average), "
                                             << last.white << " white, " << last.black << " black, contrast "
                                             << last.contrast;
    }
    // A mark that stands out from the panel, lighter (`light`) or darker.
    ::testing::AssertionResult showsMarkStandingOut(bool light) {
        return shows([&](const Seen& s) { return s.inked >= 20 && (s.mark > s.panel) == light; });
    }
    // A mark of white (`light`) or black ink, standing out or not.
    ::testing::AssertionResult showsInk(bool light) {
        return shows([&](const Seen& s) { return (light ? s.white : s.black) >= 20; });
    }

    void stopTray() {
        if (!trayer) return;
        trayer->terminate();
        if (!trayer->waitForFinished(3000)) trayer->kill();
        trayer->waitForFinished(2000);
        trayer.reset();
    }

    const QPalette palette = QApplication::palette();
    void TearDown() override {
        icon.reset();
        trayLook.reset();
        portal.reset();
        stopTray();
        QApplication::setPalette(palette);
    }
};

// On a light tray and on a dark one, with the appearance setting saying
// dark or light (agreeing with the tray or not), the mark stands out from
// the tray by at least 0.4 in luminance; and a change of the setting while
// the icon shows does not hide it.
TEST_F(TrayMarkDesktop, TheTraysGroundDecidesTheInkWhateverTheScheme) {
    struct Case {
        const char* name;
        Panel panel;
        uint scheme;  // as the portal tells it: 1 dark, 2 light
    };
    const Case cases[] = {{"light-tray-dark-scheme", Panel::light, 1},
                          {"light-tray-light-scheme", Panel::light, 2},
                          {"dark-tray-dark-scheme", Panel::dark, 1},
                          {"dark-tray-light-scheme", Panel::dark, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        portal = std::make_unique<FakeAppearancePortal>(portalBus, c.scheme);
        ASSERT_NO_FATAL_FAILURE(startTray(c.panel));
        ASSERT_NO_FATAL_FAILURE(showIcon());
        const bool darkTray = c.panel == Panel::dark;
        EXPECT_TRUE(showsMarkStandingOut(darkTray));
        EXPECT_TRUE(shows([](const Seen& s) { return s.contrast >= 0.4; }));
        std::cout << c.name << ": contrast " << seen().contrast << "\n";
        screenshot(QStringLiteral("mark-%1").arg(c.name));

        portal->setScheme(c.scheme == 1 ? 2 : 1);
        // The setting's change reaches the icon before the next look.
        QTest::qWait(500);
        EXPECT_TRUE(showsMarkStandingOut(darkTray)) << "after the scheme switched";
        std::cout << c.name << ", switched: contrast " << seen().contrast << "\n";
        TearDown();
    }
}

// The tray's own text colour where it stands out from the tray, as the
// tray publishes it and changes it; not where the tray's ground would hide it.
TEST_F(TrayMarkDesktop, TheTraysOwnColoursWhereTheyStandOut) {
    ASSERT_NO_FATAL_FAILURE(startTray(Panel::dark));
    ASSERT_NO_FATAL_FAILURE(showIcon());
    ASSERT_NO_FATAL_FAILURE(publishTrayText(qRgb(255, 200, 0)));
    EXPECT_TRUE(shows([](const Seen& s) { return s.amber >= 20; })) << "amber on the dark panel, as the tray says";
    screenshot(QStringLiteral("mark-tray-colours"));
    ASSERT_NO_FATAL_FAILURE(publishTrayText(qRgb(0, 0, 0)));
    QTest::qWait(500);
    EXPECT_TRUE(showsInk(true)) << "black would be lost on the dark panel: white";
}

// Where neither tells (trayer publishes no colours, no portal runs), the
// mark is black or white, whichever stands out from the panel as the
// screen shows it, though the palette's text colour would hide it; and it
// follows when the tray ends and another, of the other ground, takes the
// icon.
TEST_F(TrayMarkDesktop, WithNothingToldTheMarkStandsOutFromThePanel) {
    // The palette's text is the colour the panel would hide.
    auto hideOn = [&](Panel p) {
        QPalette hiding = palette;
        hiding.setColor(QPalette::WindowText, p == Panel::dark ? Qt::black : Qt::white);
        QApplication::setPalette(hiding);
    };
    for (const Panel first : {Panel::dark, Panel::light}) {
        const bool dark = first == Panel::dark;
        SCOPED_TRACE(dark ? "dark first" : "light first");
        const Panel then = dark ? Panel::light : Panel::dark;
        hideOn(first);
        ASSERT_NO_FATAL_FAILURE(startTray(first));
        ASSERT_NO_FATAL_FAILURE(showIcon());
        EXPECT_TRUE(showsMarkStandingOut(dark));
        screenshot(QStringLiteral("mark-untold-%1-panel").arg(dark ? "dark" : "light"));

        hideOn(then);
        stopTray();
        ASSERT_NO_FATAL_FAILURE(startTray(then));
        EXPECT_TRUE(showsMarkStandingOut(!dark)) << "the new tray's ground";
        screenshot(QStringLiteral("mark-untold-%1-panel-then-%2").arg(dark ? "dark" : "light",
                                                                      dark ? "light" : "dark"));
        TearDown();
    }
}

}  // namespace
}  // namespace kestrove::testing
