#include "app/menu/menu_panel.hpp"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>

#include "app/menu/menu_view.hpp"
#include "app/look/panel_fit.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "core/foundation/log.hpp"
#include "core/menu/menu_layout.hpp"
#include "core/menu/menu_placement.hpp"

namespace kestrove {

namespace {

// The window manager maps a new window a moment after it is shown, and a
// grab of an unmapped window fails: tries this often, 20 ms apart, then
// every quarter second for as long as another program holds the keyboard.
constexpr int quickGrabAttempts = 50;
constexpr int quickGrabMs = 20;
constexpr int slowGrabMs = 250;

Rect toRect(const QRect& r) { return {double(r.x()), double(r.y()), double(r.width()), double(r.height())}; }

QRect toQRect(const Rect& r) {
    return {static_cast<int>(std::lround(r.x)), static_cast<int>(std::lround(r.y)),
            static_cast<int>(std::lround(r.width)), static_cast<int>(std::lround(r.height))};
}

// Whether a global point lies on an open menu of ours (the More menu).
bool onOpenMenu(const QPoint& at) {
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [&](const QWidget* w) {
        return w->isVisible() && w->windowType() == Qt::Popup && w->geometry().contains(at);
    });
}

QPainterPath outline(const QRectF& r) {
    QPainterPath path;
    path.addRoundedRect(r, MenuPanelWindow::radius, MenuPanelWindow::radius);
    return path;
}

}  // namespace

MenuPanelWindow::MenuPanelWindow(MenuView* content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), content_(content) {
    setWindowTitle(QStringLiteral("Kestrove"));
    setAccessibleName(QStringLiteral("Kestrove"));
    content->setParent(this);
    // The window itself holds the keyboard at first, so no control shows a
    // focus ring until Tab moves into them.
    setFocusPolicy(Qt::StrongFocus);
    resize(static_cast<int>(MenuLayout::width), 200);
}

void MenuPanelWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}

// A card must not move away from under the pointer, nor another take its
// place: a second click would land on another watch.
void MenuPanelWindow::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    content_->holdPlaces(true);
}

void MenuPanelWindow::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    content_->holdPlaces(false);
}

void MenuPanelWindow::resizeEvent(QResizeEvent*) {
    content_->setGeometry(0, 0, width(), std::max(height(), panelContentHeight(*content_, width())));
    // No compositor can be counted on: the corners are cut by a shape.
    setMask(QRegion(outline(QRectF(rect())).toFillPolygon().toPolygon()));
}

void MenuPanelWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().color(QPalette::Window));
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.12f);
    // A hairline just inside the edge.
    p.strokePath(outline(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25)), QPen(edge, 0.5));
}

MenuPanelController::MenuPanelController(MenuModel& model)
    : model_(model), view_(new MenuView(model)), window_(new MenuPanelWindow(view_)) {
    view_->onResized = [this] {
        layout(panelContentHeight(*view_, static_cast<int>(MenuLayout::width)));
        // Parts that changed may measure right only once laid out: look
        // again on the next turn of the loop.
        postTo(window_, [this] { layout(panelContentHeight(*view_, static_cast<int>(MenuLayout::width))); });
    };
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), window_);
    escape_->setContext(Qt::WindowShortcut);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, this, [this] { closeByRule(); });
    // While the panel holds the keyboard the hot key's own grab cannot
    // fire: the panel answers it as the hot key would.
    hotKey_ = new QShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_B), window_);
    hotKey_->setContext(Qt::WindowShortcut);
    hotKey_->setEnabled(false);
    connect(hotKey_, &QShortcut::activated, this, [this] {
        if (auto start = model_.onNewWatch) start();
    });
    window_->installEventFilter(this);
}

MenuPanelController::~MenuPanelController() {
    presses_.reset();
    unwatch();
    delete window_;
}

bool MenuPanelController::isVisible() const { return window_->isVisible(); }

void MenuPanelController::show(const Rect& anchor, QScreen* screen, bool activate) {
    anchor_ = anchor;
    screen_ = screen;
    fitWall();
    // Opened again, the cards are in order.
    view_->holdPlaces(false);
    view_->catchUp();
    layout(panelContentHeight(*view_, static_cast<int>(MenuLayout::width)));
    presses_ = activate && listenForPresses ? listenForPresses([this] { pressedSomewhere(); }) : nullptr;
    const bool holding = presses_ != nullptr;
    // The window manager gives no focus to a window that refuses input, not
    // even on a click into it; changed only while hidden.
    if (window_->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus) != holding)
        window_->setWindowFlag(Qt::WindowDoesNotAcceptFocus, holding);
    window_->setAttribute(Qt::WA_ShowWithoutActivating, holding || !activate);
    window_->show();
    window_->raise();
    if (!activate) return;
    watch();
    if (holding) holdKeyboard(0);
    else window_->activateWindow();
}

void MenuPanelController::holdKeyboard(int attempt) {
    if (!watching_ || !presses_ || !window_->isVisible()) return;
    QWindow* handle = window_->windowHandle();
    if (handle && handle->setKeyboardGrabEnabled(true)) {
        held_ = true;
        hotKey_->setEnabled(true);
        return;
    }
    if (attempt + 1 == quickGrabAttempts)
        logLine("the tray panel cannot take the keyboard yet (another program holds it)");
    QTimer::singleShot(attempt + 1 < quickGrabAttempts ? quickGrabMs : slowGrabMs, this,
                       [this, attempt] { holdKeyboard(attempt + 1); });
}

void MenuPanelController::pressedSomewhere() {
    if (!watching_ || !window_->isVisible()) return;
    const QPoint at = QCursor::pos();
    // A press beside an open menu of ours closes the menu and the panel
    // both: the keyboard goes where the press went, not back to the panel.
    if (window_->geometry().contains(at) || onOpenMenu(at) || (onIcon && onIcon(at))) return;
    closeByRule();
}

void MenuPanelController::closeUnlessOurs(const QPoint& pointer) {
    // Our own menus (the More menu) take the keyboard for a while and close
    // themselves on a click beside them; the tray icon's press toggles the
    // panel by itself.
    if (QApplication::activePopupWidget() || (onIcon && onIcon(pointer))) return;
    closeByRule();
}

void MenuPanelController::fitWall() {
    if (!screen_) return;
    const bool updateRow = model_.update().kind != UpdateNote::Kind::none;
    model_.setWallLimit(MenuPlacement::wallLimit(screen_->availableGeometry().height(), updateRow));
}

void MenuPanelController::layout(double height) {
    if (height <= 1 || !screen_) return;
    const QRect frame = toQRect(MenuPlacement::frame(anchor_, toRect(screen_->availableGeometry()), height));
    if (window_->geometry() != frame) window_->setGeometry(frame);
}

void MenuPanelController::close() {
    unwatch();
    // Its menus are windows of their own, which hiding the panel leaves open.
    for (QMenu* menu : window_->findChildren<QMenu*>())
        if (menu->isVisible()) menu->close();
    if (held_ && window_->windowHandle()) window_->windowHandle()->setKeyboardGrabEnabled(false);
    held_ = false;
    presses_.reset();
    window_->hide();
}

void MenuPanelController::closeByRule() {
    if (!window_->isVisible()) return;
    close();
    if (auto closed = onClose) closed();
}

void MenuPanelController::watch() {
    unwatch();
    watching_ = true;
    escape_->setEnabled(true);
    auto changed = [this] { closeByRule(); };
    auto* app = qApp;
    watches_.push_back(connect(app, &QGuiApplication::screenAdded, this, changed));
    watches_.push_back(connect(app, &QGuiApplication::screenRemoved, this, changed));
    for (QScreen* s : QGuiApplication::screens()) {
        watches_.push_back(connect(s, &QScreen::geometryChanged, this, changed));
        watches_.push_back(connect(s, &QScreen::availableGeometryChanged, this, changed));
    }
    // A menu of ours takes the keyboard while it is open and lets go of it
    // on closing: the panel takes it back.
    for (QMenu* menu : window_->findChildren<QMenu*>()) {
        watches_.push_back(connect(menu, &QMenu::aboutToHide, this, [this] {
            if (held_) postTo(window_, [this] { holdKeyboard(0); });
        }));
        // Qt's menu takes the pointer too, so a press on another program
        // would only close it. Presses elsewhere are heard: the menu lets
        // the pointer go, and the press reaches the program pressed.
        watches_.push_back(connect(menu, &QMenu::aboutToShow, this, [this, menu] {
            postTo(menu, [this, menu] {
                if (presses_ && menu->isVisible() && menu->windowHandle())
                    menu->windowHandle()->setMouseGrabEnabled(false);
            });
        }));
    }
}

void MenuPanelController::unwatch() {
    watching_ = false;
    escape_->setEnabled(false);
    hotKey_->setEnabled(false);
    for (const auto& c : watches_) disconnect(c);
    watches_.clear();
}

bool MenuPanelController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::WindowDeactivate && watching_) closeUnlessOurs(QCursor::pos());
    return QObject::eventFilter(watched, event);
}

}  // namespace kestrove
