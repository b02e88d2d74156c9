#include "app/platform/qt/qt_image.hpp"

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

}  // namespace kestrove
