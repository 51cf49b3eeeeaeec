#include "journal/JournalLine.h"

#include "framework/Text.h"

#include <cstdio>

namespace brv {

const char* TagName(JournalTag tag) {
    switch (tag) {
    case JournalTag::Brivan:
        return "BRIVAN";
    case JournalTag::Start:
        return "START";
    case JournalTag::Stop:
        return "STOP";
    case JournalTag::Exit:
        return "EXIT";
    case JournalTag::Window:
        return "WINDOW";
    case JournalTag::Delay:
        return "DELAY";
    case JournalTag::Fail:
        return "FAIL";
    case JournalTag::Hang:
        return "HANG";
    case JournalTag::Adopt:
        return "ADOPT";
    case JournalTag::Restore:
        return "RESTORE";
    case JournalTag::Remote:
        return "REMOTE";
    case JournalTag::Scheduled:
        return "SCHEDULED";
    }
    return "BRIVAN";
}

std::string FormatStamp(const LocalStamp& s) {
    const int offset = s.utcOffsetMinutes < 0 ? -s.utcOffsetMinutes : s.utcOffsetMinutes;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d%c%02d:%02d", s.year, s.month, s.day,
                  s.hour, s.minute, s.second, s.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::wstring OneLine(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    bool inBreak = false;
    for (wchar_t c : text) {
        const auto u = static_cast<uint32_t>(c);
        // C0 controls, DEL, C1 controls and the Unicode line and paragraph separators.
        const bool control = u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
        if (control) {
            if (!inBreak) {
                out.push_back(L' ');
            }
            inBreak = true;
            continue;
        }
        inBreak = false;
        out.push_back(c);
    }
    return out;
}

std::string FormatJournalLine(const LocalStamp& stamp, JournalTag tag, std::wstring_view text) {
    std::string line = FormatStamp(stamp);
    line += ' ';
    line += TagName(tag);
    line += ' ';
    line += ToUtf8(OneLine(text));
    line += "\r\n";
    return line;
}

} // namespace brv
