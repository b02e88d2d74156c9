#pragma once
// The screens' arrangement changed: a screen came or went, or one moved,
// resized or changed its scale. A burst of changes (one RandR change moves
// several screens) is reported once, when it has settled.

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class QScreen;

namespace kestrove {

class QtScreenChanges final : public QObject {
public:
    // `settle`: how long the screens must stay unchanged before the report.
    explicit QtScreenChanges(std::function<void()> changed,
                             std::chrono::milliseconds settle = std::chrono::milliseconds(250));

private:
    void follow(QScreen* screen);
    void noticed();

    std::function<void()> changed_;
    QTimer settle_;
};

}  // namespace kestrove
