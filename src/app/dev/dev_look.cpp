#include "app/dev/dev_look.hpp"

#include <QApplication>
#include <QFont>
#include <QWidget>

#include "app/creation/panel_ink.hpp"

namespace kestrove::DevLook {

void useOffscreenPlatform() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

void useAppearance(bool dark) {
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    QApplication::setFont(font);
    QApplication::setPalette(dark ? PanelInk::darkPalette() : PanelInk::lightPalette());
}

void showUnseen(QWidget& window) {
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.show();
}

}  // namespace kestrove::DevLook
