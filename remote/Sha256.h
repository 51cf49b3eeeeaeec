#pragma once
// SHA-256 of bytes, its lowercase hexadecimal text, and a comparison that takes the same time whatever
// the bytes: the token's hash is checked on every request.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brv::remote {

using Digest = std::array<uint8_t, 32>;

Digest Sha256(std::string_view bytes);
std::string HexOf(const Digest& digest);
// 64 hexadecimal digits (either case); nothing otherwise.
std::optional<Digest> DigestFromHex(std::string_view hex);
// The value of one hexadecimal digit, -1 for any other character.
int HexValue(char c);
bool SameDigest(const Digest& a, const Digest& b);

} // namespace brv::remote
