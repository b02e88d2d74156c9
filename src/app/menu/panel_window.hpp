#pragma once
// The window the welcome and chat windows live in: an ordinary top-level
// window at the normal level, titled, closable and movable with the window
// manager's decorations, not resizable by the user: only its controller
// sizes it, from its content's height for its width (`fit`). Escape closes
// it and Return runs onReturn (its default button); a close by any road
// (Escape, a button, the window manager) calls onClose once per showing.

#include <functional>

#include <QWidget>

namespace kestrove {

class PanelWindow : public QWidget {
public:
    explicit PanelWindow(const QString& title);

    // The content takes the whole window; the window takes ownership.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }
    // The height the content needs at `width`.
    int fittingHeight(int width) const;
    // The client area's size, fixed there; the window keeps its place.
    void fit(int width, int height);

    std::function<void()> onClose;
    std::function<void()> onReturn;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* content_ = nullptr;
};

}  // namespace kestrove
