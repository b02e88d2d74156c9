#include "app/menu/panel_window.hpp"

#include <QCloseEvent>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/look/panel_fit.hpp"
#include "app/menu/window_style.hpp"

namespace kestrove {

PanelWindow::PanelWindow(const QString& title)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), this);
        connect(enter, &QShortcut::activated, this, [this] {
            if (auto press = onReturn) press();
        });
    }
}

void PanelWindow::setContent(QWidget* content) {
    if (content_) {
        layout()->removeWidget(content_);
        content_->deleteLater();
    }
    content_ = content;
    layout()->addWidget(content);
}

int PanelWindow::fittingHeight(int width) const { return content_ ? panelContentHeight(*content_, width) : 0; }

void PanelWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(WindowStyle::isDark(palette()) ? 0.25f : 0.18f);
    p.setPen(edge);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PanelWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    // A copy: the owner may let go of the window from inside the call.
    if (isVisible() && onClose) {
        auto closing = onClose;
        closing();
    }
}

}  // namespace kestrove
