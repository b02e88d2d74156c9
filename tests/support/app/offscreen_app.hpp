#pragma once
// Drawing tests without a display: a QApplication on the offscreen platform
// with the app's style, and a folder in the build tree where they leave the
// pictures they drew for a person to look at.

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QString>

namespace kestrove::offscreen {

inline QApplication& app() {
    static int argc = 1;
    static char name[] = "kestrove_offscreen_test";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* a = new QApplication(argc, argv);
        QApplication::setStyle(QStringLiteral("Fusion"));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(13);
        QApplication::setFont(font);
        return a;
    }();
    return *instance;
}

// Saved as <build>/snapshots/<group>/<name>.png.
inline bool saveSnapshot(const QImage& image, const QString& group, const QString& name) {
    const QString folder = QStringLiteral(KESTROVE_SNAPSHOT_DIR "/") + group;
    QDir().mkpath(folder);
    return image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

}  // namespace kestrove::offscreen
