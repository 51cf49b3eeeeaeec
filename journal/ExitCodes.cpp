#include "journal/ExitCodes.h"

namespace brv {
namespace {

struct KnownCode {
    uint32_t code;
    const wchar_t* name;
};

// Codes a crashing or refused server process actually ends with, plus the two of our own making.
constexpr KnownCode kKnownCodes[] = {
    {0x00000000u, L"нормальное завершение"},
    {0xFFFFFFFFu, L"ошибка запуска"},
    {0xC0000005u, L"ACCESS_VIOLATION"},
    {0xC00000FDu, L"STACK_OVERFLOW"},
    {0xC0000409u, L"STACK_BUFFER_OVERRUN"},
    {0xC0000374u, L"HEAP_CORRUPTION"},
    {0xC000001Du, L"ILLEGAL_INSTRUCTION"},
    {0xC0000096u, L"PRIVILEGED_INSTRUCTION"},
    {0xC0000094u, L"INTEGER_DIVIDE_BY_ZERO"},
    {0xC0000095u, L"INTEGER_OVERFLOW"},
    {0xC000008Eu, L"FLOAT_DIVIDE_BY_ZERO"},
    {0xC0000090u, L"FLOAT_INVALID_OPERATION"},
    {0xC0000006u, L"IN_PAGE_ERROR"},
    {0xC0000017u, L"NO_MEMORY"},
    {0xC0000135u, L"DLL_NOT_FOUND"},
    {0xC0000139u, L"ENTRYPOINT_NOT_FOUND"},
    {0xC0000142u, L"DLL_INIT_FAILED"},
    {0xC000007Bu, L"INVALID_IMAGE_FORMAT"},
    {0xC0000420u, L"ASSERTION_FAILURE"},
    {0xC000013Au, L"CONTROL_C_EXIT"},
    {0x80000003u, L"BREAKPOINT"},
    {0x40010004u, L"DBG_TERMINATE_PROCESS"},
};

} // namespace

std::wstring HexCode(uint32_t code) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text = L"0x";
    for (int shift = 28; shift >= 0; shift -= 4) {
        text.push_back(kDigits[(code >> shift) & 0xF]);
    }
    return text;
}

std::wstring ExitCodeName(uint32_t code) {
    for (const KnownCode& k : kKnownCodes) {
        if (k.code == code) {
            return k.name;
        }
    }
    return {};
}

std::wstring ExitCodeText(uint32_t code) {
    std::wstring text = HexCode(code);
    const std::wstring name = ExitCodeName(code);
    if (!name.empty()) {
        text += L" (" + name + L")";
    }
    return text;
}

std::wstring UptimeText(uint64_t seconds) {
    const uint64_t days = seconds / 86400;
    const uint64_t hours = seconds / 3600 % 24;
    const uint64_t minutes = seconds / 60 % 60;
    const uint64_t secs = seconds % 60;
    auto two = [](uint64_t v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); };
    if (days > 0) {
        return std::to_wstring(days) + L" д " + two(hours) + L" ч " + two(minutes) + L" мин";
    }
    if (hours > 0) {
        return std::to_wstring(hours) + L" ч " + two(minutes) + L" мин " + two(secs) + L" с";
    }
    if (minutes > 0) {
        return std::to_wstring(minutes) + L" мин " + two(secs) + L" с";
    }
    return std::to_wstring(secs) + L" с";
}

} // namespace brv
