#pragma once
// The welcome window's content: the badge and a greeting, a card of the
// four numbered steps, and a footer with the hot key and Done. It redraws
// from the model whenever the model changes.

#include <array>

#include <QWidget>

#include "app/menu/onboarding_model.hpp"
#include "app/menu/onboarding_steps.hpp"

class QLabel;
class QPushButton;

namespace kestrove {

// A step's number in a circle, or a green tick once it is done.
class StepIcon : public QWidget {
public:
    explicit StepIcon(QWidget* parent = nullptr);
    void set(int number, bool done);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int number_ = 1;
    bool done_ = false;
};

// One step: its icon, title, detail, note, and its buttons or done text.
class PermissionRow : public QWidget {
public:
    explicit PermissionRow(QWidget* parent = nullptr);
    void set(const PermissionStep& step);

    QPushButton* button() const { return button_; }
    QPushButton* secondButton() const { return second_; }
    QLabel* noteLabel() const { return note_; }
    QLabel* doneLabel() const { return done_; }
    StepIcon* icon() const { return icon_; }

private:
    StepIcon* icon_;
    QLabel* title_;
    QLabel* detail_;
    QLabel* note_;
    QLabel* done_;
    QWidget* buttons_;
    QPushButton* button_;
    QPushButton* second_;
    std::function<void()> action_, secondAction_;
};

class OnboardingView : public QWidget {
public:
    static constexpr int width = 480;

    explicit OnboardingView(OnboardingModel& model, QWidget* parent = nullptr);

    // Rebuilds every row from the model.
    void refreshFromModel();

    PermissionRow* row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    QPushButton* doneButton() const { return done_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    OnboardingModel& model_;
    std::array<PermissionRow*, 4> rows_{};
    QWidget* card_;
    QPushButton* done_;
};

}  // namespace kestrove
