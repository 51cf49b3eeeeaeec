#include "app/PortCheck.h"

namespace brv {

long PortValue(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) {
        ++i;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > 65536) {
            value = 65536;
        }
    }
    return value;
}

PortVerdict CheckPort(std::wstring_view text) {
    const long value = PortValue(text);
    if (value == 0) {
        return PortVerdict::Zero;
    }
    return value > 65535 ? PortVerdict::TooLarge : PortVerdict::Ok;
}

} // namespace brv
