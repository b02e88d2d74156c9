#pragma once
// Crops with known text, drawn by Qt without a display, for the recogniser
// tests and benchmarks.

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/look/qt_image.hpp"
#include "core/picture/image.hpp"
#include "core/reading/reading.hpp"

namespace kestrove::rendered {

// The offscreen application the font code needs; made once.
inline void ensureApplication() {
    if (QCoreApplication::instance()) return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "kestrove-test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

// One text drawn with its baseline's left end at (x, baseline).
struct Text {
    std::string text;
    int x = 0;
    int baseline = 0;
    int pixelSize = 20;
};

inline QFont font(int pixelSize) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    return f;
}

// Dark text on white, or white on dark grey.
inline Image crop(int width, int height, const std::vector<Text>& texts, bool dark = false) {
    ensureApplication();
    QImage picture(width, height, QImage::Format_RGBA8888);
    picture.fill(dark ? QColor(30, 30, 30) : QColor(Qt::white));
    QPainter painter(&picture);
    painter.setPen(dark ? QColor(Qt::white) : QColor(Qt::black));
    for (const Text& t : texts) {
        painter.setFont(font(t.pixelSize));
        painter.drawText(QPointF(t.x, t.baseline), QString::fromStdString(t.text));
    }
    painter.end();
    return imageFromQImage(picture);
}

// Where a drawn text's ink lies, normalised to the crop, origin top-left.
inline NormRect inkBox(const Text& t, int width, int height) {
    ensureApplication();
    const QRectF r = QFontMetricsF(font(t.pixelSize)).tightBoundingRect(QString::fromStdString(t.text));
    return {(t.x + r.left()) / width, (t.baseline + r.top()) / height, r.width() / width, r.height() / height};
}

}  // namespace kestrove::rendered
