// The shared look drawn offscreen, light and dark; the pictures are left in
// <build>/snapshots/look for a person to look at.
#include <gtest/gtest.h>

#include <QEvent>
#include <QHBoxLayout>
#include <QTest>
#include <QTimer>

#include "app/look/brand.hpp"
#include "app/look/hover_flag.hpp"
#include "app/look/mark_glyph.hpp"
#include "app/look/mark_view.hpp"
#include "app/look/signal_chip.hpp"
#include "app/look/spinner.hpp"
#include "app/look/state_tag.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

struct Appearance {
    const char* name;
    QColor window, text;
} const appearances[] = {{"light", QColor(236, 236, 236), Qt::black}, {"dark", QColor(40, 40, 42), Qt::white}};

// A backdrop in the appearance's window and text colours.
void paintBackdrop(QWidget& backdrop, const Appearance& a) {
    QPalette p = backdrop.palette();
    p.setColor(QPalette::Window, a.window);
    p.setColor(QPalette::WindowText, a.text);
    backdrop.setPalette(p);
    backdrop.setAutoFillBackground(true);
}

// The view on a backdrop of the appearance, 4 points around it.
QImage shoot(QWidget& view, const Appearance& a, const QString& name) {
    QWidget backdrop;
    paintBackdrop(backdrop, a);
    (new QHBoxLayout(&backdrop))->setContentsMargins(4, 4, 4, 4);
    backdrop.layout()->addWidget(&view);
    view.show();
    backdrop.adjustSize();
    const QImage image = backdrop.grab().toImage();
    view.setParent(nullptr);
    offscreen::saveSnapshot(image, QStringLiteral("look"), name + QLatin1Char('_') + QLatin1String(a.name));
    return image;
}

bool near(QRgb a, const QColor& b, int tolerance = 3) {
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

struct Look : ::testing::Test {
    void SetUp() override { offscreen::app(); }
};

TEST_F(Look, BrandType) {
    const QFontInfo label(Brand::labelFont(10));
    EXPECT_TRUE(label.family() == "DejaVu Sans" && label.pixelSize() == 10 && label.bold());
    EXPECT_LT(QFontMetricsF(Brand::labelFont(10)).horizontalAdvance("WATCHING"),
              QFontMetricsF(Brand::font(10, QFont::DemiBold)).horizontalAdvance("WATCHING"))
        << "the condensed face is narrower";
}

TEST_F(Look, StateTagIsAPillWithTwoRingsInEitherTone) {
    EXPECT_EQ(StateTag::pillSize(QString()), QSizeF(10, 16));
    for (const auto& a : appearances) {
        for (auto [tone, fill] : {std::pair{TagTone::signal, Brand::signal()}, {TagTone::muted, Brand::muted()}}) {
            StateTag tag(QStringLiteral("WATCHING · EVERY 5 S"), tone);
            const QImage image = shoot(tag, a, tone == TagTone::signal ? "tag_signal" : "tag_muted");
            // The pill starts 4 (backdrop) + 2 (rings) in; the light ring is 1 out, the dark one 2.
            EXPECT_TRUE(near(image.pixel(7, 14), fill));
            EXPECT_GT(qGray(image.pixel(5, 14)), qGray(image.pixel(4, 14)) + 40) << a.name;
            EXPECT_LT(qGray(image.pixel(4, 14)), qGray(a.window.rgb())) << a.name;
            int white = 0;
            for (int x = 12; x < 40; ++x) white += qGray(image.pixel(x, 14)) > 200;
            EXPECT_GT(white, 2) << "white text";
        }
        StateTag empty;
        EXPECT_EQ(empty.sizeHint(), QSize(14, 20)) << "the 10 × 16 pill and its rings";
        EXPECT_TRUE(near(shoot(empty, a, "tag_empty").pixel(11, 14), Brand::signal()));
    }
}

TEST_F(Look, SignalChipAndItsButtonWithHover) {
    int pressed = 0;
    SignalChipButton button(QStringLiteral("42"), [&] { ++pressed; });
    EXPECT_EQ(button.accessibleName(), "Use 42");
    button.click();
    EXPECT_EQ(pressed, 1);
    for (const auto& a : appearances) {
        SignalChip plain(QStringLiteral("249.99 EUR"), 13);
        EXPECT_TRUE(near(shoot(plain, a, "chip").pixel(6, 6), Brand::signal()));
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &enter);
        EXPECT_TRUE(near(shoot(button, a, "chip_button_hover").pixel(6, 6), QColor(202, 28, 18))) << "6 % darker";
        QCoreApplication::sendEvent(&button, &leave);
        EXPECT_TRUE(near(shoot(button, a, "chip_button").pixel(6, 6), Brand::signal()));
    }
    QWidget view;
    HoverFlag hover(&view);
    int flips = 0;
    QObject::connect(&hover, &HoverFlag::changed, [&] { ++flips; });
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    for (QEvent* e : {&enter, &enter, &leave}) QCoreApplication::sendEvent(&view, e);
    EXPECT_FALSE(hover.on());
    EXPECT_EQ(flips, 2);
}

TEST_F(Look, MarkViewTakesTheTextColourAndItsOwnDot) {
    for (const auto& a : appearances) {
        MarkView mark(Brand::signal());
        mark.setFixedSize(64, 64);
        const QImage image = shoot(mark, a, "mark_view");
        // Scale min(64/54, 64/51), the glyph's centre (32, 31.5) on the view's (32, 32).
        auto at = [&](double gx, double gy) {
            return image.pixel(4 + int(32 + (gx - 32) * 64 / 54), 4 + int(32 + (gy - 31.5) * 64 / 54));
        };
        EXPECT_TRUE(near(at(50, 15), Brand::signal())) << "the dot";
        EXPECT_TRUE(near(at(8, 20), a.text, 10)) << "the left bracket";
        EXPECT_TRUE(near(at(32, 32), a.window) && near(at(32, 10), a.window)) << "the open middle and top";
    }
}

TEST_F(Look, StatusImageSizesAndDot) {
    EXPECT_EQ(MarkGlyph::statusSize(22), QSize(24, 22));
    EXPECT_EQ(MarkGlyph::statusSize(18), QSize(19, 18));
    const QImage dot = MarkGlyph::statusImage(1, 22), bare = MarkGlyph::statusImage(0, 22);
    EXPECT_EQ(MarkGlyph::statusImage(1, 22, 2).size(), QSize(48, 44));
    EXPECT_EQ(dot.text("Description"), "Kestrove");
    offscreen::saveSnapshot(dot.scaled(240, 220), "look", "status_image_dot");
    offscreen::saveSnapshot(bare.scaled(240, 220), "look", "status_image_bare");
    // Scale 22/55 = 0.4, the glyph box's centre (33.5, 30.5) on (12, 11).
    auto at = [](const QImage& i, double gx, double gy) {
        return i.pixel(int(12 + (gx - 33.5) * 0.4), int(11 + (gy - 30.5) * 0.4));
    };
    EXPECT_EQ(at(dot, 50, 15), qRgba(0, 0, 0, 255)) << "black";
    EXPECT_EQ(qAlpha(at(bare, 50, 15)), 0) << "a dot scale of 0: the brackets alone";
    for (auto [gx, gy] : {std::pair{8, 20}, {15, 54}, {56, 45}}) EXPECT_EQ(qAlpha(at(bare, gx, gy)), 255);
    EXPECT_EQ(qAlpha(at(bare, 33, 31)), 0);
}

TEST_F(Look, SpinnerTurnsInTheTextColourOnlyWhileShown) {
    for (const auto& a : appearances) {
        QWidget backdrop;
        paintBackdrop(backdrop, a);
        auto* spinner = new Spinner(24, &backdrop);
        backdrop.resize(24, 24);
        backdrop.show();
        const QImage before = backdrop.grab().toImage();
        QTest::qWait(250);
        const QImage after = backdrop.grab().toImage();
        EXPECT_NE(before, after) << a.name << ": it turns while shown";
        // The arc: the text colour half faded over the window.
        const QColor half((a.text.red() + a.window.red()) / 2, (a.text.green() + a.window.green()) / 2,
                          (a.text.blue() + a.window.blue()) / 2);
        bool arc = false;
        for (int y = 0; y < after.height() && !arc; ++y)
            for (int x = 0; x < after.width() && !arc; ++x) arc = near(after.pixel(x, y), half, 12);
        EXPECT_TRUE(arc) << a.name;
        offscreen::saveSnapshot(after.scaled(96, 96), QStringLiteral("look"), QStringLiteral("spinner_") + a.name);
        backdrop.hide();
        EXPECT_FALSE(spinner->findChild<QTimer*>()->isActive()) << a.name << ": hidden, it rests";
    }
}

}  // namespace
}  // namespace kestrove
