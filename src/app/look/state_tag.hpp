#pragma once
// The small tag that says a watch's state: white capitals on a red or grey
// pill, 16 points high, with a light and a dark ring just outside it so it
// reads on any background.

#include <QString>
#include <QWidget>

#include "app/engine/frame.hpp"

namespace kestrove {

class StateTag : public QWidget {
public:
    explicit StateTag(QString text = {}, TagTone tone = TagTone::signal, QWidget* parent = nullptr);

    void setText(const QString& text);
    void setTone(TagTone tone);
    QString text() const { return text_; }
    TagTone tone() const { return tone_; }

    // The pill: the text's width plus 5 points each side, 16 high. The rings
    // reach `rings` beyond it; the view's size includes them.
    static QSizeF pillSize(const QString& text);
    static constexpr double rings = 2;
    static void paint(QPainter& painter, QPointF pillTopLeft, const QString& text, TagTone tone);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    TagTone tone_;
};

}  // namespace kestrove
