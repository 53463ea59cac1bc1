#include <doors/countingwait.h>

namespace doors {

namespace {

using Clock = std::chrono::steady_clock;

// Counts `count` passes of kCountPass each, ending every pass `early` before its mark.
void spin(std::int64_t count, Clock::duration early)
{
    // Pass i ends at a fixed time after the start, so a pass stretched by the scheduler is made
    // up by the ones after it. Reading the clock also keeps the loop from being optimised away.
    const auto start = Clock::now();
    for (std::int64_t i = 1; i <= count; ++i) {
        const auto passEnd = start + i * kCountPass - early;
        while (Clock::now() < passEnd) {
        }
    }
}

// A wait also costs a little beyond its passes: the call, the first clock read and the overshoot
// of the last one. On a short wait that is a large share (a one-pass wait runs a quarter long), so
// it is measured once at start-up, on this machine, and every wait ends that much earlier.
const Clock::duration fixedCost = [] {
    constexpr int kReads = 1000;
    constexpr int kSamples = 200;
    const auto first = Clock::now();
    auto last = first;
    for (int i = 0; i < kReads; ++i)
        last = Clock::now();
    const Clock::duration read = (last - first) / kReads;
    // Two rounds: the second corrects what the first left over.
    Clock::duration early = Clock::duration::zero();
    for (int round = 0; round < 2; ++round) {
        Clock::duration total{};
        for (int i = 0; i < kSamples; ++i) {
            const auto before = Clock::now();
            spin(1, early);
            total += Clock::now() - before - read;
        }
        early += total / kSamples - kCountPass;
        if (early < Clock::duration::zero())
            early = Clock::duration::zero();
    }
    return early;
}();

} // namespace

void countTo(std::int32_t count)
{
    if (count > 0)
        spin(count, fixedCost);
}

} // namespace doors
