#pragma once

#include <cstdint>

namespace Platform {

// Milliseconds since the system started, wrapping at 2^32 like the classic
// tick counter (a monotonic clock: it never jumps with the wall time).
std::uint32_t TickCount();

// Sleeps at least `milliseconds` on the monotonic clock, resuming after
// signals so the full time always passes.
void SleepMilliseconds(int milliseconds);

}  // namespace Platform
