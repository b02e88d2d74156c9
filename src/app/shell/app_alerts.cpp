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
    // A message box makes itself application-modal: the tray would stop
    // answering while one is open.
    box->setWindowModality(Qt::NonModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->setStandardButtons(QMessageBox::Ok);
    return box;
}

// In front of other programs' windows, with the keyboard.
void bringToFront(QMessageBox* box) {
    box->show();
    box->raise();
    box->activateWindow();
}

// The name, the version, the mark, and the two credit lines.
QMessageBox* makeAbout() {
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
    return about;
}

}  // namespace

QMessageBox* AppAlerts::once(const QString& kind, const std::function<QMessageBox*()>& make) {
    QPointer<QMessageBox>& slot = open_[kind];
    if (!slot) slot = make();
    bringToFront(slot);
    return slot;
}

QMessageBox* AppAlerts::about() { return once(QStringLiteral("about"), makeAbout); }

QMessageBox* AppAlerts::disconnected() {
    return once(QStringLiteral("disconnected"), [] {
        auto* alert = box(QStringLiteral("Kestrove"));
        alert->setIcon(QMessageBox::Information);
        alert->setText(text(disconnectMessage));
        alert->setInformativeText(text(disconnectDetail));
        return alert;
    });
}

QMessageBox* AppAlerts::warning(const std::string& message, const std::string& detail) {
    QMessageBox* alert = once(QStringLiteral("warning: ") + QString::fromStdString(message), [&] {
        auto* alert = box(QStringLiteral("Kestrove"));
        alert->setIcon(QMessageBox::Warning);
        alert->setText(QString::fromStdString(message));
        return alert;
    });
    // The latest reason, when the same thing went wrong another way.
    alert->setInformativeText(QString::fromStdString(detail));
    return alert;
}

}  // namespace kestrove
