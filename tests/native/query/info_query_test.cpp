#include "query/InfoQuery.h"

#include <gtest/gtest.h>

#include <random>

using namespace brv::query;

namespace {

// A reply written byte by byte, as a server puts it on the wire.
struct Packet {
    Bytes b;
    Packet& raw(std::initializer_list<unsigned> bytes) {
        for (unsigned x : bytes) {
            b.push_back(static_cast<unsigned char>(x));
        }
        return *this;
    }
    Packet& str(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
        return *this;
    }
};

Packet InfoHead() {
    Packet p;
    p.raw({0xFF, 0xFF, 0xFF, 0xFF, 'I', 48})
        .str("Arena")
        .str("de_dust2")
        .str("cstrike")
        .str("Counter-Strike");
    p.raw({10, 0, 3, 16, 1, 'd', 'w', 1, 1}); // app 10, 3 of 16 players, 1 bot, dedicated, Windows, pw, VAC
    return p;
}

Packet FullInfo() {
    Packet p = InfoHead();
    p.str("1.1.2.7/Stdio").raw({0x80, 0x87, 0x69});
    return p;
}

Packet OldInfo(bool withMod) {
    Packet p;
    p.raw({0xFF, 0xFF, 0xFF, 0xFF, 'm'}).str("127.0.0.1:27015").str("Old").str("crossfire").str("valve");
    p.str("Half-Life").raw({5, 20, 47, 'D', 'L', 0, withMod ? 1u : 0u});
    if (withMod) {
        p.str("http://mod").str("http://dl").raw({0}).raw({1, 0, 0, 0, 2, 0, 0, 0, 1, 1});
    }
    p.raw({1, 2}); // VAC, bots
    return p;
}

Reply Parse(const Bytes& b) {
    return ParseReply(b);
}

} // namespace

TEST(InfoRequest, BytesWithAndWithoutTheChallenge) {
    Bytes plain = BuildInfoRequest();
    Bytes expected = {0xFF, 0xFF, 0xFF, 0xFF, 0x54};
    std::string payload = "Source Engine Query";
    expected.insert(expected.end(), payload.begin(), payload.end());
    expected.push_back(0);
    EXPECT_EQ(plain, expected);
    EXPECT_EQ(plain.size(), 25u);
    Bytes withChallenge = BuildInfoRequest({0xDE, 0xAD, 0xBE, 0xEF});
    expected.insert(expected.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    EXPECT_EQ(withChallenge, expected);
}

TEST(InfoReply, EveryFieldOfTheInfoReply) {
    Reply r = Parse(FullInfo().b);
    ASSERT_EQ(r.kind, ReplyKind::Info);
    EXPECT_TRUE(r.Alive());
    EXPECT_EQ(r.info.protocol, 48u);
    EXPECT_EQ(r.info.name, "Arena");
    EXPECT_EQ(r.info.map, "de_dust2");
    EXPECT_EQ(r.info.folder, "cstrike");
    EXPECT_EQ(r.info.game, "Counter-Strike");
    EXPECT_EQ(r.info.appId, 10u);
    EXPECT_EQ(r.info.players, 3u);
    EXPECT_EQ(r.info.maxPlayers, 16u);
    EXPECT_EQ(r.info.bots, 1u);
    EXPECT_EQ(r.info.serverType, 'd');
    EXPECT_EQ(r.info.environment, 'w');
    EXPECT_TRUE(r.info.password);
    EXPECT_TRUE(r.info.vac);
    EXPECT_EQ(r.info.version, "1.1.2.7/Stdio");
    // Without the version, the reply still tells everything a launcher shows.
    Reply bare = Parse(InfoHead().b);
    ASSERT_EQ(bare.kind, ReplyKind::Info);
    EXPECT_EQ(bare.info.maxPlayers, 16u);
    EXPECT_EQ(bare.info.version, "");
}

TEST(InfoReply, TheShipCarriesThreeBytesBeforeItsVersion) {
    Packet p;
    p.raw({0xFF, 0xFF, 0xFF, 0xFF, 'I', 7}).str("Ship").str("batavier").str("ship").str("The Ship");
    p.raw({0x60, 0x09, 0, 8, 0, 'd', 'w', 0, 0, 1, 2, 30}).str("1.0.0.4");
    Reply r = Parse(p.b);
    ASSERT_EQ(r.kind, ReplyKind::Info);
    EXPECT_EQ(r.info.appId, 2400u);
    EXPECT_EQ(r.info.version, "1.0.0.4");
}

TEST(InfoReply, TheObsoleteReplyWithAndWithoutItsModFields) {
    for (bool mod : {false, true}) {
        Reply r = Parse(OldInfo(mod).b);
        ASSERT_EQ(r.kind, ReplyKind::OldInfo) << mod;
        EXPECT_TRUE(r.Alive());
        EXPECT_EQ(r.info.address, "127.0.0.1:27015");
        EXPECT_EQ(r.info.name, "Old");
        EXPECT_EQ(r.info.map, "crossfire");
        EXPECT_EQ(r.info.players, 5u);
        EXPECT_EQ(r.info.maxPlayers, 20u);
        EXPECT_EQ(r.info.protocol, 47u);
        EXPECT_EQ(r.info.serverType, 'd');
        EXPECT_EQ(r.info.environment, 'l');
        EXPECT_TRUE(r.info.vac);
        EXPECT_EQ(r.info.bots, 2u);
    }
}

TEST(InfoReply, ChallengeIsExactlyFourBytes) {
    Reply r = Parse({0xFF, 0xFF, 0xFF, 0xFF, 'A', 1, 2, 3, 4});
    ASSERT_EQ(r.kind, ReplyKind::Challenge);
    EXPECT_TRUE(r.Alive());
    EXPECT_EQ(r.challenge, (Challenge{1, 2, 3, 4}));
    EXPECT_FALSE(Parse({0xFF, 0xFF, 0xFF, 0xFF, 'A', 1, 2, 3}).Alive());
    EXPECT_FALSE(Parse({0xFF, 0xFF, 0xFF, 0xFF, 'A', 1, 2, 3, 4, 5}).Alive());
}

TEST(InfoReply, EveryCutOfAReplyIsNotAlive) {
    for (const Packet& whole : {FullInfo(), OldInfo(false), OldInfo(true)}) {
        size_t complete = whole.b.size();
        size_t versionStart = InfoHead().b.size(); // the info reply may end before its version
        for (size_t n = 0; n < complete; ++n) {
            Bytes cut(whole.b.begin(), whole.b.begin() + static_cast<long>(n));
            bool mayEndHere =
                whole.b[4] == 'I' && n >= versionStart &&
                (n == versionStart || n >= versionStart + std::string("1.1.2.7/Stdio").size() + 1);
            EXPECT_EQ(Parse(cut).Alive(), mayEndHere) << "cut at " << n << " of " << complete;
        }
    }
}

TEST(InfoReply, WrongHeadersOversizedAndMultiPacketAreNotAlive) {
    Bytes good = FullInfo().b;
    for (size_t i = 0; i < 5; ++i) {
        Bytes bad = good;
        bad[i] ^= 0x01;
        EXPECT_FALSE(Parse(bad).Alive()) << i;
    }
    Bytes multi = good;
    multi[0] = 0xFE; // a split reply's header
    EXPECT_FALSE(Parse(multi).Alive());
    Bytes split = {0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0x20, 0xFF, 0xFF, 0xFF, 0xFF, 'I'};
    EXPECT_FALSE(Parse(split).Alive());
    for (unsigned kind : {'D', 'E', 'j', 'l', 'i', 'a'}) {
        Bytes other = good;
        other[4] = static_cast<unsigned char>(kind);
        EXPECT_FALSE(Parse(other).Alive()) << static_cast<char>(kind);
    }
    // The extra data may run on, but never beyond one packet.
    Bytes big = good;
    big.resize(kMaxPacketBytes, 0x20);
    EXPECT_TRUE(Parse(big).Alive());
    big.push_back(0x20);
    EXPECT_FALSE(Parse(big).Alive());
    Bytes huge(1 << 20, 0xFF);
    EXPECT_FALSE(Parse(huge).Alive());
    EXPECT_FALSE(ParseReply({}).Alive());
}

TEST(InfoReply, RandomBytesBehindARightHeaderNeverCrash) {
    std::mt19937 rng(20261207);
    int alive = 0;
    for (int i = 0; i < 20000; ++i) {
        Bytes b = {0xFF, 0xFF, 0xFF, 0xFF, static_cast<unsigned char>("IAm"[i % 3])};
        size_t n = rng() % 64;
        for (size_t k = 0; k < n; ++k) {
            b.push_back(static_cast<unsigned char>(rng() % 4 == 0 ? 0 : rng()));
        }
        Reply r = Parse(b);
        if (r.Alive()) {
            ++alive;
            EXPECT_LE(r.info.name.size() + r.info.map.size(), b.size());
        }
    }
    EXPECT_GT(alive, 0); // some random bodies are whole replies; the rest must only be refused
}
