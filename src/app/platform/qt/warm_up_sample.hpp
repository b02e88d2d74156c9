#pragma once
// The small picture text recognition reads once at launch.

#include "core/picture/image.hpp"

namespace kestrove {

// "Ready 100%" in black, 28 pixels, on 240 × 64 white. Needs the
// application object; safe on any thread.
Image warmUpSample();

}  // namespace kestrove
