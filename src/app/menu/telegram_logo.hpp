#pragma once
// The messenger's mark drawn from its path data: a blue disc with the
// paper plane cut out, showing a white disc through the plane. Sharp at any
// size; used by the chat window and the menu's chat row.

#include <QPainterPath>
#include <QWidget>

class QPainter;

namespace kestrove {

class TelegramLogo : public QWidget {
public:
    explicit TelegramLogo(QWidget* parent = nullptr);

    // The mark's path in its 24-unit square, even-odd filled; made once.
    static const QPainterPath& path();
    // Draws the mark square and centred in `rect` at the smaller side.
    static void paint(QPainter& painter, const QRectF& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kestrove
