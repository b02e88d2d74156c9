#include "app/menu/telegram_connect_view.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/look/brand.hpp"
#include "app/look/spinner.hpp"
#include "app/menu/telegram_logo.hpp"
#include "app/menu/window_style.hpp"
#include "core/copy/copy_catalogue.hpp"

namespace kestrove {

namespace {

using Kind = TelegramConnectModel::Phase::Kind;

QString q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A green tick in a filled circle, `side` points across.
class Tick : public QWidget {
public:
    explicit Tick(int side, QWidget* parent = nullptr) : QWidget(parent) { setFixedSize(side, side); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(width() / 20.0, height() / 20.0);
        p.setPen(Qt::NoPen);
        p.setBrush(WindowStyle::green(palette()));
        p.drawEllipse(QRectF(1, 1, 18, 18));
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        QPainterPath mark;
        mark.moveTo(5.8, 10.2);
        mark.lineTo(8.7, 13.1);
        mark.lineTo(14.3, 7.2);
        p.drawPath(mark);
    }
};

}  // namespace

QRTile::QRTile(std::optional<QImage> code, QWidget* parent) : QWidget(parent), code_(std::move(code)) {
    setFixedSize(side, side);
    setAccessibleName(QStringLiteral("QR code that opens the Kestrove chat in Telegram"));
}

void QRTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 8, 8);
    p.setClipPath(shape);
    p.fillRect(rect(), Qt::white);
    if (code_) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRectF(rect()), *code_);
    }
    p.setClipping(false);
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.12f);
    p.setPen(QPen(edge, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7.5, 7.5);
}

TelegramConnectView::TelegramConnectView(TelegramConnectModel& model, QWidget* parent)
    : QWidget(parent), model_(model), column_(new QVBoxLayout(this)) {
    column_->setContentsMargins(24, 24, 24, 24);
    column_->setSpacing(18);
    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    auto* logo = new TelegramLogo(this);
    logo->setFixedSize(32, 32);
    header->addWidget(logo);
    header->addWidget(WindowStyle::label(q(Copy::telegramTitle), Brand::font(20, QFont::DemiBold), false, false, this));
    header->addStretch(1);
    column_->addLayout(header);
    refreshFromModel();
}

QWidget* TelegramConnectView::message(const QString& text) {
    auto* box = new QWidget;
    box->setMinimumHeight(60);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(WindowStyle::label(text, Brand::font(15, QFont::DemiBold), false, true, box));
    layout->addStretch(1);
    return box;
}

QWidget* TelegramConnectView::content() {
    openHere_ = nullptr;
    const auto& phase = model_.phase();
    switch (phase.kind) {
    case Kind::starting: {
        auto* box = new QWidget;
        box->setMinimumHeight(60);
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(10);
        row->addWidget(new Spinner(16, box), 0, Qt::AlignVCenter);
        row->addWidget(WindowStyle::label(q(Copy::telegramGettingCode), Brand::font(13), true, false, box), 0,
                       Qt::AlignVCenter);
        row->addStretch(1);
        return box;
    }
    case Kind::waiting: {
        auto* box = new QWidget;
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(18);
        auto* top = new QHBoxLayout;
        top->setSpacing(20);
        top->addWidget(new QRTile(model_.qr(), box), 0, Qt::AlignTop);
        auto* side = new QVBoxLayout;
        side->setSpacing(10);
        side->addWidget(WindowStyle::label(q(Copy::telegramScan), Brand::font(14), false, true, box));
        auto* waiting = new QHBoxLayout;
        waiting->setSpacing(8);
        waiting->addWidget(new Spinner(12, box), 0, Qt::AlignVCenter);
        waiting->addWidget(WindowStyle::label(q(Copy::telegramWaiting), Brand::font(13), true, false, box), 1);
        side->addLayout(waiting);
        openHere_ = new QPushButton(q(Copy::telegramOpenHere), box);
        openHere_->setFlat(true);
        openHere_->setFont(Brand::font(13));
        openHere_->setCursor(Qt::PointingHandCursor);
        openHere_->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0; text-align: left; color: %1; }")
                                     .arg(WindowStyle::link(palette()).name()));
        connect(openHere_, &QPushButton::clicked, this, [this] { model_.openTelegram(); });
        side->addWidget(openHere_, 0, Qt::AlignLeft);
        side->addStretch(1);
        top->addLayout(side, 1);
        column->addLayout(top);
        const auto disclosure = model_.localOnly() ? Copy::telegramDisclosureLocalOnly : Copy::telegramDisclosure;
        column->addWidget(WindowStyle::label(q(disclosure), Brand::font(12), true, true, box));
        return box;
    }
    case Kind::connected: {
        auto* box = new QWidget;
        box->setMinimumHeight(60);
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(12);
        row->addWidget(new Tick(28, box), 0, Qt::AlignTop);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(3);
        texts->addWidget(WindowStyle::label(q(Copy::telegramConnected), Brand::font(15, QFont::DemiBold), false, false, box));
        texts->addWidget(WindowStyle::label(q(Copy::telegramConnectedDetail), Brand::font(13), true, false, box));
        texts->addStretch(1);
        row->addLayout(texts, 1);
        return box;
    }
    case Kind::expired: return message(q(Copy::telegramExpired));
    case Kind::noBot: return message(q(Copy::telegramNoBot));
    case Kind::notSetUp: return message(q(Copy::telegramNotSetUp));
    case Kind::unreachable: break;
    }
    return message(q(Copy::serverUnreachable));
}

void TelegramConnectView::addButton(const QString& text, bool isDefault, std::function<void()> action) {
    auto* button = new QPushButton(text, buttonRow_);
    button->setFont(Brand::font(13));
    button->setAutoDefault(false);
    button->setDefault(isDefault);
    connect(button, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
    buttonRow_->layout()->addWidget(button);
    buttons_.push_back(button);
    if (isDefault) default_ = button;
}

void TelegramConnectView::refreshFromModel() {
    // The old parts may be inside a click of theirs: hidden now, deleted later.
    for (QWidget* old : {content_, buttonRow_}) {
        if (!old) continue;
        column_->removeWidget(old);
        old->hide();
        old->deleteLater();
    }
    content_ = content();
    content_->setParent(this);
    column_->addWidget(content_);

    buttonRow_ = new QWidget(this);
    auto* row = new QHBoxLayout(buttonRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addStretch(1);
    buttons_.clear();
    default_ = nullptr;
    auto done = [this] { model_.done(); };
    auto again = [this] { model_.start(); };
    switch (model_.phase().kind) {
    case Kind::starting:
    case Kind::waiting: addButton(q(Copy::buttonCancel), false, done); break;
    case Kind::expired:
        addButton(q(Copy::buttonClose), false, done);
        addButton(q(Copy::telegramNewCode), true, again);
        break;
    case Kind::connected: addButton(q(Copy::welcomeDone), true, done); break;
    case Kind::noBot:
    case Kind::notSetUp: addButton(q(Copy::buttonClose), true, done); break;
    case Kind::unreachable:
        addButton(q(Copy::buttonClose), false, done);
        addButton(q(Copy::telegramTryAgain), true, again);
        break;
    }
    column_->addWidget(buttonRow_);
    // Children made after the window was shown stay hidden until told.
    content_->show();
    buttonRow_->show();
    WindowStyle::updateSecondary(this);
}

void TelegramConnectView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) WindowStyle::updateSecondary(this);
    QWidget::changeEvent(event);
}

}  // namespace kestrove
