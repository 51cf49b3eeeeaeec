#include "remote/AddressList.h"
#include "remote/RateLimiter.h"
#include "remote/Sha256.h"
#include "remote/Token.h"

#include <gtest/gtest.h>

using namespace brv::remote;

TEST(Sha256, KnownVectors) {
    EXPECT_EQ(HexOf(Sha256("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(HexOf(Sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first block's tail.
    EXPECT_EQ(HexOf(Sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(HexOf(Sha256(std::string(1000000, 'a'))),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, HexRoundTripAndComparison) {
    const Digest d = Sha256("token");
    ASSERT_TRUE(DigestFromHex(HexOf(d)));
    EXPECT_TRUE(SameDigest(*DigestFromHex(HexOf(d)), d));
    std::string upper = HexOf(d);
    for (char& c : upper) {
        c = static_cast<char>(toupper(c));
    }
    EXPECT_TRUE(SameDigest(*DigestFromHex(upper), d));
    EXPECT_FALSE(DigestFromHex(HexOf(d).substr(1)));
    EXPECT_FALSE(DigestFromHex(std::string(63, 'a') + "g"));
    Digest other = d;
    other[31] ^= 1;
    EXPECT_FALSE(SameDigest(d, other));
}

TEST(Token, UrlSafeTextOfAllBytes) {
    const uint8_t bytes[] = {0xFB, 0xFF, 0xBF, 0x00};
    EXPECT_EQ(Base64Url(bytes), "-_-_AA");
    uint8_t random[kTokenBytes] = {};
    EXPECT_EQ(Base64Url(random).size(), 43u);
    EXPECT_EQ(TokenHashHex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(AddressList, ParsesAddressesAndRanges) {
    EXPECT_EQ(ParseIpv4("192.168.1.20"), 0xC0A80114u);
    for (const char* bad :
         {"256.1.1.1", "1.2.3", "1.2.3.4.5", "01.2.3.4", "1.2.3.4 ", "a.b.c.d", "", "1..2.3"}) {
        EXPECT_FALSE(ParseIpv4(bad)) << bad;
    }
    EXPECT_EQ(ParseRange("10.1.2.3/8"), (IpRange{0x0A000000, 8}));
    EXPECT_EQ(ParseRange("0.0.0.0/0"), (IpRange{0, 0}));
    EXPECT_FALSE(ParseRange("10.0.0.0/33"));
    EXPECT_FALSE(ParseRange("10.0.0.0/"));
    EXPECT_EQ(Ipv4Text(0x7F000001), "127.0.0.1");
}

TEST(AddressList, LoopbackAlwaysOtherLoopbackOnlyWhenListed) {
    const auto empty = AddressList::Parse("");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->Allows(kLoopback));
    EXPECT_FALSE(empty->Allows(0x7F000002));
    const auto list = AddressList::Parse(" 192.168.1.0/24 , 127.0.0.2,,10.0.0.7 ");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Ranges().size(), 3u);
    EXPECT_TRUE(list->Allows(0x7F000002));
    EXPECT_TRUE(list->Allows(0xC0A801FE));
    EXPECT_FALSE(list->Allows(0xC0A802FE));
    EXPECT_TRUE(list->Allows(0x0A000007));
    EXPECT_FALSE(list->Allows(0x0A000008));
    EXPECT_FALSE(AddressList::Parse("192.168.1.0/24, nonsense"));
}

TEST(RateLimiter, BurstThenRefillPerAddress) {
    RateLimiter limiter(10, 3, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(limiter.Allow(1, 1000));
    }
    EXPECT_FALSE(limiter.Allow(1, 1000));
    EXPECT_TRUE(limiter.Allow(2, 1000)); // another address has its own bucket
    EXPECT_TRUE(limiter.Allow(1, 1100)); // 100 ms at 10/s: one more
    EXPECT_FALSE(limiter.Allow(1, 1100));
    // A third address evicts the longest idle bucket, never growing past the bound.
    EXPECT_TRUE(limiter.Allow(3, 1200));
    EXPECT_TRUE(limiter.Allow(2, 1200));
}
