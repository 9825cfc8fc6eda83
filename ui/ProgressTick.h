// The arithmetic of one progress-timer tick: from the job's counters to what the window shows.
// Staging counts for 0 to 20 %, extraction for 20 to 100 % (20 to 80 % into a scratch folder),
// placing staged files for 80 to 100 %.
#pragma once

#include "job/JobProgress.h"

#include <cstdint>
#include <optional>

namespace ui {

// What the tick keeps from one to the next.
struct TickCounters {
    int32_t timeUsed = 0;     // ticks since the job started
    int32_t extractTicks = 0; // ticks during extraction
    int32_t placeTicks = 0;   // ticks during placement
};

struct TickResult {
    bool stopTimer = false;          // the job was cancelled: the display freezes
    std::optional<int64_t> speed;    // bytes per second, when the phase shows one
    std::optional<int64_t> remaining;// seconds
    std::optional<int64_t> percent;  // 0 to 100
};

// Advances the counters by one tick and says what to show.
TickResult ProgressTick(const job::ProgressSnapshot& in, TickCounters& counters);

} // namespace ui
