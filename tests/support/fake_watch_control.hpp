#pragma once
// A stand-in for the watch engine as the messenger link sees it: records by
// id with a status, and a log of the calls that changed something. It follows
// the engine's rules (paused counts as running; end ignores unknown or
// finished ids; startAgain leaves a running watch alone).

#include <map>
#include <string>
#include <vector>

#include "core/cloud/watch_control.hpp"

namespace kestrove::testing {

class FakeWatchControl : public WatchControl {
public:
    std::map<std::string, WatchRecord> records;
    std::vector<std::string> calls;  // every call made, applied or not: "end w_…", "startAgain w_…"

    void add(const WatchSpec& spec, WatchStatus status) { records[spec.id] = WatchRecord{spec, status, {}, {}, {}}; }

    bool isRunning(const std::string& id) const override {
        auto it = records.find(id);
        return it != records.end() && it->second.status != WatchStatus::finished;
    }
    bool anyRunning() const override {
        for (const auto& [id, r] : records)
            if (r.isActive()) return true;
        return false;
    }
    void end(const std::string& id) override {
        calls.push_back("end " + id);
        auto it = records.find(id);
        if (it == records.end() || it->second.status == WatchStatus::finished) return;
        it->second.status = WatchStatus::finished;
    }
    void startAgain(const WatchSpec& spec) override {
        calls.push_back("startAgain " + spec.id);
        auto it = records.find(spec.id);
        if (it != records.end() && it->second.status != WatchStatus::finished) return;
        if (it == records.end()) add(spec, WatchStatus::watching);
        else it->second.status = WatchStatus::watching;
    }
};

}  // namespace kestrove::testing
