#include "app/menu/onboarding_controller.hpp"

#include <QGuiApplication>
#include <QCoreApplication>
#include <QLayout>
#include <QPushButton>
#include <QScreen>

#include "app/menu/onboarding_view.hpp"
#include "app/menu/panel_window.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "core/copy/copy_catalogue.hpp"

namespace kestrove {

OnboardingController::OnboardingController(OnboardingModel::Services services, EngineClock& clock,
                                           std::shared_ptr<DefaultsStore> defaults)
    : clock_(clock), defaults_(std::move(defaults)), model_(std::move(services)) {}

OnboardingController::~OnboardingController() {
    timer_.cancel();
    if (window_) window_->onClose = nullptr;
}

void OnboardingController::show(bool activate, bool refused) {
    if (refused) {
        model_.markCaptureRefused();
        if (defaults_) defaults_->set(OnboardingModel::resumeKey, true);
    }
    if (!window_) {
        window_ = std::make_unique<PanelWindow>(QString::fromUtf8(Copy::menuWelcome.data()));
        view_ = new OnboardingView(model_);
        window_->setContent(view_);
        window_->onClose = [this] { closed(); };
        window_->onReturn = [this] { view_->doneButton()->click(); };
        model_.defaults = defaults_;
        model_.onDone = [this] {
            model_.finished();
            if (window_) window_->close();
        };
        model_.setOnChange([this] {
            view_->refreshFromModel();
            resize();
            // A row whose texts changed may measure right only once laid
            // out: look again on the next turn of the loop.
            postTo(window_.get(), [this] { resize(); });
        });
        resize();
        if (QScreen* screen = QGuiApplication::primaryScreen())
            window_->move(screen->availableGeometry().center() - window_->rect().center());
    }
    if (defaults_ && defaults_->boolean(OnboardingModel::resumeKey)) model_.setAskedForScreen(true);

    if (activate) {
        model_.refresh();
        window_->setWindowOpacity(1);
        window_->setAttribute(Qt::WA_ShowWithoutActivating, false);
        window_->show();
        window_->raise();
        window_->activateWindow();
        scheduleRefresh();
    } else {
        window_->setWindowOpacity(0);
        window_->setAttribute(Qt::WA_ShowWithoutActivating, true);
        window_->show();
        window_->raise();
    }
}

void OnboardingController::scheduleRefresh() {
    // One timer at a time: a new one replaces the one running.
    timer_ = clock_.after(refreshEvery, [this] {
        model_.refresh();
        scheduleRefresh();
    });
}

void OnboardingController::resize() {
    if (!window_) return;
    // Wrapped texts beside other items measure right only once laid out at
    // the final width: settle, measure, and again until the height holds.
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const int height = window_->fittingHeight(OnboardingView::width);
        if (window_->size() == QSize(OnboardingView::width, height)) break;
        window_->fit(OnboardingView::width, height);
        window_->layout()->activate();
    }
}

void OnboardingController::closed() {
    model_.finished();
    timer_.cancel();
}

}  // namespace kestrove
