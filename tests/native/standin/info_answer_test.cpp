// The stand-in's answers, read back with the launcher's own parser.
#include "query/InfoQuery.h"
#include "standin/InfoAnswer.h"

#include <gtest/gtest.h>

using namespace standin;
namespace q = brv::query;

namespace {

std::string Request(const q::Bytes& b) {
    return std::string(b.begin(), b.end());
}

q::Reply Read(const std::string& bytes) {
    return q::ParseReply(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

InfoFields Arena() {
    InfoFields f;
    f.name = "Arena \xD0\x90";
    f.map = "de_dust2";
    f.folder = "valve";
    f.game = "Brivan stand-in";
    f.maxPlayers = 24;
    f.gamePort = 27015;
    return f;
}

} // namespace

TEST(StandinQuery, InfoReplyCarriesEveryField) {
    InfoFields f = Arena();
    Answer a = AnswerDatagram(Request(q::BuildInfoRequest()), {}, f, 0);
    ASSERT_EQ(a.kind, AnswerKind::Info);
    EXPECT_EQ(a.bytes.substr(0, 6), std::string("\xFF\xFF\xFF\xFFI\x30", 6));
    q::Reply r = Read(a.bytes);
    ASSERT_EQ(r.kind, q::ReplyKind::Info);
    EXPECT_EQ(r.info.protocol, 48u);
    EXPECT_EQ(r.info.name, f.name);
    EXPECT_EQ(r.info.map, "de_dust2");
    EXPECT_EQ(r.info.folder, "valve");
    EXPECT_EQ(r.info.game, "Brivan stand-in");
    EXPECT_EQ(r.info.appId, 10u);
    EXPECT_EQ(r.info.players, 0u);
    EXPECT_EQ(r.info.maxPlayers, 24u);
    EXPECT_EQ(r.info.bots, 0u);
    EXPECT_EQ(r.info.serverType, 'd');
    EXPECT_EQ(r.info.environment, 'w');
    EXPECT_FALSE(r.info.password);
    EXPECT_TRUE(r.info.vac);
    EXPECT_FALSE(r.info.version.empty());
    // The game port follows as extra data.
    EXPECT_EQ(a.bytes.substr(a.bytes.size() - 3), std::string("\x80\x87\x69", 3));

    f.password = true;
    f.maxPlayers = 300; // one byte on the wire
    r = Read(InfoReply(f));
    EXPECT_TRUE(r.info.password);
    EXPECT_EQ(r.info.maxPlayers, 255u);
}

TEST(StandinQuery, LongOrNulHoldingNamesStillGiveOneWholePacket) {
    InfoFields f = Arena();
    f.name = std::string(254, 'n') + "\xD0\x90\xD0\x91" + std::string(3000, 'x');
    f.map = std::string("de_\0x", 5);
    f.folder = std::string(5000, 'f');
    f.game = std::string(5000, 'g');
    std::string bytes = InfoReply(f);
    EXPECT_LE(bytes.size(), q::kMaxPacketBytes);
    q::Reply r = Read(bytes);
    ASSERT_EQ(r.kind, q::ReplyKind::Info);
    EXPECT_EQ(r.info.name, std::string(254, 'n')); // cut before the character that would not fit whole
    EXPECT_EQ(r.info.map, "de_");
    EXPECT_EQ(r.info.folder.size(), 255u);
}

TEST(StandinQuery, ChallengeFirstThenInfoOnlyForTheRequestThatCarriesIt) {
    QueryPolicy p;
    p.requireChallenge = true;
    p.challenge = 0x0A0B0C0D;
    InfoFields f = Arena();
    Answer first = AnswerDatagram(Request(q::BuildInfoRequest()), p, f, 0);
    ASSERT_EQ(first.kind, AnswerKind::Challenge);
    EXPECT_EQ(first.bytes, std::string("\xFF\xFF\xFF\xFF\x41\x0D\x0C\x0B\x0A", 9));
    q::Reply r = Read(first.bytes);
    ASSERT_EQ(r.kind, q::ReplyKind::Challenge);
    EXPECT_EQ(AnswerDatagram(Request(q::BuildInfoRequest(r.challenge)), p, f, 0).kind, AnswerKind::Info);
    EXPECT_EQ(AnswerDatagram(Request(q::BuildInfoRequest({0x0D, 0x0C, 0x0B, 0x0B})), p, f, 0).kind,
              AnswerKind::Challenge);
    EXPECT_EQ(AnswerDatagram(Request(q::BuildInfoRequest({0xFF, 0xFF, 0xFF, 0xFF})), p, f, 0).kind,
              AnswerKind::Challenge);
    // Without the switch a request that carries bytes is answered all the same.
    EXPECT_EQ(AnswerDatagram(Request(q::BuildInfoRequest({1, 2, 3, 4})), {}, f, 0).kind, AnswerKind::Info);
}

TEST(StandinQuery, SilentWhileLoadingAndDeafToAnythingElse) {
    QueryPolicy p;
    p.loadTimeMs = 3000;
    InfoFields f = Arena();
    std::string req = Request(q::BuildInfoRequest());
    Answer early = AnswerDatagram(req, p, f, 2999);
    EXPECT_EQ(early.kind, AnswerKind::Loading);
    EXPECT_TRUE(early.bytes.empty());
    EXPECT_EQ(AnswerDatagram(req, p, f, 3000).kind, AnswerKind::Info);
    for (const std::string& other :
         {std::string(), std::string("\xFF\xFF\xFF\xFF", 4), req.substr(0, req.size() - 1),
          std::string("\xFF\xFF\xFF\xFFUxxxx", 9), std::string("\xFE\xFF\xFF\xFFTSource Engine Query\0", 25),
          std::string("\xFF\xFF\xFF\xFFTSource Engine query\0", 25)}) {
        Answer a = AnswerDatagram(other, p, f, 5000);
        EXPECT_EQ(a.kind, AnswerKind::Ignored);
        EXPECT_TRUE(a.bytes.empty());
    }
    EXPECT_STREQ(AnswerName(AnswerKind::Loading), "loading");
    EXPECT_STREQ(AnswerName(AnswerKind::Info), "I");
}
