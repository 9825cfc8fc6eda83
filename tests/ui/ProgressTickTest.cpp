#include "ui/ProgressTick.h"

#include <gtest/gtest.h>

using namespace job;
using namespace ui;

namespace {

constexpr int64_t MB = 1024 * 1024;

struct TickCase {
    const char* name;
    ProgressSnapshot in;
    TickCounters before;
    // Expected:
    TickCounters after;
    std::optional<int64_t> speed, remaining, percent;
};

TEST(ProgressTick, WeighsThePhases)
{
    ProgressSnapshot staging;
    staging.totalSize = 100 * MB;
    staging.currentSize = 25 * MB;

    ProgressSnapshot direct = staging;
    direct.phase = JobPhase::Extracting;
    ProgressSnapshot staged = staging;
    staged.phase = JobPhase::ExtractingStaged;

    ProgressSnapshot placing;
    placing.totalSize = 100 * MB;
    placing.currentSize = 100 * MB;
    placing.phase = JobPhase::Placing;
    placing.fileCount = 40;
    placing.placedCount = 10;

    auto with = [](ProgressSnapshot in, auto change) {
        change(in);
        return in;
    };

    const TickCase cases[] = {
        // Staging: 0 to 20 %, speed over all ticks, 30 s for what follows.
        {"staging", staging, {4, 0, 0}, {5, 0, 0}, 5 * MB, 75 * MB / (5 * MB) + 30, 5},
        {"staging, first tick", staging, {0, 0, 0}, {1, 0, 0}, 25 * MB, 0, 5},
        {"staging, nothing copied", with(staging, [](auto& i) { i.currentSize = 0; }), {4, 0, 0}, {5, 0, 0}, 0, 0, 0},
        {"staging, no speed yet", with(staging, [](auto& i) { i.currentSize = 3; }), {4, 0, 0}, {5, 0, 0}, 0, 30, 0},
        {"staging, past the total", with(staging, [](auto& i) { i.currentSize = 300 * MB; }), {9, 0, 0}, {10, 0, 0},
         10 * MB, 30, 20},
        // Extraction straight into the target: 20 to 100 %, speed over extraction ticks.
        {"direct", direct, {9, 3, 0}, {10, 4, 0}, 25 * MB / 4, 75 * MB / (25 * MB / 4), 40},
        {"direct, t = 1", direct, {9, 0, 0}, {10, 1, 0}, 25 * MB, 0, 40},
        {"direct, ticks not positive", direct, {9, -5, 0}, {10, -4, 0}, 25 * MB, 0, 40},
        {"direct, no speed yet", with(direct, [](auto& i) { i.currentSize = 1; }), {9, 3, 0}, {10, 4, 0}, 0, 10, 20},
        {"direct, past the total", with(direct, [](auto& i) { i.currentSize = 200 * MB; }), {9, 3, 0}, {10, 4, 0},
         25 * MB, 0, 100},
        // Into a scratch folder: 20 to 80 %, 30 s more for the placing.
        {"staged", staged, {9, 3, 0}, {10, 4, 0}, 25 * MB / 4, 75 * MB / (25 * MB / 4) + 30, 35},
        {"staged, t = 1", staged, {9, 0, 0}, {10, 1, 0}, 25 * MB, 30, 35},
        {"staged, past the total", with(staged, [](auto& i) { i.currentSize = 200 * MB; }), {9, 3, 0}, {10, 4, 0},
         25 * MB, 30, 80},
        // Placing: 80 to 100 % by files; the speed label stays.
        {"placing", placing, {20, 5, 4}, {21, 5, 5}, std::nullopt, (40 - 10) / 2, 85},
        {"placing, nothing placed", with(placing, [](auto& i) { i.placedCount = 0; }), {20, 5, 4}, {21, 5, 5},
         std::nullopt, 10, 80},
        {"placing, slower than a file a tick", with(placing, [](auto& i) { i.placedCount = 3; }), {20, 5, 9},
         {21, 5, 10}, std::nullopt, 10, 81},
        {"placing, all placed", with(placing, [](auto& i) { i.placedCount = 40; }), {20, 5, 9}, {21, 5, 10},
         std::nullopt, 0, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TickCounters counters = c.before;
        const TickResult r = ProgressTick(c.in, counters);
        EXPECT_FALSE(r.stopTimer);
        EXPECT_EQ(counters.timeUsed, c.after.timeUsed);
        EXPECT_EQ(counters.extractTicks, c.after.extractTicks);
        EXPECT_EQ(counters.placeTicks, c.after.placeTicks);
        EXPECT_EQ(r.speed, c.speed);
        EXPECT_EQ(r.remaining, c.remaining);
        EXPECT_EQ(r.percent, c.percent);
    }
}

TEST(ProgressTick, HoldsShowOnlyTheElapsedTimeAndACancelFreezesEverything)
{
    ProgressSnapshot in;
    in.totalSize = 100;
    in.currentSize = 50;
    in.phase = JobPhase::Extracting;
    for (ProgressSnapshot held : {[&] { auto h = in; h.phase = JobPhase::Checking; return h; }(),
                                  [&] { auto h = in; h.phase = JobPhase::Settling; return h; }(),
                                  [&] { auto h = in; h.totalSize = 0; return h; }()}) {
        TickCounters counters{7, 2, 0};
        const TickResult r = ProgressTick(held, counters);
        EXPECT_EQ(counters.timeUsed, 8); // the elapsed time moves on
        EXPECT_EQ(counters.extractTicks, 2); // the phase clock does not move either
        EXPECT_FALSE(r.speed || r.remaining || r.percent);
    }
    in.cancel = true;
    TickCounters counters{7, 2, 0};
    const TickResult r = ProgressTick(in, counters);
    EXPECT_TRUE(r.stopTimer);
    EXPECT_EQ(counters.timeUsed, 7);
}

} // namespace
