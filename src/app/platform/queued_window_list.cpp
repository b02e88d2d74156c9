#include "app/platform/queued_window_list.hpp"

#include "app/platform/window_binder.hpp"

namespace kestrove {

QueuedWindowList::QueuedWindowList(Executor mainThread, Factory make, const Screens& screens)
    : screens_(screens), queue_("window list", 1, std::move(mainThread), std::move(make)) {}

Pending QueuedWindowList::list(const std::string& owner, WindowListOptions options,
                               std::function<void(ListedWindows)> done) {
    const char* lane = options == WindowListOptions::all ? "all windows" : "windows on screen";
    return queue_.post(
        {owner, lane},
        [options](WindowList& windows) -> ListedWindows {
            if (!windows.isConnected()) return WindowListError{"There is no X server to ask for its windows."};
            return windows.list(options);
        },
        ListedWindows(WindowListError{"The window list could not be read."}), std::move(done));
}

Pending QueuedWindowList::bind(const SelectedRegion& selection, std::function<void(SelectedRegion)> done) {
    return queue_.post(
        {"", "bind"},
        [selection, &screens = screens_](WindowList& windows) {
            return WindowBinder::bind(selection, windows, screens);
        },
        selection, std::move(done));
}

void QueuedWindowList::forget(const std::string& owner) { queue_.drop(owner); }

}  // namespace kestrove
