#pragma once
// The application's badge in the welcome window: a rounded square with a
// blue gradient and a thin darker edge, the mark on it with white brackets
// and the signal-red dot. It draws square at the smaller side it is given.

#include <QWidget>

namespace kestrove {

class MarkView;

class AppBadge : public QWidget {
public:
    explicit AppBadge(QWidget* parent = nullptr);

    // The square it draws in, centred in the widget.
    QRectF square() const;
    double cornerRadius() const { return 0.225 * square().width(); }
    double borderWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    MarkView* mark_;
};

}  // namespace kestrove
