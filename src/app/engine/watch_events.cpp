// What the manager does when a runner reports: the bark with its
// notification, chat hand-off and flash, lost and regained sight, troubles,
// readings, new baselines and pictures.

#include <cmath>

#include "app/engine/watch_manager.hpp"
#include "core/copy/copy_status.hpp"
#include "core/foundation/log.hpp"
#include "core/foundation/raw_value.hpp"

namespace kestrove {

void WatchManager::runnerDidBark(const std::string& id, SharedImage image, std::optional<Evaluation> evaluation) {
    WatchRecord* r = find(id);
    if (!r) return;
    // Only a running watch barks. A paused, ended or finished one has no
    // runner; a late report from the one it had would notify the user of a
    // watch they stopped, or of a once watch a second time.
    if (!r->isActive()) {
        logLine("ignored a bark of " + id + ", which is " + std::string(rawValue(r->status)));
        return;
    }
    const Date now = services_.clock.wallNow();
    const std::string time = services_.timeText(now);
    std::optional<std::string> read;
    if (r->spec.type == WatchType::numberCompare)
        read = evaluation && evaluation->display ? evaluation->display : r->lastRead;
    r->lastBarkAt = now;
    r->told = true;
    if (read) r->lastRead = read;
    const bool once = r->spec.mode == WatchMode::once;
    if (once) r->status = WatchStatus::finished;
    const WatchSpec spec = r->spec;  // the callbacks below may change the list

    services_.notifier.bark(Copy::notificationTitle(spec), Copy::notificationBody(time, read), image, id);
    if (onBarked) onBarked(spec, read, image);
    if (once) {
        stopRunner(id);
        troubles_.erase(id);
        directOnly_.erase(id);
        flashOnce(id, time);
    } else if (Frame* f = frame(id)) {
        f->flash(time, [] {});
    }
    if (onBark) onBark();
    persist();
    updateKeepAwake();
    updateTracker();
    if (onChange) onChange();
}

void WatchManager::flashOnce(const std::string& id, const std::string& time) {
    auto it = frames_.find(id);
    if (it == frames_.end()) return;
    // The frame of a finished watch stays for its flash, then closes, unless
    // Watch Again or a removal dealt with it meanwhile.
    const std::uint64_t serial = it->second.serial;
    std::weak_ptr<bool> alive = alive_;
    it->second.frame->flash(time, [this, alive, id, serial] {
        if (alive.expired()) return;
        auto slot = frames_.find(id);
        if (slot == frames_.end() || slot->second.serial != serial) return;
        closeFrame(id);
        updateTracker();
    });
}

void WatchManager::runnerLostSight(const std::string& id, std::optional<WindowLoss> loss) {
    WatchRecord* r = find(id);
    if (!r || r->status != WatchStatus::watching) return;
    r->status = WatchStatus::lostSight;
    if (Frame* f = frame(id)) {
        f->setStatus(WatchStatus::lostSight);
        f->setInterval(interval(id));
    }
    services_.notifier.bark(std::string(Copy::lostSightTitle), Copy::lostSightBody(timeNow(), r->spec.command, loss),
                            nullptr, id);
    changeTail();
}

void WatchManager::runnerRegainedSight(const std::string& id) {
    WatchRecord* r = find(id);
    if (!r || r->status != WatchStatus::lostSight) return;
    r->status = WatchStatus::watching;
    if (Frame* f = frame(id)) {
        f->setStatus(WatchStatus::watching);
        f->setInterval(interval(id));
    }
    changeTail();
}

void WatchManager::runnerDirectOnly(const std::string& id, bool on) {
    if (on == directOnly_.contains(id)) return;
    if (on) directOnly_.insert(id);
    else directOnly_.erase(id);
    if (Frame* f = frame(id)) f->setDirectOnly(on);
    if (onChange) onChange();
}

void WatchManager::runnerTrouble(const std::string& id, std::optional<WatchTrouble> newTrouble) {
    if (trouble(id) == newTrouble) return;
    if (newTrouble) troubles_.insert_or_assign(id, *newTrouble);
    else troubles_.erase(id);
    if (Frame* f = frame(id)) f->setTrouble(newTrouble);
    if (onChange) onChange();
}

void WatchManager::runnerDidRead(const std::string& id, std::optional<std::string> display,
                                 std::optional<double> value) {
    if (!display) return;
    WatchRecord* r = find(id);
    if (!r || r->lastRead == display) return;
    r->lastRead = std::move(display);
    // A number the file cannot hold would stop every later save.
    r->lastValue = value && std::isfinite(*value) ? value : std::nullopt;
    updateKeepAwake();
    updateTracker();
    if (onChange) onChange();
}

void WatchManager::runnerIntervalChanged(const std::string& id) {
    if (Frame* f = frame(id)) {
        const WatchRecord* r = record(id);
        f->setStatus(r ? r->status : WatchStatus::watching);
        f->setInterval(interval(id));
    }
    if (onChange) onChange();
}

void WatchManager::runnerRebaselined(const std::string& id, SharedImage image) {
    files_.writeCrop(id, std::move(image));
    if (onChange) onChange();
}

void WatchManager::runnerRebaselinedLines(const std::string& id, const std::vector<std::string>& lines) {
    if (WatchRecord* r = find(id)) {
        r->spec.baseline.lines = lines;
        r->spec.baseline.currentDisplay = lines.size() == 1 ? "1 line" : std::to_string(lines.size()) + " lines";
    }
    persist();
}

void WatchManager::runnerTold(const std::string& id, bool told) {
    WatchRecord* r = find(id);
    if (!r || !r->isActive() || r->told == told) return;
    r->told = told;
    persist();
}

void WatchManager::publishPicture(const std::string& id, SharedImage image) {
    // Only for a watch that still exists: nothing would ever drop it otherwise.
    if (!record(id)) return;
    latest_.insert_or_assign(id, std::move(image));
    if (onPicture) onPicture(id);
}

}  // namespace kestrove
