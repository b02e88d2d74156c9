#include "app/menu/menu_desk.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "app/look/brand.hpp"
#include "app/look/hover_flag.hpp"
#include "app/look/appearance.hpp"
#include "app/look/unspoken_label.hpp"
#include "app/menu/menu_ink.hpp"
#include "app/menu/window_style.hpp"
#include "app/menu/telegram_logo.hpp"
#include "app/menu/toggle_switch.hpp"
#include "core/copy/copy_catalogue.hpp"
#include "core/copy/copy_status.hpp"

namespace kestrove {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A row of the desk: a column of texts that takes the width left, then `control`.
QWidget* row(QWidget* texts, QWidget* control, int top, int bottom, int spacing = 12) {
    auto* w = new QWidget;
    auto* layout = new QHBoxLayout(w);
    layout->setContentsMargins(0, top, 0, bottom);
    layout->setSpacing(spacing);
    layout->addWidget(texts, 1);
    if (control) layout->addWidget(control, 0, Qt::AlignVCenter);
    return w;
}

// `into`: a label of another kind to fill, else a new one.
QLabel* label(const QString& text, const QFont& font, QLabel* into = nullptr) {
    auto* l = into ? into : new QLabel;
    l->setText(text);
    l->setFont(font);
    l->setTextFormat(Qt::PlainText);
    return l;
}

}  // namespace

DeskRule::DeskRule(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

QColor DeskRule::colour(bool dark) {
    return dark ? QColor::fromRgbF(1, 1, 1, 0.12f) : QColor::fromRgbF(0, 0, 0, 0.10f);
}

void DeskRule::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), colour(Appearance::isDark(palette())));
}

MoreButton::MoreButton(QWidget* parent) : QAbstractButton(parent), hover_(new HoverFlag(this)) {
    setToolTip(qs(Copy::menuMore));
    setAccessibleName(qs(Copy::menuMore));
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
}

void MoreButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor ink = palette().color(QPalette::WindowText);
    if (hover_->on() || isDown() || hasFocus()) {
        QColor back = ink;
        back.setAlphaF(isDown() ? 0.16f : 0.08f);
        p.setPen(Qt::NoPen);
        p.setBrush(back);
        p.drawRoundedRect(QRectF(rect()), 5, 5);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const QPointF c = QRectF(rect()).center();
    for (int i = -1; i <= 1; ++i) p.drawEllipse(c + QPointF(i * 5.5, 0), 1.6, 1.6);
}

MenuDesk::MenuDesk(MenuModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    // Button titles in 12 medium unless a control has a font of its own.
    setFont(Brand::font(12, QFont::Medium));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 10, 4, 0);
    layout->setSpacing(0);
    rules_ = {new DeskRule, new DeskRule, new DeskRule};
    updateRule_ = rules_[2];
    layout->addWidget(chatRow());
    layout->addWidget(rules_[0]);
    layout->addWidget(localOnlyRow());
    layout->addWidget(rules_[1]);
    layout->addWidget(updateRow_ = makeUpdateRow());
    layout->addWidget(updateRule_);
    layout->addWidget(actionsRow());
    buildMenu();
    sync();
}

QWidget* MenuDesk::chatRow() {
    auto* texts = new QWidget;
    auto* column = new QVBoxLayout(texts);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    auto* title = new QHBoxLayout;
    title->setSpacing(6);
    auto* logo = new TelegramLogo(texts);
    logo->setFixedSize(16, 16);
    title->addWidget(logo);
    title->addWidget(label(qs(Copy::menuTelegram), Brand::font(13, QFont::Medium)));
    title->addStretch(1);
    column->addLayout(title);
    column->addWidget(chatLine_ = label({}, Brand::font(12)));
    secondary_.push_back(chatLine_);
    chatButton_ = new QPushButton;
    connect(chatButton_, &QPushButton::clicked, this, [this] {
        MenuModel::call(model_.telegramConnected() ? model_.onDisconnectTelegram : model_.onConnectTelegram);
    });
    return row(texts, chatButton_, 8, 8);
}

QWidget* MenuDesk::localOnlyRow() {
    auto* texts = new QWidget;
    auto* column = new QVBoxLayout(texts);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    // The switch says both texts to a screen reader.
    column->addWidget(label(qs(Copy::menuLocalOnly), Brand::font(13, QFont::Medium), new UnspokenLabel({})));
    auto* line = label(qs(Copy::menuLocalOnlyLine), Brand::font(12), new UnspokenLabel({}));
    column->addWidget(line);
    secondary_.push_back(line);
    localOnly_ = new ToggleSwitch;
    localOnly_->setToolTip(qs(Copy::menuLocalOnlyHelp));
    localOnly_->setAccessibleName(qs(Copy::menuLocalOnly));
    localOnly_->setAccessibleDescription(qs(Copy::menuLocalOnlyLine));
    localOnly_->onFlip = [this](bool on) { MenuModel::call(model_.onSetLocalOnly, on); };
    return row(texts, localOnly_, 8, 8);
}

QWidget* MenuDesk::makeUpdateRow() {
    updateText_ = label({}, Brand::font(13, QFont::Medium));
    updateButton_ = new QPushButton(qs(Copy::updateOpen));
    connect(updateButton_, &QPushButton::clicked, this, [this] { MenuModel::call(model_.onOpenUpdate); });
    QWidget* w = row(updateText_, updateButton_, 8, 8);
    w->setMinimumHeight(24 + 16);
    return w;
}

QWidget* MenuDesk::actionsRow() {
    pauseAll_ = new QPushButton;
    connect(pauseAll_, &QPushButton::clicked, this, [this] { MenuModel::call(model_.onPauseAll); });
    clearFinished_ = new QPushButton(qs(Copy::menuClearFinished));
    connect(clearFinished_, &QPushButton::clicked, this, [this] { MenuModel::call(model_.onClearFinished); });
    more_ = new MoreButton;
    auto* w = new QWidget;
    auto* layout = new QHBoxLayout(w);
    layout->setContentsMargins(0, 8, 0, 2);
    layout->setSpacing(6);
    layout->addWidget(pauseAll_);
    layout->addWidget(clearFinished_);
    layout->addStretch(1);
    layout->addWidget(more_);
    return w;
}

void MenuDesk::buildMenu() {
    menu_ = new QMenu(this);
    keepAwake_ = menu_->addAction(qs(Copy::menuKeepAwake));
    keepAwake_->setCheckable(true);
    launchAtLogin_ = menu_->addAction(qs(Copy::menuLaunchAtLogin));
    launchAtLogin_->setCheckable(true);
    // Qt ticks the entry itself; the model's value is put back at once.
    connect(keepAwake_, &QAction::triggered, this, [this](bool on) {
        keepAwake_->setChecked(model_.keepAwake());
        MenuModel::call(model_.onSetKeepAwake, on);
    });
    connect(launchAtLogin_, &QAction::triggered, this, [this](bool on) {
        launchAtLogin_->setChecked(model_.launchAtLogin());
        MenuModel::call(model_.onSetLaunchAtLogin, on);
    });
    menu_->addSeparator();
    connect(menu_->addAction(qs(Copy::menuWelcome)), &QAction::triggered, this,
            [this] { MenuModel::call(model_.onWelcome); });
    connect(menu_->addAction(qs(Copy::menuAbout)), &QAction::triggered, this, [this] { MenuModel::call(model_.onAbout); });
    connect(menu_->addAction(qs(Copy::menuCheckForUpdates)), &QAction::triggered, this,
            [this] { MenuModel::call(model_.onCheckForUpdates); });
    menu_->addSeparator();
    quit_ = menu_->addAction(qs(Copy::menuQuit));
    quit_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(quit_, &QAction::triggered, this, [this] { MenuModel::call(model_.onQuit); });
    // Ctrl+Q works while the panel has the keyboard, not only in the open menu.
    addAction(quit_);
    connect(more_, &QAbstractButton::clicked, this, [this] {
        menu_->popup(more_->mapToGlobal(QPoint(more_->width() - menu_->sizeHint().width(), more_->height())));
    });
}

int MenuDesk::rulesShown() const {
    int n = 0;
    for (const auto* rule : rules_)
        if (!rule->isHidden()) ++n;
    return n;
}

void MenuDesk::sync() {
    const bool connected = model_.telegramConnected();
    chatLine_->setText(qs(connected ? Copy::menuTelegramConnected : Copy::menuTelegramOffer));
    chatButton_->setText(qs(connected ? Copy::menuDisconnect : Copy::menuConnect));
    chatButton_->setAccessibleName(qs(connected ? Copy::menuDisconnectSpoken : Copy::menuConnectSpoken));
    localOnly_->setOn(model_.localOnly());

    const UpdateNote& note = model_.update();
    const bool out = note.kind == UpdateNote::Kind::out && note.release;
    updateRow_->setHidden(note.kind == UpdateNote::Kind::none);
    updateRule_->setHidden(note.kind == UpdateNote::Kind::none);
    updateButton_->setVisible(out);
    // The release line in 13 medium; the passing remarks in 12, secondary.
    updateText_->setFont(out ? Brand::font(13, QFont::Medium) : Brand::font(12));
    switch (note.kind) {
        case UpdateNote::Kind::out:
            updateText_->setText(out ? QString::fromStdString(Copy::updateOut(note.release->version)) : QString());
            updateText_->setToolTip(out && note.release->notes ? QString::fromStdString(*note.release->notes) : QString());
            break;
        case UpdateNote::Kind::checking: updateText_->setText(qs(Copy::updateChecking)); break;
        case UpdateNote::Kind::upToDate: updateText_->setText(qs(Copy::updateNone)); break;
        case UpdateNote::Kind::unknown: updateText_->setText(qs(Copy::updateUnknown)); break;
        case UpdateNote::Kind::notSetUp: updateText_->setText(qs(Copy::updateNotSetUp)); break;
        case UpdateNote::Kind::none: updateText_->clear(); break;
    }
    if (!out) updateText_->setToolTip({});
    colourSecondary();

    pauseAll_->setText(qs(model_.allPaused() ? Copy::menuResumeAll : Copy::menuPauseAll));
    pauseAll_->setEnabled(model_.canPauseAll());
    clearFinished_->setVisible(model_.hasFinished());
    keepAwake_->setChecked(model_.keepAwake());
    launchAtLogin_->setChecked(model_.launchAtLogin());
}

void MenuDesk::colourSecondary() {
    auto paint = [this](QLabel* l, bool secondary) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, secondary ? WindowStyle::secondary(palette()) : palette().color(QPalette::WindowText));
        l->setPalette(p);
    };
    for (QLabel* l : secondary_) paint(l, true);
    paint(updateText_, model_.update().kind != UpdateNote::Kind::out);
}

void MenuDesk::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) colourSecondary();
}

}  // namespace kestrove
