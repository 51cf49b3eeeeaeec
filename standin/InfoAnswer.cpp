#include "standin/InfoAnswer.h"

#include <algorithm>

namespace standin {

namespace {

constexpr std::string_view kRequest("\xFF\xFF\xFF\xFF"
                                    "TSource Engine Query\0",
                                    25);
constexpr unsigned char kProtocol = 48;
constexpr uint16_t kAppId = 10;
constexpr char kVersion[] = "1.1.2.7/Stdio";
constexpr unsigned char kExtraDataPort = 0x80;

void PutShort(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void PutLong(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

// A string field ends at its NUL, so one inside the text would cut it there on the reader's side.
// Each is kept under 256 bytes (cut between UTF-8 characters), so the whole reply fits one packet.
void PutString(std::string& out, std::string_view s) {
    constexpr size_t kMaxField = 255;
    s = s.substr(0, s.find('\0'));
    if (s.size() > kMaxField) {
        size_t n = kMaxField;
        while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) {
            --n;
        }
        s = s.substr(0, n);
    }
    out.append(s);
    out.push_back('\0');
}

} // namespace

const char* AnswerName(AnswerKind kind) {
    switch (kind) {
    case AnswerKind::Ignored:
        return "ignored";
    case AnswerKind::Loading:
        return "loading";
    case AnswerKind::Challenge:
        return "A";
    case AnswerKind::Info:
        return "I";
    }
    return "";
}

std::string InfoReply(const InfoFields& f) {
    std::string out("\xFF\xFF\xFF\xFF"
                    "I",
                    5);
    out.push_back(static_cast<char>(kProtocol));
    PutString(out, f.name);
    PutString(out, f.map);
    PutString(out, f.folder);
    PutString(out, f.game);
    PutShort(out, kAppId);
    out.push_back(0); // players
    out.push_back(static_cast<char>(std::min(f.maxPlayers, 255u)));
    out.push_back(0); // bots
    out.push_back('d');
    out.push_back('w');
    out.push_back(f.password ? 1 : 0);
    out.push_back(1); // VAC
    PutString(out, kVersion);
    out.push_back(static_cast<char>(kExtraDataPort));
    PutShort(out, f.gamePort);
    return out;
}

std::string ChallengeReply(uint32_t challenge) {
    std::string out("\xFF\xFF\xFF\xFF"
                    "A",
                    5);
    PutLong(out, challenge);
    return out;
}

Answer AnswerDatagram(std::string_view datagram, const QueryPolicy& policy, const InfoFields& fields,
                      uint64_t msSinceStart) {
    Answer a;
    if (datagram.substr(0, kRequest.size()) != kRequest) {
        return a;
    }
    if (msSinceStart < policy.loadTimeMs) {
        a.kind = AnswerKind::Loading;
        return a;
    }
    std::string expected;
    PutLong(expected, policy.challenge);
    if (policy.requireChallenge && datagram.substr(kRequest.size(), 4) != expected) {
        a.kind = AnswerKind::Challenge;
        a.bytes = ChallengeReply(policy.challenge);
        return a;
    }
    a.kind = AnswerKind::Info;
    a.bytes = InfoReply(fields);
    return a;
}

} // namespace standin
