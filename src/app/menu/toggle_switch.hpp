#pragma once
// A small on/off switch that shows a value it is given and, when flipped,
// only asks for the other value: it changes when its owner sets it.

#include <QAbstractButton>

#include <functional>

namespace kestrove {

class ToggleSwitch : public QAbstractButton {
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    void setOn(bool on);
    bool on() const { return isChecked(); }
    // Called with the value the user asked for.
    std::function<void(bool)> onFlip;

    QSize sizeHint() const override { return {28, 17}; }

protected:
    void nextCheckState() override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kestrove
