#include "app/creation/panel_root.hpp"

#include <QBoxLayout>
#include <QEvent>

#include "app/creation/cards.hpp"
#include "app/creation/input_stage.hpp"
#include "app/creation/key_panel.hpp"

namespace kestrove {

PanelRoot::PanelRoot(NewWatchModel& model, QImage thumbnail, QWidget* parent)
    : QWidget(parent), model_(model), thumbnail_(std::move(thumbnail)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    shown_ = model_.stage();
    view_ = viewFor(model_, shown_, thumbnail_);
    layout->addWidget(view_);
    subscription_ = model_.observe([this] {
        if (!(model_.stage() == shown_)) showStage();
    });
}

StageView* PanelRoot::viewFor(NewWatchModel& model, const NewWatchStage& stage, const QImage& thumbnail) {
    if (const auto* input = stage.as<NewWatchStage::Input>()) return new InputStage(model, input->message);
    if (const auto* confirm = stage.as<NewWatchStage::Confirm>()) return new ConfirmCard(model, confirm->spec, thumbnail);
    if (const auto* clarify = stage.as<NewWatchStage::Clarify>()) return new ClarifyCard(model, clarify->outcome, thumbnail);
    return new JudgeCard(model, stage.as<NewWatchStage::Judge>()->question, thumbnail);
}

void PanelRoot::showStage() {
    shown_ = model_.stage();
    // The old view may be the one whose button changed the stage: it goes
    // once that click has been handled.
    StageView* old = view_;
    layout()->removeWidget(old);
    old->hide();
    old->deleteLater();
    view_ = viewFor(model_, shown_, thumbnail_);
    layout()->addWidget(view_);
    if (isVisible()) view_->show();
    report();
}

void PanelRoot::onSize(std::function<void(int)> report) {
    report_ = std::move(report);
    this->report();
}

void PanelRoot::runDefault() {
    if (view_ && view_->defaultAction) view_->defaultAction();
}

int PanelRoot::contentHeight() const { return panelContentHeight(*this, width); }

void PanelRoot::report() {
    if (report_) report_(contentHeight());
}

bool PanelRoot::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // Something inside asked for a new layout: a text, a chip, a note.
    if (event->type() == QEvent::LayoutRequest) report();
    return handled;
}

}  // namespace kestrove
