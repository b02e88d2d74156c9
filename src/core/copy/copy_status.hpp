#pragma once
// Status, notification and chat texts built from a watch: the line of a menu
// row, the tag of a frame, trouble texts, notification titles and bodies, and
// the short sentences of the new-watch dialogue. Times arrive already
// formatted; these builders only place them.

#include <optional>
#include <string>
#include <string_view>

#include "core/copy/copy_catalogue.hpp"
#include "core/watch/watch_spec.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove::Copy {

// Parts of one status text are joined with this: space, middle dot, space.
inline constexpr std::string_view separator = " · ";

// The status line of a menu row, upper case.
std::string stateLine(const WatchRecord& record, int intervalSeconds, const std::optional<std::string>& barkTime,
                      const std::optional<WatchTrouble>& trouble, bool directOnly);
// The short tag on the frame around a box, upper case.
std::string tag(WatchStatus status, int intervalSeconds, const std::optional<std::string>& barkTime, bool flashing,
                const std::optional<WatchTrouble>& trouble, bool directOnly);

std::string troubleLine(const WatchTrouble& trouble);
std::string troubleTag(const WatchTrouble& trouble);

std::string notificationTitle(const WatchSpec& spec);
std::string notificationBody(std::string_view time, const std::optional<std::string>& read);
// The body of the lost-sight notice; its title is lostSightTitle.
std::string lostSightBody(std::string_view time, std::string_view command, std::optional<WindowLoss> loss);
// What is sent to the chat with a bark.
std::string chatSentence(const WatchSpec& spec);

// Trimmed, first character upper-cased, a full stop added unless the text
// already ends a sentence (also just inside a closing quote).
std::string sentenceCase(std::string_view s);

std::string modelChecksUsedUp(const std::optional<std::string>& backAt);
std::string notVisible(std::string_view target);
std::string updateOut(std::string_view version);
// The tray icon's tooltip and accessible name: "Kestrove", or with the
// number of active watches, "Kestrove, 2 watching".
std::string statusItemName(int active);

// The label and example phrase of each kind in the new-watch panel.
std::string readingLabel(WatchType type);
std::optional<std::string> readingExample(WatchType type);

namespace detail {
// The bound window's application name when it is short enough to show:
// spaces and tabs trimmed, not empty, fewer than 25 characters.
std::optional<std::string> shownAppName(const WindowAnchor& window);
}  // namespace detail

}  // namespace kestrove::Copy
