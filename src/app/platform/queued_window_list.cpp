#include "app/platform/queued_window_list.hpp"

#include "app/platform/window_binder.hpp"

#include <optional>

namespace kestrove {

QueuedWindowList::QueuedWindowList(Executor mainThread, Factory make, const Screens& screens)
    : screens_(screens),
      queue_("window list", 1, std::move(mainThread), [this, make = std::move(make)]() -> std::unique_ptr<WindowList> {
          std::unique_ptr<WindowList> list = make ? make() : nullptr;
          // Told on the list's thread, while the queue runs: the queue stops
          // (and ends the list) before it goes.
          if (list) hears_ = list->hearChanges([this] { queue_.wake(); });
          return list;
      }) {}

namespace {

const char* laneOf(WindowListOptions options) {
    return options == WindowListOptions::all ? "all windows" : "windows on screen";
}

ListedWindows listed(WindowList& windows, WindowListOptions options) {
    if (!windows.isConnected()) return WindowListError{"There is no X server to ask for its windows."};
    return windows.list(options);
}

const ListedWindows unread = WindowListError{"The window list could not be read."};

}  // namespace

Pending QueuedWindowList::list(const std::string& owner, WindowListOptions options,
                               std::function<void(ListedWindows)> done) {
    return queue_.post(
        {owner, laneOf(options)}, [options](WindowList& windows) { return listed(windows, options); }, unread,
        std::move(done));
}

Pending QueuedWindowList::listChanged(const std::string& owner, WindowListOptions options, ToldWindows told,
                                      std::chrono::milliseconds every, std::function<void(ListedWindows)> done) {
    return queue_.postUntilSomething(
        {owner, laneOf(options)}, every,
        [this, options, told = std::move(told)](WindowList& windows) -> std::optional<ListedWindows> {
            ListedWindows now = listed(windows, options);
            if (!now || (told && now.value() == *told)) {
                // Nothing will tell: read again at the next instant.
                if (!now || !hears_) queue_.wake();
                return std::nullopt;
            }
            return now;
        },
        unread, std::move(done), true);
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
