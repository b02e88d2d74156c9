#include "app/shell/app_alerts.hpp"

#include <QApplication>
#include <QMessageBox>
#include <QPixmap>

#include "app/look/mark_glyph.hpp"
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
    const QString ink = about->palette().color(QPalette::PlaceholderText).name();
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
