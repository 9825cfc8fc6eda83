#include "ui/ProgressTick.h"

#include <algorithm>

namespace ui {

using job::JobPhase;
using job::ProgressSnapshot;

namespace {

void Staging(const ProgressSnapshot& in, const TickCounters& counters, TickResult& out)
{
    const int64_t cur = std::min(in.currentSize, in.totalSize);
    const int64_t speed = cur / counters.timeUsed;
    out.speed = speed;
    if (in.currentSize <= 0 || counters.timeUsed <= 1)
        out.remaining = 0;
    else if (speed == 0)
        out.remaining = 30;
    else
        out.remaining = (in.totalSize - cur) / speed + 30; // and the extraction still to come
    out.percent = cur * 20 / in.totalSize;
}

void Placing(const ProgressSnapshot& in, TickCounters& counters, TickResult& out)
{
    counters.placeTicks += 1;
    const int32_t files = std::max(in.fileCount, 1);
    out.percent = static_cast<int64_t>(in.placedCount * 20 / files + 80);
    if (in.placedCount < 1) {
        out.remaining = 10;
    } else {
        const int32_t rate = in.placedCount / std::max(counters.placeTicks, 1);
        out.remaining = rate == 0 ? 10 : (in.fileCount - in.placedCount) / rate;
    }
}

void Extracting(const ProgressSnapshot& in, TickCounters& counters, TickResult& out)
{
    counters.extractTicks += 1;
    const int32_t t = counters.extractTicks > 0 ? counters.extractTicks : 1;
    const int64_t cur = std::min(in.currentSize, in.totalSize);
    const int64_t speed = cur / t;
    out.speed = speed;
    int64_t remaining = 0;
    if (in.currentSize <= 0 || t <= 1)
        remaining = 0;
    else if (speed == 0)
        remaining = 10;
    else
        remaining = (in.totalSize - cur) / speed;
    if (in.phase == JobPhase::ExtractingStaged) {
        out.percent = cur * 60 / in.totalSize + 20;
        remaining += 30; // and the placement still to come
    } else {
        out.percent = cur * 80 / in.totalSize + 20;
    }
    out.remaining = remaining;
}

} // namespace

TickResult ProgressTick(const ProgressSnapshot& in, TickCounters& counters)
{
    TickResult out;
    if (in.cancel) {
        out.stopTimer = true;
        return out;
    }
    counters.timeUsed += 1;
    if (in.totalSize == 0)
        return out;
    switch (in.phase) {
    case JobPhase::Staging:
        Staging(in, counters, out);
        break;
    case JobPhase::Extracting:
    case JobPhase::ExtractingStaged:
        Extracting(in, counters, out);
        break;
    case JobPhase::Placing:
        Placing(in, counters, out);
        break;
    case JobPhase::Checking:
    case JobPhase::Settling:
        return out; // between phases: only the elapsed time moves
    }
    if (out.percent && *out.percent > 100)
        out.percent = 100;
    return out;
}

} // namespace ui
