#pragma once
// The small controls on a monitor: the round action buttons (on the card's
// top row, or over the picture of a small card) and the red chip with the
// value a number watch read last.

#include <QAbstractButton>
#include <QWidget>

#include <functional>

namespace kestrove {

class HoverFlag;

// What a round button shows: the four actions of a monitor.
enum class ActionGlyph { pause, play, again, cross };

class RoundButton : public QAbstractButton {
public:
    enum class Look { onMonitor, onPicture };

    RoundButton(ActionGlyph glyph, const QString& label, Look look, QWidget* parent = nullptr);

    void setAction(ActionGlyph glyph, const QString& label, std::function<void()> run);
    ActionGlyph glyph() const { return glyph_; }
    bool hovered() const;
    // Drawn fully transparent, yet still pressable and focusable (a small
    // card shows its buttons only under the pointer or with focus).
    void setVeiled(bool veiled);
    bool veiled() const { return veiled_; }

    double diameter() const { return look_ == Look::onMonitor ? 24 : 30; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QRectF circle() const;

    ActionGlyph glyph_;
    Look look_;
    HoverFlag* hover_;
    bool veiled_ = false;
    std::function<void()> run_;
};

// Paints one action glyph, centred in `box` (its size is the glyph's).
void paintGlyph(QPainter& painter, const QRectF& box, ActionGlyph glyph, const QColor& colour);

class ReadChip : public QWidget {
public:
    ReadChip(const QString& text, int size, QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const { return text_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    int size_;
};

}  // namespace kestrove
