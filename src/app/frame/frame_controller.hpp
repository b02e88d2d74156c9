#pragma once
// The frame around one watched box: places its window on the box's display
// (unbound) or where the tracker says the box is now (bound), keeps the
// model the window draws, and runs the bark flash. Main thread only.

#include <memory>
#include <optional>

#include "app/engine/frame.hpp"
#include "app/frame/frame_surface.hpp"
#include "app/platform/screen_space.hpp"

namespace kestrove {

class FrameController final : public Frame {
public:
    using SurfaceMaker = std::function<std::unique_ptr<FrameSurface>(const FrameModel& model)>;

    // An unbound frame is placed and shown at once; a bound one waits hidden
    // for its first place from the tracker.
    FrameController(const WatchRegion& region, WatchStatus status, int interval, const Screens& screens,
                    FrameDelay delay, const SurfaceMaker& makeSurface);
    ~FrameController() override;

    const FrameModel& model() const override { return model_; }
    void setStatus(WatchStatus status) override;
    void setInterval(int seconds) override;
    void setTrouble(std::optional<WatchTrouble> trouble) override;
    void setDirectOnly(bool directOnly) override;

    void place() override;
    void follow(const WindowTracking::FramePlace& place) override;
    void flash(std::string barkTime, std::function<void()> completion) override;
    void close() override;

    bool hiddenByWindow() const { return hiddenByWindow_; }

private:
    struct FlashRun;
    void layOut(const Rect& box, const Rect& screen);
    void step(const std::shared_ptr<FlashRun>& run);
    template <typename T>
    void write(T& field, T value);

    FrameModel model_;
    const Screens& screens_;
    FrameDelay delay_;
    std::unique_ptr<FrameSurface> surface_;  // none once closed
    WatchRegion region_;
    bool isBound_;
    bool hiddenByWindow_;
    struct LaidOut {
        Size size;
        bool tagOnTop;
    };
    std::optional<LaidOut> laidOut_;
    int flashesRunning_ = 0;
    // Flash steps still waiting hold it weakly: none runs once the frame is
    // closed or gone.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace kestrove
