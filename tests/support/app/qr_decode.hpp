#pragma once
// Reads a QR code picture back with zbarimg, a decoder that is not ours.

#include <cstdio>
#include <string>

#include <QImage>
#include <QTemporaryDir>

namespace kestrove::testing {

// The text zbarimg finds in the picture, without its line end; empty when none.
inline std::string decodeQR(const QImage& image) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("code.png"));
    if (!image.save(file)) return "(not saved)";
    const std::string command = "zbarimg --raw -q '" + file.toStdString() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "(no zbarimg)";
    std::string out;
    char buffer[512];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

}  // namespace kestrove::testing
