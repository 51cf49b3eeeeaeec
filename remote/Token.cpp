#include "remote/Token.h"

#include "remote/Sha256.h"

namespace brv::remote {

std::string Base64Url(std::span<const uint8_t> bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    uint32_t acc = 0;
    int bits = 0;
    for (uint8_t b : bytes) {
        acc = acc << 8 | b;
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            out += kAlphabet[(acc >> bits) & 63];
        }
    }
    if (bits > 0) {
        out += kAlphabet[(acc << (6 - bits)) & 63];
    }
    return out;
}

std::string TokenHashHex(const std::string& token) {
    return HexOf(Sha256(token));
}

} // namespace brv::remote
