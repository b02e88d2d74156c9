#include "app/creation/input_stage.hpp"

#include <QBoxLayout>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "app/creation/panel_ink.hpp"
#include "app/creation/panel_texts.hpp"
#include "app/look/brand.hpp"
#include "app/look/flow_layout.hpp"
#include "app/look/hover_flag.hpp"
#include "app/look/mark_view.hpp"
#include "app/platform/main_thread_executor.hpp"

namespace kestrove {

namespace {

constexpr int indent = 30;  // under the field, past the mark
constexpr double chipPadX = 8, chipPadY = 4;

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

SuggestionChip::SuggestionChip(const QString& text, int index, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), hover_(new HoverFlag(this)) {
    setText(text);
    setFont(PanelInk::font(12));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + index)));
    setToolTip(PanelText::useSentence(index));
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) action();
    });
}

bool SuggestionChip::hovered() const { return hover_->on(); }

QSize SuggestionChip::sizeHint() const {
    const QFontMetricsF m(font());
    return {static_cast<int>(std::ceil(m.horizontalAdvance(text()) + 2 * chipPadX)),
            static_cast<int>(std::ceil(m.height() + 2 * chipPadY))};
}

void SuggestionChip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    QPainterPath capsule;
    capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
    p.fillPath(capsule, PanelInk::primary(palette(), hovered() ? 0.12 : 0.07));
    p.setPen(QPen(PanelInk::primary(palette(), 0.1), 0.5));
    p.drawPath(capsule);
    p.setPen(PanelInk::primary(palette()));
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

InputStage::InputStage(NewWatchModel& model, std::optional<std::string> message, QWidget* parent)
    : StageView(parent), model_(model), message_(std::move(message)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 12, 14, 12);
    column->setSpacing(10);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    auto* mark = new MarkView(Brand::signal());
    mark->setFixedSize(20, 20);
    row->addWidget(mark);
    field_ = new QLineEdit;
    field_->setFrame(false);
    field_->setFont(PanelInk::font(17));
    field_->setPlaceholderText(PanelText::fieldPlaceholder);
    field_->setAccessibleName(PanelText::fieldName);
    QPalette fieldInk = field_->palette();
    fieldInk.setColor(QPalette::Base, Qt::transparent);
    field_->setPalette(fieldInk);
    field_->setText(qs(model_.text()));
    row->addWidget(field_, 1);
    indicator_ = new Spinner(16);
    row->addWidget(indicator_);
    column->addLayout(row);

    note_ = CardParts::note(QString());
    note_->setContentsMargins(indent, 0, 0, 0);
    column->addWidget(note_);

    chipBox_ = new QWidget;
    auto* flow = new FlowLayout(6, 6, chipBox_);
    flow->setContentsMargins(indent, 0, 0, 0);
    column->addWidget(chipBox_);

    connect(field_, &QLineEdit::textEdited, this, [this](const QString& text) { model_.setText(text.toStdString()); });
    defaultAction = [this] { model_.submit(); };
    subscription_ = model_.observe([this] { refresh(); });
    refresh();
}

void InputStage::refresh() {
    if (field_->text().toStdString() != model_.text()) field_->setText(qs(model_.text()));
    const bool waiting = model_.isWaiting();
    indicator_->setVisible(waiting);
    indicator_->setAccessibleName(qs(model_.waitingFor().value_or(std::string(Copy::readingArea))));

    std::optional<std::string> note = model_.waitingFor() ? model_.waitingFor() : message_;
    note_->setText(note ? qs(*note) : QString());
    note_->setVisible(note.has_value());

    if (model_.suggestions() != shownSuggestions_) rebuildChips();
    chipBox_->setVisible(!chips_.empty() && !model_.waitingFor());
}

void InputStage::rebuildChips() {
    shownSuggestions_ = model_.suggestions();
    // A chip may be the one whose click brought new suggestions.
    for (SuggestionChip* chip : chips_) {
        chipBox_->layout()->removeWidget(chip);
        chip->hide();
        chip->deleteLater();
    }
    chips_.clear();
    for (std::size_t i = 0; i < shownSuggestions_.size(); ++i) {
        auto* chip = new SuggestionChip(qs(shownSuggestions_[i]), static_cast<int>(i) + 1,
                                        [this, i] { model_.useSuggestion(i); });
        chipBox_->layout()->addWidget(chip);
        chips_.push_back(chip);
    }
}

void InputStage::showEvent(QShowEvent* event) {
    StageView::showEvent(event);
    // After the panel became the active window, so typing goes straight in.
    postTo(field_, [field = field_] { field->setFocus(Qt::OtherFocusReason); });
}

}  // namespace kestrove
