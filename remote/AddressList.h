#pragma once
// Who may connect: IPv4 addresses and CIDR ranges as "AllowFrom" lists them. 127.0.0.1 is always
// let in; any other address (other loopback ones too) only when a range holds it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brv::remote {

inline constexpr uint32_t kLoopback = 0x7F000001;

// Dotted IPv4 in host order: four decimal parts 0-255, no leading zeros beyond "0" itself.
std::optional<uint32_t> ParseIpv4(std::string_view text);
std::string Ipv4Text(uint32_t ip);

struct IpRange {
    uint32_t base = 0; // masked
    int prefix = 32;
    bool operator==(const IpRange&) const = default;
};
// "a.b.c.d" or "a.b.c.d/n" (0-32; the address is masked to the range).
std::optional<IpRange> ParseRange(std::string_view text);

class AddressList {
public:
    // Comma-separated entries, blanks around them ignored, empty entries skipped; nothing when any
    // entry is not an address or range.
    static std::optional<AddressList> Parse(std::string_view text);
    bool Allows(uint32_t ip) const;
    const std::vector<IpRange>& Ranges() const { return m_ranges; }

private:
    std::vector<IpRange> m_ranges;
};

} // namespace brv::remote
