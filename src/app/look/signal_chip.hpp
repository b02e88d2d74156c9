#pragma once
// The red text chip, and its button form that puts a value into a sentence.

#include <QAbstractButton>
#include <QString>
#include <QWidget>

#include <functional>

namespace kestrove {

class HoverFlag;

class SignalChip : public QWidget {
public:
    SignalChip(QString text, int size, QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The chip for `text` at font size `size`: the text plus 6 points left and
    // right and 2 above and below.
    static QSizeF chipSize(const QString& text, int size);
    // Draws it filling `rect`; `brightness` is added to both its colours.
    static void paint(QPainter& painter, const QRectF& rect, const QString& text, int size, double brightness = 0);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    int size_;
};

// A chip at 14 points that acts as a button: a touch darker under the
// pointer; its accessible name is "Use " and the text.
class SignalChipButton : public QAbstractButton {
public:
    SignalChipButton(const QString& text, std::function<void()> action, QWidget* parent = nullptr);

    bool hovered() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static constexpr int fontSize = 14;
    static constexpr double hoverBrightness = -0.06;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HoverFlag* hover_;
};

}  // namespace kestrove
