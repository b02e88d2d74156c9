#include "app/shell/app_alerts.hpp"

#include <QApplication>
#include <QMessageBox>
#include <QPixmap>

#include "app/look/mark_glyph.hpp"
#include "app/menu/window_style.hpp"
#include "core/copy/copy_catalogue.hpp"

namespace kestrove {

namespace {

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QMessageBox* box(const QString& title) {
    auto* box = new QMessageBox();
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(title);
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->setStandardButtons(QMessageBox::Ok);
    return box;
}

}  // namespace

void bringToFront(QMessageBox* box) {
    box->show();
    box->raise();
    box->activateWindow();
}

QMessageBox* openAboutBox() {
    auto* about = box(QStringLiteral("About Kestrove"));
    const qreal ratio = qApp->devicePixelRatio();
    about->setIconPixmap(QPixmap::fromImage(MarkGlyph::statusImage(1, 48, ratio)));
    about->setText(QStringLiteral("<b>Kestrove</b><br>Version " KESTROVE_VERSION));
    // The credits in small type, in the palette's secondary ink.
    const QString credits = (text(Copy::aboutLine) + QStringLiteral("\n\n") + text(Copy::aboutBeta)).toHtmlEscaped();
    // Rich text takes no alpha: the secondary ink laid over the window's colour.
    const QColor over = WindowStyle::secondary(about->palette());
    const QColor under = about->palette().color(QPalette::Window);
    const auto mix = [&](float a, float b) { return int(a * over.alphaF() + b * (1 - over.alphaF()) + 0.5f); };
    const QString ink = QColor(mix(over.redF() * 255, under.redF() * 255), mix(over.greenF() * 255, under.greenF() * 255),
                               mix(over.blueF() * 255, under.blueF() * 255))
                            .name();
    about->setInformativeText(QStringLiteral("<p style=\"font-size:11px; color:%1; white-space:pre-wrap\">%2</p>")
                                  .arg(ink, credits));
    bringToFront(about);
    return about;
}

QMessageBox* openDisconnectAlert() {
    auto* alert = box(QStringLiteral("Kestrove"));
    alert->setIcon(QMessageBox::Information);
    alert->setText(text(disconnectMessage));
    alert->setInformativeText(text(disconnectDetail));
    bringToFront(alert);
    return alert;
}

}  // namespace kestrove
