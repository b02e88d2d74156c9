#pragma once
// The monitors of the tray panel: one dark card per watch with its picture,
// state tag, sentence and two action buttons. Large cards stack one or two
// watches; small ones fill a grid of two columns. A card keeps its hover
// state while the wall refreshes it in place.

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>

#include "app/menu/menu_model.hpp"
#include "app/menu/monitor_buttons.hpp"

namespace kestrove {

class HoverFlag;

// The two buttons of a card for a watch's state.
struct MonitorAction {
    ActionGlyph glyph;
    std::string_view label;
    std::function<void(const std::string&)> MenuModel::*callback;
};
std::array<MonitorAction, 2> monitorActions(WatchStatus status);

class MonitorCard : public QWidget {
public:
    // Shows `monitor` with `picture` (null: none) drawn at `feed` points.
    void show(const MenuModel::Monitor& monitor, const QImage& picture, Size feed);
    const MenuModel::Monitor& monitor() const { return monitor_; }
    RoundButton* first() const { return buttons_[0]; }
    RoundButton* second() const { return buttons_[1]; }
    ReadChip* readChip() const { return read_; }
    // Where the picture is drawn, in the card.
    virtual QRectF feedRect() const = 0;

protected:
    MonitorCard(MenuModel& model, RoundButton::Look look, int readSize, QWidget* parent);
    virtual void arrange() = 0;
    void paintEvent(QPaintEvent* event) override;
    virtual void paintParts(QPainter& painter) = 0;
    const QImage& scaledPicture();

    QPointer<MenuModel> model_;
    MenuModel::Monitor monitor_;
    QImage picture_;
    Size feed_;
    std::array<RoundButton*, 2> buttons_{};
    ReadChip* read_ = nullptr;
    int readSize_;

private:
    QImage scaled_;
    qint64 scaledKey_ = 0;
    QSize scaledSize_;
};

class LargeMonitor final : public MonitorCard {
public:
    LargeMonitor(MenuModel& model, QWidget* parent = nullptr);
    QRectF feedRect() const override;
    QRectF tagRect() const;

protected:
    void arrange() override;
    void paintParts(QPainter& painter) override;
};

class SmallMonitor final : public MonitorCard {
public:
    SmallMonitor(MenuModel& model, QWidget* parent = nullptr);
    ~SmallMonitor() override;
    QRectF feedRect() const override;
    QRectF tagRect() const;
    bool hovered() const;
    // The picture buttons show under the pointer, with focus, or when the
    // model reveals this card.
    bool buttonsShown() const;

protected:
    void arrange() override;
    void paintParts(QPainter& painter) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateVeil();
    HoverFlag* hover_;
};

}  // namespace kestrove
