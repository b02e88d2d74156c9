#pragma once
// Where the test window draws its known texts, in client pixels. Tests and
// the window program share these numbers.

namespace kestrove::testwindow {

struct Box {
    int x, y, w, h;
};

inline constexpr int width = 480;
inline constexpr int height = 320;
inline constexpr int defaultX = 100;
inline constexpr int defaultY = 120;

inline constexpr Box status{20, 20, 440, 32};
inline constexpr Box price{20, 70, 440, 32};
inline constexpr Box counter{20, 120, 440, 32};
inline constexpr int logLines = 4;
inline constexpr Box logLine0{20, 170, 440, 26};  // the others follow every 30 pixels
inline constexpr int logStep = 30;

inline constexpr const char* initialStatus = "Status: Exporting 42%";
inline constexpr const char* initialPrice = "Price: 249.99 EUR";
inline constexpr const char* initialCounter = "Counter: 0";
inline constexpr const char* initialLog[] = {"Log: build started", "Log: step 1 of 3"};

// What the editor window ("editor") holds: a plain text editor's lines.
inline constexpr const char* editorText = "Orders waiting: 12\nShipped today: 340\nReturns: 7\n";

}  // namespace kestrove::testwindow
