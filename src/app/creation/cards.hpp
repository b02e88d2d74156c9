#pragma once
// The three cards the panel shows once a sentence was submitted: confirm
// (the compiled watch, with Start), clarify (a question about the local
// compiler's outcome) and judge (a question about the server's model).
// Each button calls the model; the cards keep no state of their own.

#include <QImage>

#include <memory>

#include "app/creation/card_parts.hpp"
#include "app/creation/new_watch_model.hpp"

namespace kestrove {

class ModePicker;

class ConfirmCard : public StageView {
public:
    ConfirmCard(NewWatchModel& model, const WatchSpec& spec, const QImage& thumbnail, QWidget* parent = nullptr);
    ModePicker* picker() const { return picker_; }

private:
    ModePicker* picker_;
    std::unique_ptr<NewWatchModel::Subscription> subscription_;
};

class ClarifyCard : public StageView {
public:
    ClarifyCard(NewWatchModel& model, const CompileOutcome& outcome, const QImage& thumbnail, QWidget* parent = nullptr);
};

class JudgeCard : public StageView {
public:
    JudgeCard(NewWatchModel& model, const JudgeQuestion& question, const QImage& thumbnail, QWidget* parent = nullptr);
};

}  // namespace kestrove
