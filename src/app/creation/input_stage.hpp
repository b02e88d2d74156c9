#pragma once
// The input stage: the mark, the sentence field and, while something is
// awaited, a turning indicator; under it the waiting text or the stage's
// message, and the example sentences as chips.

#include <QAbstractButton>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/creation/card_parts.hpp"
#include "app/creation/new_watch_model.hpp"
#include "app/look/spinner.hpp"

class QLabel;
class QLineEdit;

namespace kestrove {

class HoverFlag;

// An example sentence on a faint capsule; Ctrl and its 1-based index use it.
class SuggestionChip : public QAbstractButton {
public:
    SuggestionChip(const QString& text, int index, std::function<void()> action, QWidget* parent = nullptr);
    bool hovered() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HoverFlag* hover_;
};

class InputStage : public StageView {
public:
    InputStage(NewWatchModel& model, std::optional<std::string> message, QWidget* parent = nullptr);

    QLineEdit* field() const { return field_; }
    QLabel* noteLabel() const { return note_; }
    const std::vector<SuggestionChip*>& chips() const { return chips_; }
    Spinner* indicator() const { return indicator_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void rebuildChips();

    NewWatchModel& model_;
    std::optional<std::string> message_;
    QLineEdit* field_;
    Spinner* indicator_;
    QLabel* note_;
    QWidget* chipBox_;
    std::vector<SuggestionChip*> chips_;
    std::vector<std::string> shownSuggestions_;
    std::unique_ptr<NewWatchModel::Subscription> subscription_;
};

}  // namespace kestrove
