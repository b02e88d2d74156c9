#include "app/platform/qt/warm_up_sample.hpp"

#include <QFont>
#include <QImage>
#include <QPainter>

namespace kestrove {

Image warmUpSample() {
    QImage picture(240, 64, QImage::Format_RGBA8888);
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
    return imageFromRows(picture.constBits(), picture.width(), picture.height(),
                         static_cast<std::size_t>(picture.bytesPerLine()));
}

}  // namespace kestrove
