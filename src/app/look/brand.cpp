#include "app/look/brand.hpp"

#include <algorithm>

namespace kestrove::Brand {

QColor signal() {
    static const QColor c = QColor::fromRgbF(0.8509803921568627f, 0.16862745098039217f, 0.12941176470588237f);
    return c;
}

QColor onSignal() {
    static const QColor c(Qt::white);
    return c;
}

QColor muted() {
    static const QColor c = QColor::fromRgbF(0.38823529411764707f, 0.38823529411764707f, 0.4f);
    return c;
}

QColor mutedLine() {
    static const QColor c = QColor::fromRgbF(0.5568627450980392f, 0.5568627450980392f, 0.5764705882352941f);
    return c;
}

QFont font(int pixelSize, QFont::Weight weight, bool condensed) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    if (condensed) f.setStretch(QFont::Condensed);
    return f;
}

QFont labelFont(int pixelSize) { return font(pixelSize, QFont::DemiBold, /*condensed=*/true); }

QColor brightened(const QColor& colour, double amount) {
    auto add = [&](float v) { return std::clamp(v + static_cast<float>(amount), 0.0f, 1.0f); };
    return QColor::fromRgbF(add(colour.redF()), add(colour.greenF()), add(colour.blueF()), colour.alphaF());
}

}  // namespace kestrove::Brand
