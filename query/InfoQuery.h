#pragma once
// The standard server query (A2S_INFO) as a launcher sends it and reads the answer, without the
// platform. A full answer of the right header and a complete body proves that the server's frame loop
// runs; what counts as an answer to a question is ServerWatch's to judge.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brv::query {

// Longest reply that fits one packet; a longer body comes split under the multi-packet header.
inline constexpr size_t kMaxPacketBytes = 1400;

using Bytes = std::vector<unsigned char>;
using Challenge = std::array<unsigned char, 4>;

// FF FF FF FF 54 "Source Engine Query" 00, followed by the challenge bytes when there are some.
Bytes BuildInfoRequest();
Bytes BuildInfoRequest(const Challenge& challenge);

// What one reply tells about the server: the fields of 'I' and of the obsolete 'm' reply.
struct ServerInfo {
    unsigned protocol = 0;
    std::string name;
    std::string map;
    std::string folder;
    std::string game;
    unsigned appId = 0;
    unsigned players = 0;
    unsigned maxPlayers = 0;
    unsigned bots = 0;
    char serverType = 0;  // 'd' dedicated, 'l' listen, 'p' proxy (the obsolete reply's capitals lowered)
    char environment = 0; // 'w', 'l', 'm' or 'o' (lowered likewise)
    bool password = false;
    bool vac = false;
    std::string version; // empty when the reply ends after the VAC byte
    std::string address; // the obsolete reply's own "ip:port"
};

enum class ReplyKind {
    None,      // not a reply of this query: wrong header, unknown kind, cut short, oversized, garbage
    Info,      // 'I'
    OldInfo,   // 'm', the obsolete form that older servers still send
    Challenge, // 'A': the request must be sent again with these four bytes
};

struct Reply {
    ReplyKind kind = ReplyKind::None;
    ServerInfo info;       // for Info and OldInfo
    Challenge challenge{}; // for Challenge

    // A well-formed reply of one of the three kinds (a challenge alone is no answer yet).
    bool Alive() const { return kind != ReplyKind::None; }
};

// Reads one datagram. Never reads past `packet`; anything that is not a whole, single-packet reply of
// the three kinds gives ReplyKind::None.
Reply ParseReply(std::span<const unsigned char> packet);

} // namespace brv::query
