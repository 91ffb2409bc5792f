// Waiting without freezing the window.
#pragma once

#include "platform/clock.h"

namespace brindlemoor::app {

// Lets the window system process events until `seconds` have passed on
// `clock`. Sleeps between events instead of spinning; returns at once for
// zero or fewer seconds.
void pause(double seconds, const platform::Clock& clock = platform::steadyClock());

}  // namespace brindlemoor::app
