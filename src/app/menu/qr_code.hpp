#pragma once
// A text as a QR code picture to scan with a phone: black modules on white,
// whole pixels per module, a white quiet zone around it.

#include <optional>
#include <string_view>

#include <QImage>

namespace kestrove::QRCode {

// The text's UTF-8 bytes at error correction level M. Nothing when the text
// does not fit a QR code or a size is not positive.
std::optional<QImage> image(std::string_view text, int modulePixels, int quietModules);

}  // namespace kestrove::QRCode
