#include "app/dev/stage.hpp"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QStyleFactory>

#include "app/dev/stage_script.hpp"

namespace kestrove::DevAX {

namespace {

QLabel* label(QWidget* parent, int y, int height, int pixelSize) {
    auto* l = new QLabel(parent);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Medium);
    l->setFont(font);
    l->setGeometry(24, y, 392, height);
    return l;
}

// Light whatever the desktop's appearance: white ground, black text.
void paintLight(QWidget& w) {
    QPalette p = w.palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::Text, Qt::black);
    w.setPalette(p);
    w.setAutoFillBackground(true);
}

}  // namespace

Stage::Stage() {
    window_.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowMinimizeButtonHint);
    window_.setWindowTitle(QStringLiteral("Kestrove AX check"));
    window_.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    paintLight(window_);
    counter_ = label(&window_, 16, 26, 18);
    bar_ = new QProgressBar(&window_);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    bar_->setGeometry(24, 58, 392, 12);
    status_ = label(&window_, 78, 28, 20);
    price_ = label(&window_, 128, 36, 26);
    for (int i = 0; i < 3; ++i) log_[i] = label(&window_, 186 + 28 * i, 24, 16);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    window_.setFixedSize(stageWidth, stageHeight);
    window_.setGeometry(visible.x() + visible.width() - stageWidth - 48,
                        visible.y() + visible.height() - stageHeight - 48, stageWidth, stageHeight);
    show(0);
}

Stage::~Stage() = default;

void Stage::show(long long step) {
    const StageStep s = stageStep(step);
    counter_->setText(QString::fromStdString(s.counter));
    bar_->setValue(s.percent);
    status_->setText(QString::fromStdString(s.status));
    price_->setText(QString::fromStdString(s.price));
    for (int i = 0; i < 3; ++i) log_[i]->setText(QString::fromStdString(s.log[i]));
    // Drawn now, so a capture right after the command shows this step.
    if (window_.isVisible()) window_.repaint();
}

void Stage::obey(std::string_view line) {
    using Kind = StageCommand::Kind;
    const StageCommand c = parseStageCommand(line);
    switch (c.kind) {
        case Kind::show: show(c.step); break;
        case Kind::cover: setCovered(c.on); break;
        case Kind::hide:
            // The whole application: every window of it unmapped.
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible()) {
                    hidden_.emplace_back(w);
                    w->hide();
                }
            break;
        case Kind::unhide:
            for (const QPointer<QWidget>& w : hidden_)
                if (w) {
                    w->setAttribute(Qt::WA_ShowWithoutActivating);
                    w->show();
                }
            hidden_.clear();
            break;
        case Kind::minimize: window_.showMinimized(); break;
        case Kind::close: window_.close(); break;
        case Kind::quit: QCoreApplication::exit(0); break;
        case Kind::ignored: break;
    }
}

void Stage::setCovered(bool on) {
    if (!on) {
        cover_.reset();
        return;
    }
    if (cover_) return;
    cover_ = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                                    Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
    cover_->setWindowTitle(QStringLiteral("Kestrove AX cover"));
    cover_->setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette p = cover_->palette();
    p.setColor(QPalette::Window, QColor(64, 64, 64));
    p.setColor(QPalette::WindowText, Qt::white);
    cover_->setPalette(p);
    cover_->setAutoFillBackground(true);
    const QRect around = window_.frameGeometry().adjusted(-10, -10, 10, 10);
    cover_->setGeometry(around);
    auto* note = new QLabel(QStringLiteral("Kestrove --ax-check: cover (closes by itself)"), cover_.get());
    note->setGeometry(20, around.height() - 20 - 20, 400, 20);
    cover_->show();
    cover_->raise();
}

}  // namespace kestrove::DevAX
