#include "framework/InvalidArgument.h"
#include "servers/ServerTable.h"

#include <gtest/gtest.h>

namespace {
brvRunSL Named(const std::wstring& title) {
    brvRunSL r;
    r.serverTitle = title;
    return r;
}
} // namespace

TEST(Record, DefaultsAreTheFreshRecordValues) {
    const brvRunSL r;
    EXPECT_EQ(r.playerCount, L"32");
    EXPECT_EQ(r.port, L"27015");
    EXPECT_EQ(r.map, L"de_dust2");
    EXPECT_EQ(r.rconPassword, L"864209753");
    EXPECT_EQ(r.extraParams, L"-insecure -noipx +exec listip.cfg");
    EXPECT_EQ(r.ip, L"127.0.0.1");
    EXPECT_TRUE(r.serverName.empty());
    EXPECT_TRUE(r.gamePassword.empty());
    EXPECT_EQ(r.mapping, nullptr);
    EXPECT_EQ(r.consoleWindow, nullptr);
}

TEST(ServerTable, RemoveKeepsOrderAndSearchIsExact) {
    ServerTable t;
    t.Append(Named(L"a - 1"));
    t.Append(Named(L"b - 2"));
    t.Append(Named(L"c - 3"));
    t.RemoveAt(0);
    ASSERT_EQ(t.Count(), 2);
    EXPECT_EQ(t.At(0).serverTitle, L"b - 2");
    EXPECT_EQ(t.At(1).serverTitle, L"c - 3");
    EXPECT_TRUE(t.FindByTitle(L"c - 3").has_value());
    EXPECT_FALSE(t.FindByTitle(L"C - 3").has_value());
    EXPECT_THROW(t.At(2), brv::InvalidArgumentError);
    EXPECT_THROW(t.RemoveAt(-1), brv::InvalidArgumentError);
}

TEST(ServerTable, ReleaseClosesEachChannelHandleOnceAndCopiesKeepStaleValues) {
    ServerTable t;
    brvRunSL r = Named(L"x - 1");
    int a = 0, b = 0;
    r.mapping = &a;
    r.parentEvent = nullptr;
    r.childEvent = &b;
    t.Append(r);
    const brvRunSL copy = t.At(0);
    std::vector<brvHandle> closed;
    t.ReleaseHandlesAt(0, [&closed](brvHandle h) { closed.push_back(h); });
    t.ReleaseHandlesAt(0, [&closed](brvHandle h) { closed.push_back(h); });
    EXPECT_EQ(closed, (std::vector<brvHandle>{&a, &b}));
    EXPECT_EQ(t.At(0).mapping, nullptr);
    EXPECT_EQ(copy.mapping, &a);
}
