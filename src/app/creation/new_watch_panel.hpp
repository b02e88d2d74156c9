#pragma once
// The floating panel beside a freshly drawn box that hosts the new-watch
// dialogue: it makes the model for the box, places itself above or below
// the box on the box's screen, follows the height of its content, and turns
// Return into the stage's default action and Escape into a cancel while it
// has the keyboard. The new-watch road makes one per box, shows it, and
// closes it on start, on cancel and before the next box is drawn.

#include <QImage>

#include <memory>

#include "app/creation/new_watch_model.hpp"
#include "app/platform/selected_region.hpp"
#include "core/picture/image.hpp"

class QShortcut;

namespace kestrove {

class KeyPanel;
class PanelRoot;

class NewWatchPanel {
public:
    static constexpr double cornerRadius = 14;

    NewWatchPanel(const SelectedRegion& selection, const Image& crop, NewWatchServices services);
    ~NewWatchPanel();
    NewWatchPanel(const NewWatchPanel&) = delete;
    NewWatchPanel& operator=(const NewWatchPanel&) = delete;

    NewWatchModel& model() { return *model_; }
    // The box taken again: the model's crop and the cards' thumbnail.
    void setCrop(const Image& crop);

    // Shown at the initial height; with `activate` it takes the keyboard and
    // Return and Escape work. Showing it again changes nothing.
    void show(bool activate);
    // Hidden, with Return and Escape off. The panel stays usable.
    void close();
    bool isShown() const;

    // Sets the frame for a content of `height` points; false when the frame
    // was already that (heights of 1 point or less are ignored).
    bool layout(double height);
    // Global points.
    Rect frame() const;
    bool placesAbove() const { return placeAbove_; }

    KeyPanel& window() { return *panel_; }
    PanelRoot& root() { return *root_; }
    // The panel as it draws itself, with its cut corners transparent.
    QImage render();

private:
    SelectedRegion selection_;
    bool placeAbove_ = false;
    std::unique_ptr<NewWatchModel> model_;
    std::unique_ptr<KeyPanel> panel_;
    PanelRoot* root_;
    std::vector<QShortcut*> keys_;
};

}  // namespace kestrove
