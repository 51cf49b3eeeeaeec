#include "restore/RememberedPolicy.h"

#include <gtest/gtest.h>

namespace {

using brv::ListHold;
using brv::RememberedPolicy;

brv::RememberedServer On(const std::wstring& name, const std::wstring& port, uint32_t pid) {
    brv::RememberedServer e;
    e.record.serverName = name;
    e.record.ip = L"127.0.0.1";
    e.record.port = port;
    e.processId = pid;
    return e;
}

} // namespace

TEST(RememberedPolicy, AListStartUpCouldNotUseIsKeptUntilItMayBeReplaced) {
    RememberedPolicy p;
    EXPECT_TRUE(p.MayWrite());

    // Damaged: nothing in it can be brought back, but it stays until the operator takes charge.
    p.AfterRead(ListHold::kRefused);
    EXPECT_FALSE(p.MayWrite());
    p.OperatorActed();
    EXPECT_TRUE(p.MayWrite());

    // Unreadable: its entries may still be brought back, so no operator action replaces it; a read that
    // succeeds later does.
    p.AfterRead(ListHold::kUnreadable);
    p.OperatorActed();
    EXPECT_FALSE(p.MayWrite());
    p.AfterRead(ListHold::kNone);
    EXPECT_TRUE(p.MayWrite());

    // A few tries over the first minute, then none.
    uint64_t last = 0;
    int tries = 0;
    while (auto at = RememberedPolicy::ReadRetryAtMs(tries)) {
        EXPECT_GT(*at, last);
        last = *at;
        ++tries;
    }
    EXPECT_GE(tries, 3);
    EXPECT_LE(last, 60000u);
}

TEST(RememberedPolicy, AFailedWriteIsToldOnceUntilOneSucceeds) {
    RememberedPolicy p;
    EXPECT_FALSE(p.Written(true).journalRecovered);
    const auto first = p.Written(false);
    EXPECT_TRUE(first.journalFailure);
    EXPECT_TRUE(p.Failing());
    for (int i = 0; i < 5; ++i) { // a crash loop on a full disk: one line, not one per restart
        const auto again = p.Written(false);
        EXPECT_FALSE(again.journalFailure || again.journalRecovered);
    }
    const auto back = p.Written(true);
    EXPECT_TRUE(back.journalRecovered);
    EXPECT_FALSE(back.journalFailure);
    EXPECT_FALSE(p.Failing());
    EXPECT_TRUE(p.Written(false).journalFailure); // a new streak is told again
}

TEST(RememberedPolicy, CarriedEntriesStayInTheListUnlessTheTableTookTheirAddress) {
    const std::vector<brv::RememberedServer> carried = {On(L"Kept", L"27015", 11), On(L"Old", L"27016", 12)};
    const auto list = brv::ListToWrite({On(L"New", L"27016", 21)}, carried);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].record.serverName, L"New");
    EXPECT_EQ(list[1].record.serverName, L"Kept");
    EXPECT_EQ(list[1].processId, 11u);
    EXPECT_EQ(brv::ListToWrite({}, carried).size(), 2u); // even after Exit: they were never ours to stop
}
