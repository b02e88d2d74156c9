// The shared look drawn offscreen, light and dark; the pictures are left in
// <build>/snapshots/look for a person to look at.
#include <gtest/gtest.h>

#include <QEvent>
#include <QHBoxLayout>
#include <QPalette>

#include "app/look/brand.hpp"
#include "app/look/hover_flag.hpp"
#include "app/look/mark_glyph.hpp"
#include "app/look/mark_view.hpp"
#include "app/look/signal_chip.hpp"
#include "app/look/state_tag.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

struct Appearance {
    const char* name;
    QColor window, text;
};
const Appearance appearances[] = {{"light", QColor(236, 236, 236), Qt::black}, {"dark", QColor(40, 40, 42), Qt::white}};

// The view on a backdrop of the appearance, 4 points around it, as a picture.
QImage shoot(QWidget& view, const Appearance& a, const QString& name, QSize size = {}) {
    QWidget backdrop;
    QPalette p = backdrop.palette();
    p.setColor(QPalette::Window, a.window);
    p.setColor(QPalette::WindowText, a.text);
    backdrop.setPalette(p);
    backdrop.setAutoFillBackground(true);
    auto* row = new QHBoxLayout(&backdrop);
    row->setContentsMargins(4, 4, 4, 4);
    view.setParent(&backdrop);
    if (size.isValid()) view.setFixedSize(size);
    row->addWidget(&view);
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

TEST_F(Look, BrandColours) {
    EXPECT_EQ(Brand::signal().name(), "#d92b21");
    EXPECT_EQ(Brand::muted().name(), "#636366");
    EXPECT_EQ(Brand::mutedLine().name(), "#8e8e93");
    EXPECT_EQ(Brand::onSignal(), QColor(Qt::white));
    const QFontInfo label(Brand::labelFont(10));
    EXPECT_EQ(label.family(), "DejaVu Sans");
    EXPECT_EQ(label.pixelSize(), 10);
    EXPECT_TRUE(label.bold()) << "semibold falls to DejaVu's bold face";
    EXPECT_EQ(label.style(), QFont::StyleNormal);
    EXPECT_LT(QFontMetricsF(Brand::labelFont(10)).horizontalAdvance("WATCHING"),
              QFontMetricsF(Brand::font(10, QFont::DemiBold)).horizontalAdvance("WATCHING"))
        << "the condensed face is narrower";
}

TEST_F(Look, StateTagIsAPillWithTwoRingsInEitherTone) {
    EXPECT_EQ(StateTag::pillSize(QString()), QSizeF(10, 16));
    const QString text = QStringLiteral("WATCHING · EVERY 5 S");
    EXPECT_GT(StateTag::pillSize(text).width(), 60);
    for (const auto& a : appearances) {
        for (auto [tone, fill, name] : {std::tuple{TagTone::signal, Brand::signal(), "tag_signal"},
                                        std::tuple{TagTone::muted, Brand::muted(), "tag_muted"}}) {
            StateTag tag(text, tone);
            EXPECT_EQ(tag.sizeHint().height(), 20);
            const QImage image = shoot(tag, a, QString::fromLatin1(name));
            // The pill starts 4 (backdrop) + 2 (rings) in.
            EXPECT_TRUE(near(image.pixel(7, 14), fill)) << name;
            EXPECT_TRUE(near(image.pixel(5, 14), QColor(230, 230, 230), 12) || a.window.lightness() > 200) << name;
            EXPECT_LT(qGray(image.pixel(4, 14)), qGray(a.window.rgb())) << "the dark ring, " << name;
            int white = 0;
            for (int x = 12; x < 40; ++x) white += qGray(image.pixel(x, 14)) > 200;
            EXPECT_GT(white, 2) << "white text, " << name;
        }
        StateTag empty;
        EXPECT_EQ(empty.sizeHint(), QSize(14, 20));
        const QImage image = shoot(empty, a, QStringLiteral("tag_empty"));
        EXPECT_TRUE(near(image.pixel(11, 14), Brand::signal()));
        EXPECT_TRUE(near(image.pixel(8, 11), Brand::signal()));
    }
}

TEST_F(Look, SignalChipAndItsButton) {
    const QSizeF chip = SignalChip::chipSize(QStringLiteral("189.00"), 13);
    EXPECT_NEAR(chip.width(), QFontMetricsF(Brand::labelFont(13)).horizontalAdvance("189.00") + 12, 0.01);
    EXPECT_NEAR(chip.height(), QFontMetricsF(Brand::labelFont(13)).height() + 4, 0.01);

    int pressed = 0;
    SignalChipButton button(QStringLiteral("42"), [&] { ++pressed; });
    EXPECT_EQ(button.accessibleName(), "Use 42");
    button.click();
    EXPECT_EQ(pressed, 1);
    for (const auto& a : appearances) {
        SignalChip plain(QStringLiteral("249.99 EUR"), 13);
        EXPECT_TRUE(near(shoot(plain, a, QStringLiteral("chip")).pixel(6, 6), Brand::signal()));
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &enter);
        EXPECT_TRUE(button.hovered());
        const QImage hovered = shoot(button, a, QStringLiteral("chip_button_hover"));
        QCoreApplication::sendEvent(&button, &leave);
        const QImage resting = shoot(button, a, QStringLiteral("chip_button"));
        EXPECT_TRUE(near(resting.pixel(6, 6), Brand::signal()));
        EXPECT_TRUE(near(hovered.pixel(6, 6), QColor(202, 28, 18))) << "6 % darker under the pointer";
    }
}

TEST_F(Look, HoverFlagFollowsThePointer) {
    QWidget view;
    HoverFlag hover(&view);
    int flips = 0;
    QObject::connect(&hover, &HoverFlag::changed, [&] { ++flips; });
    EXPECT_FALSE(hover.on());
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QCoreApplication::sendEvent(&view, &enter);
    QCoreApplication::sendEvent(&view, &enter);
    EXPECT_TRUE(hover.on());
    QCoreApplication::sendEvent(&view, &leave);
    EXPECT_FALSE(hover.on());
    EXPECT_EQ(flips, 2);
}

TEST_F(Look, MarkViewTakesTheTextColourAndItsOwnDot) {
    for (const auto& a : appearances) {
        MarkView mark(Brand::signal());
        const QImage image = shoot(mark, a, QStringLiteral("mark_view"), {64, 64});
        // A 64 square: scale min(64/54, 64/51), glyph centre (32, 31.5) on (32, 32).
        const double s = 64.0 / 54;
        auto at = [&](double gx, double gy) {
            return image.pixel(4 + int(32 + (gx - 32) * s), 4 + int(32 + (gy - 31.5) * s));
        };
        EXPECT_TRUE(near(at(50, 15), Brand::signal())) << "the dot";
        EXPECT_TRUE(near(at(8, 30 - 10), a.text, 10)) << "the left bracket";
        EXPECT_TRUE(near(at(32, 32), a.window)) << "the open middle";
        EXPECT_TRUE(near(at(32, 10), a.window)) << "the gap in the top edge";
    }
}

TEST_F(Look, StatusImageSizesAndDot) {
    EXPECT_EQ(MarkGlyph::statusSize(22), QSize(24, 22));
    EXPECT_EQ(MarkGlyph::statusSize(18), QSize(19, 18));
    const QImage withDot = MarkGlyph::statusImage(1, 22);
    const QImage bare = MarkGlyph::statusImage(0, 22);
    const QImage sharp = MarkGlyph::statusImage(1, 22, 2);
    EXPECT_EQ(withDot.size(), QSize(24, 22));
    EXPECT_EQ(sharp.size(), QSize(48, 44));
    EXPECT_EQ(withDot.text(QStringLiteral("Description")), "Kestrove");
    offscreen::saveSnapshot(withDot.scaled(240, 220), QStringLiteral("look"), QStringLiteral("status_image_dot"));
    offscreen::saveSnapshot(bare.scaled(240, 220), QStringLiteral("look"), QStringLiteral("status_image_bare"));
    offscreen::saveSnapshot(sharp, QStringLiteral("look"), QStringLiteral("status_image_2x"));
    // Scale 22/55 = 0.4, the glyph box's centre (33.5, 30.5) on (12, 11).
    auto at = [](const QImage& i, double gx, double gy) {
        return qAlpha(i.pixel(int(12 + (gx - 33.5) * 0.4), int(11 + (gy - 30.5) * 0.4)));
    };
    EXPECT_GT(at(withDot, 50, 15), 200);
    EXPECT_EQ(at(bare, 50, 15), 0) << "a dot scale of 0: the brackets alone";
    EXPECT_GT(at(bare, 8, 20), 200);
    EXPECT_GT(at(bare, 15, 54), 200);
    EXPECT_GT(at(bare, 56, 45), 200);
    EXPECT_EQ(at(bare, 33, 31), 0);
    EXPECT_EQ(qRed(withDot.pixel(int(12 + (50 - 33.5) * 0.4), int(11 + (15 - 30.5) * 0.4))), 0) << "black";
}

}  // namespace
}  // namespace kestrove
