#pragma once
// The screens as Qt knows them (RandR on X11). Made on the main thread, where
// it follows screens coming, going and changing; read from any thread, so a
// capture worker can look its display up.

#include <memory>
#include <mutex>

#include "app/platform/screen_space.hpp"

class QObject;
class QScreen;

namespace kestrove {

class QtScreens final : public Screens {
public:
    QtScreens();
    ~QtScreens() override;
    QtScreens(const QtScreens&) = delete;
    QtScreens& operator=(const QtScreens&) = delete;

    std::vector<ScreenInfo> screens() const override;

private:
    void refresh();
    void follow(QScreen* screen);

    std::unique_ptr<QObject> context_;  // our connections end with it
    mutable std::mutex mutex_;
    std::vector<ScreenInfo> list_;
};

}  // namespace kestrove
