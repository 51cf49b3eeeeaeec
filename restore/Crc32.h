#pragma once
// CRC-32 (the one of zip and PNG: reflected polynomial 0xEDB88320), to tell a damaged file from a whole one.
#include <cstdint>
#include <string_view>

namespace brv {

uint32_t Crc32(std::string_view bytes);

} // namespace brv
