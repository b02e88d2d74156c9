#pragma once
// Pictures between Qt and the core.

#include <QImage>

#include "core/picture/image.hpp"

namespace kestrove {

// Any QImage as straight-alpha RGBA; a null QImage gives an empty Image.
Image imageFromQImage(const QImage& image);
// A copy of the picture as a QImage (straight-alpha RGBA); null when empty.
QImage qImageFromImage(const Image& image);

}  // namespace kestrove
