#pragma once
// The mark as a view: the brackets in the palette's text colour, the dot in
// its own colour, scaled to fit whatever size the view is given.

#include <QColor>
#include <QWidget>

namespace kestrove {

class MarkView : public QWidget {
public:
    explicit MarkView(QColor dot, QWidget* parent = nullptr);

    QColor dot() const { return dot_; }
    void setDot(const QColor& dot);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor dot_;
};

}  // namespace kestrove
