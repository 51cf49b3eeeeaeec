#pragma once
// The access token: random bytes written URL-safe (base64url, no padding), and what "TokenSha256"
// holds of it.
#include <cstdint>
#include <span>
#include <string>

namespace brv::remote {

inline constexpr size_t kTokenBytes = 32; // 256 bits: 43 characters

std::string Base64Url(std::span<const uint8_t> bytes);
// The lowercase hexadecimal SHA-256 of the token's characters.
std::string TokenHashHex(const std::string& token);
// A new token from the platform's cryptographic generator; empty if it failed.
std::string NewToken();

} // namespace brv::remote
