#include "app/look/qt_image.hpp"

namespace kestrove {

Image imageFromQImage(const QImage& image) {
    if (image.isNull()) return {};
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    return imageFromRows(rgba.constBits(), rgba.width(), rgba.height(), static_cast<std::size_t>(rgba.bytesPerLine()));
}

QImage qImageFromImage(const Image& image) {
    if (image.width <= 0 || image.height <= 0) return {};
    const QImage view(image.rgba.data(), image.width, image.height, image.width * 4, QImage::Format_RGBA8888);
    return view.copy();
}

}  // namespace kestrove
