#pragma once
// The once / every-time choice of the confirm card: two joined segments,
// the chosen one filled. It shows the model's mode and reports a click.

#include <QWidget>

#include <functional>

#include "core/watch/watch_spec.hpp"

namespace kestrove {

class ModePicker : public QWidget {
public:
    ModePicker(WatchMode mode, std::function<void(WatchMode)> picked, QWidget* parent = nullptr);

    WatchMode mode() const { return mode_; }
    void setMode(WatchMode mode);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // Where each segment lies, for clicks and tests.
    QRect segment(WatchMode mode) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    WatchMode mode_;
    std::function<void(WatchMode)> picked_;
};

}  // namespace kestrove
