#include "app/menu/panel_window.hpp"

#include <QCloseEvent>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/look/panel_fit.hpp"

namespace kestrove {

PanelWindow::PanelWindow(const QString& title)
    // A title and a close box, nothing to minimise or maximise.
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
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

void PanelWindow::fit(int width, int height) {
    // Equal least and greatest sizes: the window manager offers no resizing.
    setFixedSize(width, height);
}

void PanelWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
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
