#pragma once

#include <functional>

// Ends the program on the spot: no further handler runs, no exit question is asked.
// Tests install a handler to observe the end instead; the caller then simply returns.
void EndProgramAtOnce();
void setEndProgramHandler(std::function<void()> handler);
