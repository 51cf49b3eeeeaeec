#include "query/InfoQuery.h"

#include <cctype>
#include <cstring>

namespace brv::query {

namespace {

constexpr unsigned char kSinglePacket[] = {0xFF, 0xFF, 0xFF, 0xFF};
constexpr char kInfoPayload[] = "Source Engine Query"; // sent with its NUL
constexpr unsigned kTheShipAppId = 2400;               // its reply carries three bytes more

// Reads a reply front to back; every read fails once the packet is used up.
class Reader {
public:
    explicit Reader(std::span<const unsigned char> bytes) : m_bytes(bytes) {}

    bool Byte(unsigned& out) {
        if (m_at >= m_bytes.size()) {
            return false;
        }
        out = m_bytes[m_at++];
        return true;
    }
    bool Char(char& out) {
        unsigned b = 0;
        if (!Byte(b)) {
            return false;
        }
        out = static_cast<char>(std::tolower(static_cast<int>(b)));
        return true;
    }
    bool Short(unsigned& out) {
        unsigned lo = 0, hi = 0;
        if (!Byte(lo) || !Byte(hi)) {
            return false;
        }
        out = lo | (hi << 8);
        return true;
    }
    bool Skip(size_t n) {
        if (m_bytes.size() - m_at < n) {
            return false;
        }
        m_at += n;
        return true;
    }
    // A NUL-terminated string; one without its NUL is cut short.
    bool String(std::string& out) {
        const void* nul = std::memchr(m_bytes.data() + m_at, 0, m_bytes.size() - m_at);
        if (nul == nullptr) {
            return false;
        }
        size_t end = static_cast<size_t>(static_cast<const unsigned char*>(nul) - m_bytes.data());
        out.assign(reinterpret_cast<const char*>(m_bytes.data() + m_at), end - m_at);
        m_at = end + 1;
        return true;
    }
    bool AtEnd() const { return m_at == m_bytes.size(); }

private:
    std::span<const unsigned char> m_bytes;
    size_t m_at = 0;
};

bool Flag(Reader& r, bool& out) {
    unsigned b = 0;
    if (!r.Byte(b)) {
        return false;
    }
    out = b != 0;
    return true;
}

bool ReadInfo(Reader& r, ServerInfo& s) {
    if (!r.Byte(s.protocol) || !r.String(s.name) || !r.String(s.map) || !r.String(s.folder) ||
        !r.String(s.game) || !r.Short(s.appId) || !r.Byte(s.players) || !r.Byte(s.maxPlayers) ||
        !r.Byte(s.bots) || !r.Char(s.serverType) || !r.Char(s.environment) || !Flag(r, s.password) ||
        !Flag(r, s.vac)) {
        return false;
    }
    if (s.appId == kTheShipAppId && !r.Skip(3)) {
        return false;
    }
    // The version may be missing; what follows it (the extra data flags) is not needed here.
    return r.AtEnd() || r.String(s.version);
}

bool ReadOldInfo(Reader& r, ServerInfo& s) {
    unsigned mod = 0;
    if (!r.String(s.address) || !r.String(s.name) || !r.String(s.map) || !r.String(s.folder) ||
        !r.String(s.game) || !r.Byte(s.players) || !r.Byte(s.maxPlayers) || !r.Byte(s.protocol) ||
        !r.Char(s.serverType) || !r.Char(s.environment) || !Flag(r, s.password) || !r.Byte(mod)) {
        return false;
    }
    if (mod == 1) {
        // Link, download link, a NUL, version and size (32 bits each), type, DLL.
        std::string link, download, nul;
        if (!r.String(link) || !r.String(download) || !r.String(nul) || !r.Skip(10)) {
            return false;
        }
    }
    return Flag(r, s.vac) && r.Byte(s.bots);
}

} // namespace

Bytes BuildInfoRequest() {
    Bytes b(std::begin(kSinglePacket), std::end(kSinglePacket));
    b.push_back('T');
    b.insert(b.end(), std::begin(kInfoPayload), std::end(kInfoPayload)); // with its NUL
    return b;
}

Bytes BuildInfoRequest(const Challenge& challenge) {
    Bytes b = BuildInfoRequest();
    b.insert(b.end(), challenge.begin(), challenge.end());
    return b;
}

Reply ParseReply(std::span<const unsigned char> packet) {
    Reply reply;
    if (packet.size() < 5 || packet.size() > kMaxPacketBytes ||
        std::memcmp(packet.data(), kSinglePacket, sizeof kSinglePacket) != 0) {
        return reply;
    }
    Reader r(packet.subspan(5));
    Reply parsed;
    bool whole = false;
    switch (packet[4]) {
    case 'I':
        parsed.kind = ReplyKind::Info;
        whole = ReadInfo(r, parsed.info);
        break;
    case 'm':
        parsed.kind = ReplyKind::OldInfo;
        whole = ReadOldInfo(r, parsed.info);
        break;
    case 'A':
        parsed.kind = ReplyKind::Challenge;
        whole = packet.size() == 5 + parsed.challenge.size();
        if (whole) {
            std::memcpy(parsed.challenge.data(), packet.data() + 5, parsed.challenge.size());
        }
        break;
    default:
        break;
    }
    return whole ? parsed : reply;
}

} // namespace brv::query
