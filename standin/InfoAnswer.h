#pragma once
// How the stand-in answers the server query (A2S_INFO) on its game port, without the platform: the
// request it recognises, the challenge it may ask for first, and the reply it sends.
#include <cstdint>
#include <string>
#include <string_view>

namespace standin {

// What the reply tells about the server. Players and bots are always 0.
struct InfoFields {
    std::string name; // the hostname from the config file
    std::string map;
    std::string folder; // the game directory
    std::string game;   // the game's description
    unsigned maxPlayers = 0;
    bool password = false; // a server password is set
    uint16_t gamePort = 0;
};

struct QueryPolicy {
    bool requireChallenge = false;
    uint32_t challenge = 0;  // the four bytes a request must carry, little-endian
    unsigned loadTimeMs = 0; // answers nothing this long after its start
};

enum class AnswerKind {
    Ignored,   // not an info request
    Loading,   // an info request that came before the load time was over
    Challenge, // 'A' with the challenge
    Info,      // 'I'
};

struct Answer {
    AnswerKind kind = AnswerKind::Ignored;
    std::string bytes; // empty for Ignored and Loading
};

// "ignored", "loading", "A", "I": the word the log shows.
const char* AnswerName(AnswerKind kind);

// The answer to one datagram received `msSinceStart` after the process began.
Answer AnswerDatagram(std::string_view datagram, const QueryPolicy& policy, const InfoFields& fields,
                      uint64_t msSinceStart);

// FF FF FF FF 49, protocol 48, the strings, app id 10, players 0, max players, bots 0, 'd', 'w',
// visibility, VAC 1, then the version and the game port as extra data.
std::string InfoReply(const InfoFields& fields);
// FF FF FF FF 41 and the four challenge bytes.
std::string ChallengeReply(uint32_t challenge);

} // namespace standin
