#pragma once
// Made-up content of the tray panel: sample watches in each state with
// their pictures, for the snapshots and the panel fit check. Built afresh
// from fixed data on every call; reads no watches, settings or screen.

#include <QImage>

#include <optional>
#include <string_view>

namespace kestrove {

class MenuModel;

namespace MenuSamples {

enum class State { empty, one, main, all, many };

inline constexpr State allStates[] = {State::empty, State::one, State::main, State::all, State::many};

std::string_view rawValue(State state);
// Exactly the five raw values; anything else is none.
std::optional<State> state(std::string_view raw);

// Fills a fresh model: the state's monitors and their pictures, the chat
// flag, keep-awake on, and the flags that follow from the monitors. `dark`
// changes only the export picture.
void fill(MenuModel& model, State state, bool telegram, bool dark);

// The pictures, at 2 pixels a point.
QImage exportPicture(bool dark);
QImage pricePicture();
QImage buildPicture();
QImage queuePicture();

}  // namespace MenuSamples

}  // namespace kestrove
