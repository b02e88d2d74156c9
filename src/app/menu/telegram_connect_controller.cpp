#include "app/menu/telegram_connect_controller.hpp"

#include <QDesktopServices>
#include <QPushButton>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

#include "app/menu/panel_window.hpp"
#include "app/menu/telegram_connect_view.hpp"
#include "core/copy/copy_catalogue.hpp"

namespace kestrove {

TelegramConnectController::TelegramConnectController(TelegramLink& link, EngineClock& clock,
                                                     std::function<void(const std::string&)> openUrl)
    : link_(link), clock_(clock), openUrl_(std::move(openUrl)) {}

TelegramConnectController::~TelegramConnectController() {
    if (model_) model_->stop();
    delete window_;
}

void TelegramConnectController::openWithDesktop(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void TelegramConnectController::show() {
    if (window_ && model_) {
        const auto kind = model_->phase().kind;
        // A finished attempt starts over; a running one keeps its code.
        if (kind != TelegramConnectModel::Phase::Kind::waiting && kind != TelegramConnectModel::Phase::Kind::starting)
            model_->start();
        bringForward();
        return;
    }
    model_ = std::make_shared<TelegramConnectModel>(&link_, clock_, openUrl_);
    window_ = new PanelWindow(QString::fromUtf8(Copy::telegramTitle.data()));
    view_ = new TelegramConnectView(*model_);
    window_->setContent(view_);
    window_->fit(TelegramConnectView::width, window_->fittingHeight(TelegramConnectView::width));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window_->move(screen->availableGeometry().center() - window_->rect().center());
    window_->onReturn = [this] {
        if (view_ && view_->defaultButton()) view_->defaultButton()->click();
    };
    model_->setOnDone([this] {
        if (window_) window_->close();
    });
    model_->setOnChange([this] { phaseChanged(); });
    window_->onClose = [this] { closed(); };
    bringForward();
    model_->start();
}

void TelegramConnectController::bringForward() {
    window_->show();
    window_->raise();
    window_->activateWindow();
}

// The content follows the model; the window's height follows the content,
// its top edge staying where it is.
void TelegramConnectController::phaseChanged() {
    if (!window_ || !view_) return;
    view_->refreshFromModel();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const int height = window_->fittingHeight(TelegramConnectView::width);
    // A window keeps its top-left corner when its size changes.
    if (height > 0 && height != window_->height()) window_->fit(TelegramConnectView::width, height);
}

void TelegramConnectController::closed() {
    if (!model_) return;
    model_->stop();
    model_->setOnChange({});
    model_->setOnDone({});
    // The window is inside its own close: it goes once that returns, and
    // the model with it (its buttons still point at the model until then).
    PanelWindow* window = std::exchange(window_, nullptr);
    QObject::connect(window, &QObject::destroyed, [keep = std::move(model_)] {});
    window->onClose = nullptr;
    window->deleteLater();
    view_ = nullptr;
}

}  // namespace kestrove
