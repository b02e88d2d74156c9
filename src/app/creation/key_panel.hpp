#pragma once
// The window of a panel (the new-watch panel, the menu): frameless, a tool
// window that stays on top and takes the keyboard, with rounded corners
// and a hairline edge, movable by dragging its background. Its size is set
// only by its controller, from panelContentHeight of its content.

#include <QPoint>
#include <QWidget>

#include <optional>

#include "app/look/panel_fit.hpp"

namespace kestrove {

class KeyPanel : public QWidget {
public:
    explicit KeyPanel(double radius, QWidget* parent = nullptr);

    // The content fills the panel.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }
    double radius() const { return radius_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double radius_;
    QWidget* content_ = nullptr;
    std::optional<QPoint> grab_;  // where the background was taken, from the top-left
};

}  // namespace kestrove
