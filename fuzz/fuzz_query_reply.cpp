// The server query's reply parser on any datagram: no crash, no sanitizer report, no read past the
// packet; only a single-packet header with a known kind is ever alive, and what it read back fits in
// the packet.
#include "query/InfoQuery.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "query reply fuzz: %s\n", what);
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    brv::query::Reply r = brv::query::ParseReply(std::span<const unsigned char>(data, size));
    if (!r.Alive())
        return 0;
    static const unsigned char single[] = {0xFF, 0xFF, 0xFF, 0xFF};
    if (size < 5 || size > brv::query::kMaxPacketBytes || std::memcmp(data, single, 4) != 0)
        Fail("alive without a single-packet header or beyond one packet");
    const char kind = static_cast<char>(data[4]);
    if ((kind == 'I') != (r.kind == brv::query::ReplyKind::Info) ||
        (kind == 'm') != (r.kind == brv::query::ReplyKind::OldInfo) ||
        (kind == 'A') != (r.kind == brv::query::ReplyKind::Challenge))
        Fail("the kind does not match the header");
    const auto& i = r.info;
    size_t text =
        i.name.size() + i.map.size() + i.folder.size() + i.game.size() + i.version.size() + i.address.size();
    if (text > size)
        Fail("read more text than the packet holds");
    if (i.players > 255 || i.maxPlayers > 255 || i.bots > 255 || i.protocol > 255 || i.appId > 65535)
        Fail("a byte or short field out of its range");
    return 0;
}
