#pragma once
// What a watch's runner may ask of, and report to, the one that owns it (the
// watch manager). The runner never changes a record, a frame, a file or a
// notification itself. Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/cloud/cloud_settings.hpp"
#include "core/foundation/geometry.hpp"
#include "core/foundation/pending.hpp"
#include "core/picture/image.hpp"
#include "core/rules/evaluation.hpp"
#include "core/watch/watch_spec.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

class RunnerHost {
public:
    virtual ~RunnerHost() = default;

    // False while the displays sleep or the screen is locked: nothing is read.
    virtual bool screensAvailable() const = 0;

    // The picture is shared, not copied: a screen-sized box's is 15 MB.
    virtual void runnerDidBark(const std::string& id, SharedImage image, std::optional<Evaluation> evaluation) = 0;
    virtual void runnerLostSight(const std::string& id, std::optional<WindowLoss> loss) = 0;
    virtual void runnerRegainedSight(const std::string& id) = 0;
    virtual void runnerDirectOnly(const std::string& id, bool on) = 0;
    virtual void runnerTrouble(const std::string& id, std::optional<WatchTrouble> trouble) = 0;
    virtual void runnerDidRead(const std::string& id, std::optional<std::string> display,
                               std::optional<double> value) = 0;
    virtual void runnerIntervalChanged(const std::string& id) = 0;
    virtual void runnerRebaselined(const std::string& id, SharedImage image) = 0;
    virtual void runnerRebaselinedLines(const std::string& id, const std::vector<std::string>& lines) = 0;
    // Whether the condition that holds now was told (or rightly kept quiet
    // about), so that no bark is due for it; reported when that changes.
    virtual void runnerTold(const std::string& id, bool told) = 0;

    // The watch's latest picture; the host keeps it and tells its listeners.
    virtual void publishPicture(const std::string& id, SharedImage image) = 0;
    // The saved crop of the watch, when there is a readable one; read off
    // the main thread, the answer through the main thread.
    [[nodiscard]] virtual Pending readCrop(const std::string& id, std::function<void(std::optional<Image>)> done) = 0;
    virtual std::optional<WatchTrouble> trouble(const std::string& id) const = 0;
    virtual CloudSettings& cloud() = 0;
};

}  // namespace kestrove
