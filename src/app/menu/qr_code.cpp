#include "app/menu/qr_code.hpp"

#include <memory>

#include <qrencode.h>

namespace kestrove::QRCode {

std::optional<QImage> image(std::string_view text, int modulePixels, int quietModules) {
    if (modulePixels < 1 || quietModules < 0 || text.size() > 8000) return std::nullopt;
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(static_cast<int>(text.size()), reinterpret_cast<const unsigned char*>(text.data()), 0,
                          QR_ECLEVEL_M),
        &QRcode_free);
    if (!code || code->width < 1) return std::nullopt;

    const int modules = code->width;
    const int side = (modules + 2 * quietModules) * modulePixels;
    QImage out(side, side, QImage::Format_RGB32);
    if (out.isNull()) return std::nullopt;
    out.fill(Qt::white);
    const int inset = quietModules * modulePixels;
    const QRgb black = qRgb(0, 0, 0);
    for (int my = 0; my < modules; ++my)
        for (int mx = 0; mx < modules; ++mx) {
            if (!(code->data[my * modules + mx] & 1)) continue;  // bit 0: dark module
            for (int y = 0; y < modulePixels; ++y) {
                auto* line = reinterpret_cast<QRgb*>(out.scanLine(inset + my * modulePixels + y));
                std::fill_n(line + inset + mx * modulePixels, modulePixels, black);
            }
        }
    return out;
}

}  // namespace kestrove::QRCode
