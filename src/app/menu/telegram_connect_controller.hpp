#pragma once
// The chat connection window and its life: one window at a time, opened
// (or brought forward) by show(), which also starts an attempt unless one
// is running. The window's height follows the phase with its top edge
// fixed. Closing it ends the attempt at once and forgets window and model;
// the server is not told, and a later show() asks for a new code.
//
// Main thread only.

#include <functional>
#include <memory>
#include <string>

#include "app/engine/clock.hpp"
#include "app/menu/telegram_connect_model.hpp"

namespace kestrove {

class PanelWindow;
class TelegramConnectView;

class TelegramConnectController {
public:
    // `openUrl` opens the deep link; by default through the desktop.
    TelegramConnectController(TelegramLink& link, EngineClock& clock,
                              std::function<void(const std::string&)> openUrl = openWithDesktop);
    ~TelegramConnectController();
    TelegramConnectController(const TelegramConnectController&) = delete;
    TelegramConnectController& operator=(const TelegramConnectController&) = delete;

    void show();

    // The open window and its model, or null.
    PanelWindow* window() const { return window_; }
    TelegramConnectModel* model() const { return model_.get(); }
    TelegramConnectView* view() const { return view_; }

    static void openWithDesktop(const std::string& url);

private:
    void phaseChanged();
    void closed();
    void bringForward();

    TelegramLink& link_;
    EngineClock& clock_;
    std::function<void(const std::string&)> openUrl_;
    PanelWindow* window_ = nullptr;  // deleted once closed
    TelegramConnectView* view_ = nullptr;
    std::shared_ptr<TelegramConnectModel> model_;
};

}  // namespace kestrove
