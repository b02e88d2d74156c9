#include "app/menu/onboarding_view.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/look/brand.hpp"
#include "app/menu/app_badge.hpp"
#include "app/menu/window_style.hpp"
#include "core/copy/copy_catalogue.hpp"

namespace kestrove {

namespace {

QString q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The card behind the steps: a faint rounded panel with a faint edge.
class StepsCard : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor fill = palette().color(QPalette::WindowText);
        fill.setAlphaF(0.04f);
        QColor edge = fill;
        edge.setAlphaF(0.08f);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(edge, 1));
        p.setBrush(fill);
        p.drawRoundedRect(r, 10, 10);
    }
};

// A hairline divider starting `inset` points from the leading edge.
class Divider : public QWidget {
public:
    explicit Divider(int inset, QWidget* parent = nullptr) : QWidget(parent), inset_(inset) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QColor c = palette().color(QPalette::WindowText);
        c.setAlphaF(0.12f);
        p.fillRect(QRect(inset_, 0, width() - inset_, 1), c);
    }

private:
    int inset_;
};

}  // namespace

StepIcon::StepIcon(QWidget* parent) : QWidget(parent) { setFixedSize(20, 20); }

void StepIcon::set(int number, bool done) {
    number_ = number;
    done_ = done;
    setAccessibleName(done ? QStringLiteral("Done") : QStringLiteral("Step %1").arg(number));
    update();
}

void StepIcon::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(1, 1, 18, 18);
    if (done_) {
        p.setPen(Qt::NoPen);
        p.setBrush(WindowStyle::green(palette()));
        p.drawEllipse(circle);
        QPen tick(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(tick);
        p.setBrush(Qt::NoBrush);
        QPainterPath mark;
        mark.moveTo(5.8, 10.2);
        mark.lineTo(8.7, 13.1);
        mark.lineTo(14.3, 7.2);
        p.drawPath(mark);
        return;
    }
    const QColor ink = WindowStyle::secondary(palette());
    p.setPen(QPen(ink, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle.adjusted(0.3, 0.3, -0.3, -0.3));
    p.setFont(Brand::font(11, QFont::DemiBold));
    p.drawText(rect(), Qt::AlignCenter, QString::number(number_));
}

PermissionRow::PermissionRow(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(12);
    icon_ = new StepIcon(this);
    row->addWidget(icon_, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->setContentsMargins(0, 0, 0, 0);
    title_ = WindowStyle::label({}, Brand::font(13, QFont::DemiBold), false, true, this);
    detail_ = WindowStyle::label({}, Brand::font(12), true, true, this);
    note_ = WindowStyle::label({}, Brand::font(12), true, true, this);
    done_ = WindowStyle::label({}, Brand::font(12, QFont::Medium), true, false, this);
    // Extra room above the note, the done text and the buttons goes with
    // them, so a hidden one leaves none behind.
    note_->setContentsMargins(0, 2, 0, 0);
    done_->setContentsMargins(0, 4, 0, 0);
    texts->addWidget(title_);
    texts->addWidget(detail_);
    texts->addWidget(note_);
    texts->addWidget(done_);

    buttons_ = new QWidget(this);
    auto* buttonRow = new QHBoxLayout(buttons_);
    buttonRow->setContentsMargins(0, 6, 0, 0);
    buttonRow->setSpacing(8);
    button_ = new QPushButton(buttons_);
    second_ = new QPushButton(buttons_);
    for (QPushButton* b : {button_, second_}) {
        b->setFont(Brand::font(13));
        b->setAutoDefault(false);
        buttonRow->addWidget(b);
    }
    buttonRow->addStretch(1);
    texts->addWidget(buttons_);
    row->addLayout(texts, 1);

    connect(button_, &QPushButton::clicked, this, [this] {
        if (auto act = action_) act();
    });
    connect(second_, &QPushButton::clicked, this, [this] {
        if (auto act = secondAction_) act();
    });
}

void PermissionRow::set(const PermissionStep& step) {
    icon_->set(step.number, step.done);
    title_->setText(QString::fromStdString(step.title));
    detail_->setText(QString::fromStdString(step.detail));
    note_->setVisible(step.note.has_value());
    if (step.note) note_->setText(QString::fromStdString(*step.note));
    done_->setVisible(step.done);
    done_->setText(QString::fromStdString(step.doneText));
    buttons_->setVisible(!step.done);
    button_->setText(QString::fromStdString(step.button));
    action_ = step.action;
    const bool second = step.secondButton && step.secondAction;
    second_->setVisible(second);
    if (second) second_->setText(QString::fromStdString(*step.secondButton));
    secondAction_ = second ? step.secondAction : nullptr;
}

OnboardingView::OnboardingView(OnboardingModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(20);

    auto* header = new QHBoxLayout;
    header->setSpacing(14);
    auto* badge = new AppBadge(this);
    badge->setFixedSize(56, 56);
    header->addWidget(badge, 0, Qt::AlignVCenter);
    auto* greeting = new QVBoxLayout;
    greeting->setSpacing(4);
    greeting->addWidget(WindowStyle::label(q(Copy::welcomeTitle), Brand::font(20, QFont::DemiBold), false, false, this));
    greeting->addWidget(WindowStyle::label(q(Copy::welcomeBody), Brand::font(13), true, true, this));
    header->addLayout(greeting, 1);
    column->addLayout(header);

    card_ = new StepsCard(this);
    auto* steps = new QVBoxLayout(card_);
    steps->setContentsMargins(0, 0, 0, 0);
    steps->setSpacing(0);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (i > 0) steps->addWidget(new Divider(44, card_));
        rows_[i] = new PermissionRow(card_);
        steps->addWidget(rows_[i]);
    }
    column->addWidget(card_);

    auto* footer = new QHBoxLayout;
    const QString key = q(Copy::menuHotKey);
    QString hint = q(Copy::welcomeHint).toHtmlEscaped();
    hint.replace(key.toHtmlEscaped(), QStringLiteral("<span style=\"font-weight:600\">%1</span>").arg(key.toHtmlEscaped()));
    auto* hintLabel = WindowStyle::label(hint, Brand::font(12), true, false, this);
    hintLabel->setTextFormat(Qt::RichText);
    footer->addWidget(hintLabel);
    footer->addStretch(1);
    done_ = new QPushButton(q(Copy::welcomeDone), this);
    done_->setFont(Brand::font(13));
    done_->setDefault(true);
    connect(done_, &QPushButton::clicked, this, [this] {
        if (auto done = model_.onDone) done();
    });
    footer->addWidget(done_);
    column->addLayout(footer);

    WindowStyle::updateSecondary(this);
    refreshFromModel();
}

void OnboardingView::refreshFromModel() {
    const auto steps = onboardingSteps(model_);
    for (std::size_t i = 0; i < rows_.size(); ++i) rows_[i]->set(steps[i]);
}

void OnboardingView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) WindowStyle::updateSecondary(this);
    QWidget::changeEvent(event);
}

}  // namespace kestrove
