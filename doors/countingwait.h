#pragma once

// The wait between two door steps: a count, not a time. Each pass of the count keeps the
// processor busy for kCountPass, so a door's delay value means the same on every machine.

#include <chrono>
#include <cstdint>

namespace doors {

inline constexpr std::chrono::nanoseconds kCountPass{100};

// Counts from 1 up to `count`; a count of 0 or less waits not at all. Handles no events.
void countTo(std::int32_t count);

} // namespace doors
