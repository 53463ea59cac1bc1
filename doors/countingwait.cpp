#include <doors/countingwait.h>

namespace doors {

void countTo(std::int32_t count)
{
    using Clock = std::chrono::steady_clock;
    // Pass i ends at a fixed time after the start, so a pass stretched by the scheduler is made
    // up by the ones after it. Reading the clock also keeps the loop from being optimised away.
    const auto start = Clock::now();
    for (std::int64_t i = 1; i <= count; ++i) {
        const auto passEnd = start + i * kCountPass;
        while (Clock::now() < passEnd) {
        }
    }
}

} // namespace doors
