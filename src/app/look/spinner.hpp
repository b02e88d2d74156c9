#pragma once
// The one small indeterminate progress spinner: an arc in the palette's text
// colour, half faded, turning only while it is shown.

#include <QWidget>

class QTimer;

namespace kestrove {

class Spinner : public QWidget {
public:
    explicit Spinner(int side, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer* timer_;
    int step_ = 0;
};

}  // namespace kestrove
