#pragma once
// What the accessibility check's test stage shows at each step of its
// simulated export, and the one-word commands it takes on standard input.
// Pure; the window that shows it is stage.hpp.

#include <string>
#include <string_view>
#include <vector>

namespace kestrove::DevAX {

// The stage's client area, points.
inline constexpr int stageWidth = 440;
inline constexpr int stageHeight = 290;

struct StageStep {
    int step = 0;  // 0 to 4
    int frames = 0;
    int percent = 0;
    std::string counter;  // "Frames rendered: 12"
    std::string status;   // "Exporting… 30%" or "Export complete"
    std::string price;
    std::vector<std::string> log;  // three lines, the last empty at step 0
    bool operator==(const StageStep&) const = default;
};

// Any step; below 0 shows step 0, above 4 shows step 4.
StageStep stageStep(long long step);

struct StageCommand {
    enum class Kind { show, cover, hide, unhide, minimize, close, quit, ignored };
    Kind kind = Kind::ignored;
    long long step = 0;  // show: the last word as a number, 0 when it is none
    bool on = false;     // cover: the last word is "on"
    bool operator==(const StageCommand&) const = default;
};

// The first word decides; "show" and "cover" read the line's last word.
StageCommand parseStageCommand(std::string_view line);

// Cuts standard input into command lines. A line split across two reads
// waits for its end, so no command is lost or garbled; empty lines are dropped.
class LineBuffer {
public:
    std::vector<std::string> add(std::string_view chunk);

private:
    static constexpr std::size_t maxLine = 4096;
    std::string partial_;
};

}  // namespace kestrove::DevAX
