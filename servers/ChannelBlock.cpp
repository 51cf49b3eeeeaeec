#include "servers/ChannelBlock.h"

#include <cstring>

namespace brv {

int32_t HandleNumber(const void* handle) {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(handle));
}

std::wstring FormatChannelArgs(const void* mapping, const void* parentEvent, const void* childEvent) {
    return L" -HFILE " + std::to_wstring(HandleNumber(mapping)) + L" -HPARENT " +
           std::to_wstring(HandleNumber(parentEvent)) + L" -HCHILD " +
           std::to_wstring(HandleNumber(childEvent));
}

size_t Utf16Units(std::wstring_view text) {
    size_t n = 0;
    for (wchar_t c : text) {
        // Natively a wide character is a code point; on the platform it already is one unit.
        if constexpr (sizeof(wchar_t) > 2) {
            n += static_cast<uint64_t>(static_cast<uint32_t>(c)) >> 16 != 0 ? 2 : 1;
        } else {
            n += 1;
        }
    }
    return n;
}

bool FillLaunchCommand(std::array<wchar_t, kLaunchCommandUnits>& buffer, const std::wstring& commandLine,
                       const std::wstring& channelArgs) {
    if (Utf16Units(commandLine) + Utf16Units(channelArgs) + 1 > kLaunchCommandUnits) {
        return false;
    }
    // Natively a wide character is a code point, so the unit count above is the stricter bound.
    std::wstring whole = commandLine + channelArgs;
    std::copy(whole.begin(), whole.end(), buffer.begin());
    buffer[whole.size()] = L'\0';
    return true;
}

namespace {

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

} // namespace

std::string FitCommandText(std::wstring_view command, const ByteEncoder& encode, size_t maxBytes) {
    std::string whole = encode(command);
    if (whole.size() <= maxBytes) {
        return whole;
    }
    std::wstring_view tail;
    if (!command.empty() && command.back() == L'\n') {
        size_t keep = command.size() >= 2 && command[command.size() - 2] == L' ' ? 2 : 1;
        tail = command.substr(command.size() - keep);
        command.remove_suffix(keep);
    }
    std::string tailBytes = encode(tail);
    if (tailBytes.size() > maxBytes) {
        return {};
    }
    const size_t room = maxBytes - tailBytes.size();
    // The longest prefix that fits; encoded length grows with the prefix, so bisect.
    size_t lo = 0;
    size_t hi = command.size();
    while (lo < hi) {
        size_t mid = lo + (hi - lo + 1) / 2;
        if (encode(command.substr(0, mid)).size() <= room) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    if (lo > 0 && IsHighSurrogate(command[lo - 1])) {
        --lo; // never part a surrogate pair
    }
    return encode(command.substr(0, lo)) + tailBytes;
}

void WriteCommandBlock(unsigned char* block, std::string_view text) {
    const int32_t code = kCommandCode;
    std::memcpy(block, &code, sizeof code);
    size_t n = text.size() < kCommandTextBytes ? text.size() : kCommandTextBytes - 1;
    std::memcpy(block + kCommandTextOffset, text.data(), n);
    block[kCommandTextOffset + n] = 0;
}

bool CommandPending(const unsigned char* block) {
    int32_t code = 0;
    std::memcpy(&code, block, sizeof code);
    return code == kCommandCode;
}

} // namespace brv
