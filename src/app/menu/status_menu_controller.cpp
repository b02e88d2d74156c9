#include "app/menu/status_menu_controller.hpp"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <numeric>
#include <set>

#include "app/look/qt_image.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "core/copy/copy_status.hpp"
#include "core/foundation/log.hpp"
#include "core/foundation/time_of_day.hpp"

namespace kestrove {

namespace {

// Rows in this order of states; the manager's order within each.
int rank(WatchStatus s) {
    switch (s) {
        case WatchStatus::watching: return 0;
        case WatchStatus::lostSight: return 1;
        case WatchStatus::paused: return 2;
        case WatchStatus::finished: return 3;
    }
    return 4;
}

}  // namespace

StatusMenuController::StatusMenuController(Services services, StatusMenuActions* actions)
    : services_(std::move(services)), actions_(actions), dot_(services_.clock, [this](double scale) {
          look_.dotScale = scale;
          showLook();
      }) {
    if (!services_.timeText) services_.timeText = [](Date d) { return TimeOfDay::shortTime(d); };
    if (!services_.alert) services_.alert = [](const std::string& message, const std::string&) { logLine(message); };
    if (!services_.openUrl)
        services_.openUrl = [](const Url& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url.toString()))); };
    if (!services_.quit) services_.quit = [] { QCoreApplication::quit(); };
    QPointer<StatusMenuController> self(this);
    services_.item.onPress = [self] {
        if (self) self->toggle();
    };
    showLook();
    wire();
    refresh();
}

StatusMenuController::~StatusMenuController() { services_.item.onPress = nullptr; }

StatusMenuActions* StatusMenuController::actions() { return actions_; }

MenuPanelController& StatusMenuController::panel() {
    if (!panel_) {
        panel_ = std::make_unique<MenuPanelController>(model_);
        panel_->listenForPresses = services_.presses;
        // A focus change while the pointer is on the icon is the icon's own
        // press, which toggles the panel by itself.
        panel_->onIcon = [this](const QPoint& at) {
            const auto area = services_.item.geometry();
            return area && area->contains(at);
        };
    }
    return *panel_;
}

bool StatusMenuController::panelVisible() const { return panel_ && panel_->isVisible(); }

void StatusMenuController::showLook() {
    services_.item.setLook(look_);
}

void StatusMenuController::setHighlighted(bool on) {
    if (look_.highlighted == on) return;
    look_.highlighted = on;
    showLook();
}

void StatusMenuController::refresh() {
    const int n = services_.manager.activeCount();
    if (look_.count != n) {
        look_.count = n;
        showLook();
    }
    services_.item.setName(QString::fromStdString(Copy::statusItemName(n)));
    updateModel(false);
}

void StatusMenuController::popDot() { dot_.play(); }

void StatusMenuController::toggle() {
    if (!panelVisible()) {
        open();
        return;
    }
    panel_->close();
    setHighlighted(false);
}

void StatusMenuController::open() {
    // Under the icon when the tray says where it is, else at the pointer.
    const auto icon = services_.item.geometry();
    const QRect anchor = icon ? *icon : QRect(QCursor::pos(), QSize(0, 0));
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    model_.setLaunchAtLogin(services_.launchAtLogin.enabled());
    updateModel(true);
    QPointer<StatusMenuController> self(this);
    panel().onClose = [self] {
        if (self) self->setHighlighted(false);
    };
    panel().show({double(anchor.x()), double(anchor.y()), double(anchor.width()), double(anchor.height())}, screen,
                 true);
    postTo(this, [this] {
        if (panelVisible()) setHighlighted(true);
    });
}

void StatusMenuController::closeFirst() {
    if (panel_) panel_->close();
    setHighlighted(false);
}

MenuModel::Monitor StatusMenuController::row(const WatchRecord& r) {
    const auto& id = r.id();
    const int interval = services_.manager.interval(id);
    const std::optional<std::string> barkTime =
        r.lastBarkAt ? std::optional(services_.timeText(*r.lastBarkAt)) : std::nullopt;
    const auto trouble = services_.manager.trouble(id);
    const bool directOnly = services_.manager.isDirectOnly(id);
    MenuModel::Monitor m;
    m.id = id;
    m.status = r.status;
    m.line = Copy::stateLine(r, interval, barkTime, trouble, directOnly);
    m.tag = Copy::tag(r.status, interval, barkTime, false, trouble, directOnly);
    m.muted = r.status == WatchStatus::lostSight || (r.status == WatchStatus::watching && trouble.has_value());
    m.sentence = r.spec.command;
    m.woof = Copy::notificationTitle(r.spec);
    if (r.spec.type == WatchType::numberCompare) m.read = r.lastRead;
    m.scale = r.spec.region.scale;
    return m;
}

void StatusMenuController::updateModel(bool pictures) {
    auto& manager = services_.manager;
    const auto& records = manager.records();
    std::vector<std::size_t> order(records.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return rank(records[a].status) < rank(records[b].status); });
    std::vector<MenuModel::Monitor> rows;
    rows.reserve(order.size());
    for (std::size_t i : order) rows.push_back(row(records[i]));

    std::set<std::string> ids;
    for (const auto& m : rows) ids.insert(m.id);
    auto table = model_.pictures();
    const bool stale = std::erase_if(table, [&](const auto& entry) { return !ids.contains(entry.first); }) > 0;
    if (pictures || panelVisible()) {
        for (const auto& m : rows) {
            if (!pictures && table.contains(m.id)) continue;
            // The latest picture, else the saved crop (the manager keeps it from then on).
            const auto picture = manager.picture(m.id);
            if (picture)
                table[m.id] = qImageFromImage(*picture);
            else
                table.erase(m.id);
        }
        model_.setMonitors(std::move(rows), std::move(table));
    } else if (stale) {
        model_.setMonitors(std::move(rows), std::move(table));
    } else {
        model_.setMonitors(std::move(rows));
    }

    model_.setTelegramConnected(services_.telegram.connected());
    model_.setLocalOnly(manager.cloud().localOnly());
    model_.setKeepAwake(services_.defaults->boolean(WatchManager::keepAwakeKey));
    model_.setAllPaused(manager.allPaused());
    const bool anyActive = std::any_of(records.begin(), records.end(), [](const auto& r) { return r.isActive(); });
    model_.setCanPauseAll(anyActive || manager.allPaused());
    model_.setHasFinished(
        std::any_of(records.begin(), records.end(), [](const auto& r) { return r.status == WatchStatus::finished; }));
}

void StatusMenuController::wire() {
    QPointer<StatusMenuController> self(this);
    auto& manager = services_.manager;
    manager.onPicture = [self](const std::string& id) {
        if (!self || !self->panelVisible()) return;
        const auto picture = self->services_.manager.picture(id);
        if (!picture) return;
        auto table = self->model_.pictures();
        table[id] = qImageFromImage(*picture);
        self->model_.setPictures(std::move(table));
    };
    // A screen locker starts on the same notice and must find the keyboard
    // free: the panel and its menus let go of it by closing.
    manager.onScreensAway = [self] {
        if (self && self->panelVisible()) self->closeFirst();
    };
    // The callbacks live in the model, which lives in this controller.
    auto& m = model_;
    auto withActions = [this](void (StatusMenuActions::*action)(), bool closing) {
        return [this, action, closing] {
            if (closing) closeFirst();
            if (StatusMenuActions* a = actions()) (a->*action)();
        };
    };
    m.onNewWatch = withActions(&StatusMenuActions::newWatch, true);
    m.onPause = [&manager](const std::string& id) { manager.pause(id); };
    m.onResume = [&manager](const std::string& id) { manager.resume(id); };
    m.onRemove = [&manager](const std::string& id) { manager.remove(id); };
    m.onWatchAgain = [&manager](const std::string& id) { manager.watchAgain(id); };
    m.onPauseAll = [&manager] { manager.allPaused() ? manager.resumeAll() : manager.pauseAll(); };
    m.onClearFinished = [&manager] { manager.clearFinished(); };
    m.onConnectTelegram = withActions(&StatusMenuActions::connectTelegram, true);
    // The panel stays open; the application unlinks in its own time.
    m.onDisconnectTelegram = withActions(&StatusMenuActions::disconnectTelegram, false);
    m.onSetLocalOnly = [this](bool on) {
        services_.manager.setLocalOnly(on);
        refresh();
    };
    m.onSetKeepAwake = [this](bool on) {
        services_.defaults->set(WatchManager::keepAwakeKey, DefaultsValue(on));
        services_.manager.updateKeepAwake();
        refresh();
    };
    // The value passed is not used: the state is flipped from what is read.
    m.onSetLaunchAtLogin = [this](bool) { toggleLaunchAtLogin(); };
    m.onWelcome = withActions(&StatusMenuActions::showWelcome, true);
    m.onAbout = withActions(&StatusMenuActions::showAbout, true);
    m.onQuit = [this] { services_.quit(); };
    services_.updates.setOnChange([self] {
        if (!self) return;
        self->model_.setUpdate(self->services_.updates.note());
        // The update row takes room from the wall.
        if (self->panel_) self->panel_->fitWall();
    });
    m.onCheckForUpdates = [this] { services_.updates.checkNow(); };
    m.onOpenUpdate = [this] {
        const UpdateNote note = services_.updates.note();
        const std::optional<Release> release =
            note.kind == UpdateNote::Kind::out && note.release ? note.release : services_.updates.found();
        if (!release) return;
        closeFirst();
        services_.openUrl(release->url);
    };
}

void StatusMenuController::toggleLaunchAtLogin() {
    const auto toggled = services_.launchAtLogin.toggle();
    if (toggled.error) {
        closeFirst();
        services_.alert(std::string(Copy::launchAtLoginFailed), *toggled.error + std::string(Copy::launchAtLoginAdvice));
    }
    model_.setLaunchAtLogin(toggled.enabled);
}

}  // namespace kestrove
