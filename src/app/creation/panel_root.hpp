#pragma once
// The content of the new-watch panel: the view of the model's stage (the
// input stage or one of the cards), replaced whenever the stage changes,
// and a report of the height it needs whenever that may have changed.

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>

#include "app/creation/card_parts.hpp"
#include "app/creation/new_watch_model.hpp"

namespace kestrove {

class PanelRoot : public QWidget {
public:
    static constexpr int width = 400;

    PanelRoot(NewWatchModel& model, QImage thumbnail, QWidget* parent = nullptr);

    // Receives the height the content needs at the panel's width.
    void onSize(std::function<void(int)> report);
    StageView* stageView() const { return view_; }
    // Return: the shown stage's default action, when it has one.
    void runDefault();
    int contentHeight() const;
    // The crop the next card shows: the picture its reading came from.
    void setThumbnail(QImage thumbnail) { thumbnail_ = std::move(thumbnail); }

    // The view of one stage (what the panel shows for it).
    static StageView* viewFor(NewWatchModel& model, const NewWatchStage& stage, const QImage& thumbnail);

protected:
    bool event(QEvent* event) override;

private:
    void showStage();
    void report();

    NewWatchModel& model_;
    QImage thumbnail_;
    NewWatchStage shown_;
    StageView* view_ = nullptr;
    std::function<void(int)> report_;
    std::unique_ptr<NewWatchModel::Subscription> subscription_;
};

}  // namespace kestrove
