// The manager's state, its queries, restoring and saving, and the helpers
// every command shares (runners, frames, the change tail).

#include "app/engine/watch_manager.hpp"

#include <algorithm>

#include "core/foundation/time_of_day.hpp"

namespace kestrove {

WatchManager::WatchManager(Services services)
    : services_(std::move(services)),
      files_(services_.dataFolder, services_.mainThread, services_.fileWorkers),
      cloud_(services_.defaults),
      tracker_(services_.windows, services_.screens) {
    if (!services_.timeText) services_.timeText = [](Date date) { return TimeOfDay::shortTime(date); };
    tracker_.setOnTick([this](const std::vector<WindowInfo>& windows, const std::vector<Rect>& displays) {
        followWindows(windows, displays);
    });
    services_.screenState.setListener([this](ScreenNotice notice) { screenNotice(notice); });
}

WatchManager::~WatchManager() {
    services_.screenState.setListener(nullptr);
    retiring_.cancel();
    cropReads_.clear();
    runners_.clear();
    retired_.clear();
    tracker_.setRunning(false);
    for (auto& [id, slot] : frames_) slot.frame->close();
}

// --- Queries ---------------------------------------------------------------

const WatchRecord* WatchManager::record(const std::string& id) const {
    auto it = std::find_if(records_.begin(), records_.end(), [&](const WatchRecord& r) { return r.id() == id; });
    return it == records_.end() ? nullptr : &*it;
}

WatchRecord* WatchManager::find(const std::string& id) { return const_cast<WatchRecord*>(record(id)); }

int WatchManager::activeCount() const {
    return static_cast<int>(std::count_if(records_.begin(), records_.end(), [](const auto& r) { return r.isActive(); }));
}

bool WatchManager::allPaused() const {
    return activeCount() == 0 && std::any_of(records_.begin(), records_.end(),
                                             [](const auto& r) { return r.status == WatchStatus::paused; });
}

int WatchManager::interval(const std::string& id) const {
    auto it = runners_.find(id);
    return it == runners_.end() ? 5 : it->second->interval();
}

std::optional<WatchTrouble> WatchManager::trouble(const std::string& id) const {
    auto it = troubles_.find(id);
    if (it == troubles_.end()) return std::nullopt;
    return it->second;
}

SharedImage WatchManager::picture(const std::string& id) {
    if (auto it = latest_.find(id); it != latest_.end()) return it->second;
    if (record(id) && !cropReads_.contains(id)) {
        cropReads_[id] = files_.readCrop(id, [this, id](std::optional<Image> crop) {
            cropReads_.erase(id);  // its handle: cancelling from inside its own completion is a no-op
            // A picture taken meanwhile is newer; a removed watch keeps nothing.
            if (!crop || latest_.contains(id) || !record(id)) return;
            latest_.emplace(id, std::make_shared<const Image>(std::move(*crop)));
            if (onPicture) onPicture(id);
        });
    }
    return nullptr;
}

Pending WatchManager::readCrop(const std::string& id, std::function<void(std::optional<Image>)> done) {
    return files_.readCrop(id, std::move(done));
}

bool WatchManager::isRunning(const std::string& id) const {
    const WatchRecord* r = record(id);
    return r && r->status != WatchStatus::finished;
}

bool WatchManager::anyRunning() const { return activeCount() > 0; }

bool WatchManager::screensAvailable() const { return services_.screenState.screensAvailable(); }

// --- The file ----------------------------------------------------------------

void WatchManager::restore() {
    auto saved = files_.takeLoaded();
    if (!saved) return;
    records_ = std::move(*saved);
    for (const WatchRecord& r : std::vector<WatchRecord>(records_)) {
        switch (r.status) {
            case WatchStatus::paused: showFrame(r, WatchStatus::paused); break;
            case WatchStatus::finished: break;
            case WatchStatus::watching:
            case WatchStatus::lostSight:
                startWatching(r, nullptr, comparesWithEarlierReading(r.spec.type), std::nullopt);
                break;
        }
    }
    changeTail();
}

void WatchManager::shutdown() {
    for (auto& [id, runner] : runners_) runner->stop();
    if (services_.keepAwake.held() || keepAwakeWanted_) services_.keepAwake.set(false);
    keepAwakeWanted_ = false;
    persist();
    files_.flush();
}

// A snapshot: the worker writes it while the records move on.
void WatchManager::persist() { files_.save(records_); }

void WatchManager::changeTail() {
    persist();
    updateKeepAwake();
    updateTracker();
    if (onChange) onChange();
}

// --- Runners and frames -------------------------------------------------------

void WatchManager::startWatching(const WatchRecord& record, SharedImage reference, bool fresh,
                                 std::optional<DirectStart> direct, std::optional<DiffGrid> referenceGrid) {
    const WatchRecord r = record;  // the list may change under a callback
    auto runner = services_.runners.make(
        RunnerStart{r.spec, std::move(reference), fresh, std::move(direct), std::move(referenceGrid), r.told}, *this);
    stopRunner(r.id());
    Runner& started = *runner;
    runners_[r.id()] = std::move(runner);
    showFrame(r, r.status == WatchStatus::lostSight ? WatchStatus::lostSight : WatchStatus::watching);
    started.start();
}

void WatchManager::stopRunner(const std::string& id) {
    auto it = runners_.find(id);
    if (it == runners_.end()) return;
    it->second->stop();
    retired_.push_back(std::move(it->second));
    runners_.erase(it);
    if (!retiring_.active())
        retiring_ = services_.clock.after(std::chrono::milliseconds(0), [this] { retired_.clear(); });
}

Frame* WatchManager::frame(const std::string& id) const {
    auto it = frames_.find(id);
    return it == frames_.end() ? nullptr : it->second.frame.get();
}

void WatchManager::showFrame(const WatchRecord& r, WatchStatus status) {
    const std::string& id = r.id();
    if (Frame* f = frame(id)) {
        f->setStatus(status);
        f->setInterval(interval(id));
    } else {
        frames_[id] = FrameSlot{services_.frames.make(r.spec.region, status, interval(id)), nextFrameSerial_++};
        // A bound frame waits hidden until the tracker's answer places it.
        if (r.spec.region.window) {
            if (tracker_.isRunning()) tracker_.tellAgain();
            else tracker_.setRunning(true);
        }
    }
    frame(id)->setTrouble(trouble(id));
}

void WatchManager::closeFrame(const std::string& id) {
    auto it = frames_.find(id);
    if (it == frames_.end()) return;
    it->second.frame->close();
    frames_.erase(it);
}

std::string WatchManager::timeNow() const { return services_.timeText(services_.clock.wallNow()); }

}  // namespace kestrove
