#pragma once
// The frameless top-level window the welcome and chat windows live in: a
// tool window that stays on top, drawn in the palette's window colour with
// a thin edge, sized only by its controller from its content's height for
// its width. Escape closes it and Return runs onReturn (its default
// button); a close by any road (Escape, a button, the window manager) calls
// onClose once per showing.

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

    std::function<void()> onClose;
    std::function<void()> onReturn;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* content_ = nullptr;
};

}  // namespace kestrove
