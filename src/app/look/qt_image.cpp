#include "app/look/qt_image.hpp"

#include <algorithm>

namespace kestrove {

Image imageFromQImage(const QImage& image) {
    if (image.isNull()) return {};
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    Image out(rgba.width(), rgba.height());
    const auto rowBytes = static_cast<std::size_t>(rgba.width()) * 4;
    for (int y = 0; y < rgba.height(); ++y)
        std::copy_n(rgba.constScanLine(y), rowBytes, out.rgba.begin() + static_cast<std::ptrdiff_t>(y * rowBytes));
    return out;
}

QImage qImageFromImage(const Image& image) {
    if (image.width <= 0 || image.height <= 0) return {};
    const QImage view(image.rgba.data(), image.width, image.height, image.width * 4, QImage::Format_RGBA8888);
    return view.copy();
}

}  // namespace kestrove
