#include "app/platform/qt/warm_up_sample.hpp"

#include <QFont>
#include <QImage>
#include <QPainter>

namespace kestrove {

Image warmUpSample() {
    Image sample(240, 64);
    // Drawn straight into the sample's pixels: opaque, so straight and
    // premultiplied alpha agree.
    QImage picture(sample.rgba.data(), sample.width, sample.height, sample.width * 4, QImage::Format_RGBA8888);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(28);
        painter.setFont(font);
        painter.setPen(Qt::black);
        // Baseline 22 pixels above the bottom edge.
        painter.drawText(QPointF(20, 64 - 22), QStringLiteral("Ready 100%"));
    }
    return sample;
}

}  // namespace kestrove
