// The arithmetic of one progress-timer tick: from the job's counters to what the window shows.
// Staging counts for 0 to 20 %, extraction for 20 to 100 % (20 to 80 % into a scratch folder),
// placing staged files for 80 to 100 %.
#pragma once

#include <cstdint>
#include <optional>

struct TickInput {
    int64_t totalSize = 0;     // g_nTotalSize
    int64_t currentSize = 0;   // g_nCurrentSize
    bool cancel = false;       // g_bCancel
    bool extractPhase = false; // g_bExtractPhase
    bool holdProgress = false; // g_bHoldProgress
    bool stagedExtract = false;
    bool placing = false;
    int32_t fileCount = 0;
    int32_t placedCount = 0;
};

// What the tick keeps from one to the next.
struct TickCounters {
    int32_t timeUsed = 0;     // ticks since the job started
    int32_t extractTicks = 0; // g_nExtractTicks
    int32_t placeTicks = 0;   // g_nPlaceTicks
};

struct TickResult {
    bool stopTimer = false;          // the job was cancelled: the display freezes
    bool showElapsed = false;        // counters.timeUsed has a new value to show
    std::optional<int64_t> speed;    // bytes per second, when the phase shows one
    std::optional<int64_t> remaining;// seconds
    std::optional<int64_t> percent;  // 0 to 100
};

// Advances the counters by one tick and says what to show.
TickResult ProgressTick(const TickInput& in, TickCounters& counters);
