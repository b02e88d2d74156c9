#pragma once
// Whether the pointer is over a view. Views that change their look under the
// pointer own one; it repaints the view whenever it flips.

#include <QObject>

class QWidget;

namespace kestrove {

class HoverFlag : public QObject {
    Q_OBJECT
public:
    // Follows the pointer entering and leaving `view`; false when made.
    explicit HoverFlag(QWidget* view);

    bool on() const { return on_; }

signals:
    void changed(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void set(bool on);

    QWidget* view_;
    bool on_ = false;
};

}  // namespace kestrove
