#pragma once
// The wall's parts besides the monitors: the free monitor that invites the
// first watch, the New Watch tile under the monitors, and the thin scroll
// bar laid over the monitors when they scroll.

#include <QAbstractButton>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>

#include <functional>

namespace kestrove {

class HoverFlag;

// "New Watch…" and the hot key on a white button: the free monitor's.
class FreeButton : public QAbstractButton {
public:
    explicit FreeButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

// Shown instead of the monitors while there is no watch: a dark card with
// the mark, two lines of invitation and the New Watch button.
class FreeMonitor : public QWidget {
public:
    explicit FreeMonitor(std::function<void()> action, QWidget* parent = nullptr);
    FreeButton* button() const { return button_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    double bodyHeight() const;
    double stackTop() const;
    FreeButton* button_;
};

// The tile under the monitors that starts a new watch.
class NewWatchTile : public QAbstractButton {
public:
    explicit NewWatchTile(std::function<void()> action, QWidget* parent = nullptr);
    bool hovered() const;
    // Its fill: black in the light scheme, white in the dark, stronger under the pointer.
    static QColor fill(bool dark, bool hovered);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    HoverFlag* hover_;
};

// A slim bar over the right edge of a scrolling area, following (and
// steering) that area's own hidden scroll bar.
class ScrollIndicator : public QWidget {
public:
    ScrollIndicator(QScrollBar* bar, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QRectF thumb() const;
    void scrollTo(double y);
    QPointer<QScrollBar> bar_;
    double grab_ = 0;  // where in the thumb it was taken
};

}  // namespace kestrove
