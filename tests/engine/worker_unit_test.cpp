// The worker's rules that need no screen: the frame period and the choice of container.
#include "engine/worker.h"

#include <gtest/gtest.h>

TEST(TWorker, IntervalIsAThousandOverFpsFromOneToTwentyFiveElseTwoHundred)
{
    struct Case {
        int fps, interval;
    };
    const Case cases[] = {{15, 66}, {25, 40}, {1, 1000}, {10, 100}, {24, 41},
                          {0, 200}, {26, 200}, {30, 200}, {-1, 200}, {1000, 200}};
    for (const Case& c : cases)
        EXPECT_EQ(TWorker::Interval(c.fps), c.interval) << c.fps;
}

TEST(TWorker, TransportStreamForDotTsInAnyCaseOnly)
{
    struct Case {
        const char* path;
        bool ts;
    };
    const Case cases[] = {
        {"Z:\\out\\record1.ts", true}, {"record.TS", true},   {"a.Ts", true},       {"a.tS", true},
        {".ts", true},                 {"record.flv", false}, {"a.ts.flv", false},  {"ts", false},
        {"s", false},                  {"", false},           {NULL, false},        {"record.ts ", false},
        {"recordts", false},           {"record.mts", false},  {"record,ts", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TWorker::IsTransportStreamPath(c.path), c.ts) << (c.path ? c.path : "(null)");
}

TEST(TWorker, StopWithoutAThreadReturnsFalse)
{
    TWorker worker;
    EXPECT_EQ(g_pWorker, &worker);
    EXPECT_EQ(worker.m_nQuality, 55);
    EXPECT_EQ(worker.m_pRegion, nullptr);
    EXPECT_EQ(worker.m_bPaused, 0);
    EXPECT_FALSE(worker.Stop());
}
