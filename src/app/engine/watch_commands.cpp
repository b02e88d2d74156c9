// The commands of the menu, the new-watch road and the chat. Each ends with
// the change tail (save, keep-awake, tracker, onChange) once, unless it
// changed nothing.

#include "app/engine/watch_manager.hpp"

namespace kestrove {

void WatchManager::add(const WatchSpec& spec, SharedImage baseline, std::optional<DirectStart> direct,
                       std::optional<DiffGrid> baselineGrid) {
    // A crop that cannot be written now is tried again at each save.
    files_.writeCrop(spec.id, baseline);
    if (baseline) latest_[spec.id] = baseline;
    records_.push_back(WatchRecord{spec, WatchStatus::watching, std::nullopt, std::nullopt, std::nullopt});
    startWatching(records_.back(), baseline, false, std::move(direct), std::move(baselineGrid));
    changeTail();
}

void WatchManager::pause(const std::string& id) {
    if (pauseOne(id)) changeTail();
}

bool WatchManager::pauseOne(const std::string& id) {
    WatchRecord* r = find(id);
    if (!r || !r->isActive()) return false;
    stopRunner(id);
    troubles_.erase(id);
    directOnly_.erase(id);
    r->status = WatchStatus::paused;
    if (Frame* f = frame(id)) {
        f->setDirectOnly(false);
        f->setTrouble(std::nullopt);
        f->setStatus(WatchStatus::paused);
        f->setInterval(5);
    }
    return true;
}

void WatchManager::resume(const std::string& id) {
    if (resumeOne(id)) changeTail();
}

bool WatchManager::resumeOne(const std::string& id) {
    WatchRecord* r = find(id);
    if (!r || r->status != WatchStatus::paused) return false;
    r->status = WatchStatus::watching;
    startWatching(*r, nullptr, comparesWithEarlierReading(r->spec.type), std::nullopt);
    return true;
}

void WatchManager::remove(const std::string& id) {
    removeOne(id);
    changeTail();
}

void WatchManager::removeOne(std::string id) {
    stopRunner(id);
    closeFrame(id);
    latest_.erase(id);
    troubles_.erase(id);
    directOnly_.erase(id);
    std::erase_if(records_, [&](const WatchRecord& r) { return r.id() == id; });
    cropReads_.erase(id);
    files_.removeCrop(id);
}

void WatchManager::watchAgain(const std::string& id) {
    const WatchRecord* r = record(id);
    if (r && r->status == WatchStatus::finished) startAgain(WatchSpec(r->spec));
}

void WatchManager::startAgain(const WatchSpec& spec) {
    if (WatchRecord* r = find(spec.id)) {
        if (r->status != WatchStatus::finished) return;
        // The last bark and reading stay with the watch.
        r->status = WatchStatus::watching;
    } else {
        records_.push_back(WatchRecord{spec, WatchStatus::watching, std::nullopt, std::nullopt, std::nullopt});
    }
    // What the box shows now is taken as told, also by a restart before the first check.
    find(spec.id)->told = true;
    closeFrame(spec.id);
    startWatching(*find(spec.id), nullptr, true, std::nullopt);
    changeTail();
}

void WatchManager::end(const std::string& id) {
    WatchRecord* r = find(id);
    if (!r || r->status == WatchStatus::finished) return;
    stopRunner(id);
    troubles_.erase(id);
    closeFrame(id);
    r->status = WatchStatus::finished;
    changeTail();
}

namespace {

template <typename Pick>
std::vector<std::string> idsWhere(const std::vector<WatchRecord>& records, Pick pick) {
    std::vector<std::string> ids;
    for (const auto& r : records)
        if (pick(r)) ids.push_back(r.id());
    return ids;
}

}  // namespace

// One command, one save: a save per watch would let a kill in between leave
// some watches paused and the others watching on disk.
void WatchManager::pauseAll() {
    const auto ids = idsWhere(records_, [](const WatchRecord& r) { return r.isActive(); });
    for (const auto& id : ids) pauseOne(id);
    if (!ids.empty()) changeTail();
}

void WatchManager::resumeAll() {
    const auto ids = idsWhere(records_, [](const WatchRecord& r) { return r.status == WatchStatus::paused; });
    for (const auto& id : ids) resumeOne(id);
    if (!ids.empty()) changeTail();
}

void WatchManager::clearFinished() {
    const auto ids = idsWhere(records_, [](const WatchRecord& r) { return r.status == WatchStatus::finished; });
    for (const auto& id : ids) removeOne(id);
    if (!ids.empty()) changeTail();
}

void WatchManager::setLocalOnly(bool on) {
    cloud_.setLocalOnly(on);
    if (on && services_.cloudSession) services_.cloudSession->recheckGuards();
    const auto local = WatchTrouble::localOnly();
    const auto ids = idsWhere(records_, [](const WatchRecord& r) { return r.isActive() && needsCloud(r.spec.type); });
    for (const auto& id : ids) {
        const auto current = trouble(id);
        if (!on) {
            if (current == local) runnerTrouble(id, std::nullopt);
            continue;
        }
        if (current == local) continue;
        troubles_.insert_or_assign(id, local);
        if (Frame* f = frame(id)) f->setTrouble(local);
        if (onChange) onChange();
    }
    if (onChange) onChange();
}

}  // namespace kestrove
