#pragma once
// The window the accessibility check reads: a simulated export (frame
// counter, progress bar, status, price, a three-line log) in a process of
// its own, changed, covered, hidden, minimised or closed by the commands of
// stage_script.hpp.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>
#include <string_view>
#include <vector>

class QLabel;
class QProgressBar;

namespace kestrove::DevAX {

class Stage : public QObject {
public:
    // Builds the window at the main screen's bottom-right corner, showing step 0.
    Stage();
    ~Stage() override;

    void show(long long step);
    void obey(std::string_view line);
    // A dark window over the stage and 10 points around it, kept above.
    void setCovered(bool on);

    QWidget& window() { return window_; }
    QWidget* cover() { return cover_.get(); }

private:
    QWidget window_;
    QLabel* counter_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* price_ = nullptr;
    std::array<QLabel*, 3> log_{};
    std::unique_ptr<QWidget> cover_;
    std::vector<QPointer<QWidget>> hidden_;  // what "hide" took away, for "unhide"
};

}  // namespace kestrove::DevAX
