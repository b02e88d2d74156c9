#pragma once
// The bottom of the tray panel: the chat row, Local Only, the update line
// when there is one, and the row of global actions with the More menu.
// Every control calls one of the model's callbacks; every switch shows the
// model's value.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include "app/menu/menu_model.hpp"

namespace kestrove {

class HoverFlag;
class ToggleSwitch;

// The 1-point line between the desk's rows.
class DeskRule : public QWidget {
public:
    explicit DeskRule(QWidget* parent = nullptr);
    static QColor colour(bool dark);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The "…" button that opens the More menu.
class MoreButton : public QAbstractButton {
public:
    explicit MoreButton(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {28, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HoverFlag* hover_;
};

class MenuDesk : public QWidget {
public:
    explicit MenuDesk(MenuModel& model, QWidget* parent = nullptr);
    void sync();

    QPushButton* chatButton() const { return chatButton_; }
    QLabel* chatLine() const { return chatLine_; }
    ToggleSwitch* localOnly() const { return localOnly_; }
    QWidget* updateRow() const { return updateRow_; }
    QLabel* updateText() const { return updateText_; }
    QPushButton* updateButton() const { return updateButton_; }
    QPushButton* pauseAll() const { return pauseAll_; }
    QPushButton* clearFinished() const { return clearFinished_; }
    MoreButton* more() const { return more_; }
    QMenu* moreMenu() const { return menu_; }
    QAction* keepAwake() const { return keepAwake_; }
    QAction* launchAtLogin() const { return launchAtLogin_; }
    QAction* quit() const { return quit_; }
    // The rules, top to bottom, and how many are shown.
    const std::vector<DeskRule*>& rules() const { return rules_; }
    int rulesShown() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    QWidget* chatRow();
    QWidget* localOnlyRow();
    QWidget* makeUpdateRow();
    QWidget* actionsRow();
    void buildMenu();
    void colourSecondary();

    MenuModel& model_;
    QPushButton* chatButton_ = nullptr;
    QLabel* chatLine_ = nullptr;
    ToggleSwitch* localOnly_ = nullptr;
    QWidget* updateRow_ = nullptr;
    DeskRule* updateRule_ = nullptr;
    QLabel* updateText_ = nullptr;
    QPushButton* updateButton_ = nullptr;
    QPushButton* pauseAll_ = nullptr;
    QPushButton* clearFinished_ = nullptr;
    MoreButton* more_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* keepAwake_ = nullptr;
    QAction* launchAtLogin_ = nullptr;
    QAction* quit_ = nullptr;
    std::vector<QLabel*> secondary_;
    std::vector<DeskRule*> rules_;
};

}  // namespace kestrove
