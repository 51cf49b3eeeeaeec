#include "servers/RestartPacer.h"

#include <gtest/gtest.h>

TEST(RestartPacer, OncePerIntervalPerServer) {
    RestartPacer p(500);
    auto a = RestartPacer::KeyOf(L"A - 1", L"127.0.0.1", L"1");
    auto b = RestartPacer::KeyOf(L"B - 2", L"127.0.0.1", L"2");
    EXPECT_TRUE(p.Due(a, 1000));
    p.Restarted(a, 1000);
    EXPECT_FALSE(p.Due(a, 1499));
    EXPECT_EQ(p.DueIn(a, 1200), 300u);
    EXPECT_TRUE(p.Due(b, 1200));
    EXPECT_EQ(p.NextDueIn(1400), 100u);
    EXPECT_TRUE(p.Due(a, 1500));
    EXPECT_EQ(p.DueIn(a, 1500), 0u);
    p.Prune(1500);
    EXPECT_FALSE(p.NextDueIn(1500).has_value());
}
