#pragma once
// One line of "Brivan.log": local date and time with the UTC offset, a fixed upper-case tag, the
// operator's text; UTF-8 without a mark, CR LF at the end.
#include <string>
#include <string_view>

namespace brv {

enum class JournalTag {
    Brivan,
    Start,
    Stop,
    Exit,
    Window,
    Delay,
    Fail,
    Hang,
    Adopt,
    Restore,
    Scheduled,
    Remote
};

// "BRIVAN", "START", ... as written in the file.
const char* TagName(JournalTag tag);

// A local wall-clock time and how far it is ahead of UTC (negative west of Greenwich).
struct LocalStamp {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int utcOffsetMinutes = 0;
};

// "2026-12-07 15:04:05+03:00"
std::string FormatStamp(const LocalStamp& stamp);

// The text on one line: every run of line breaks, tabs and other control characters becomes one blank,
// so a multi-line error message cannot split a journal entry or forge another.
std::wstring OneLine(std::wstring_view text);

// "<stamp> <TAG> <text>\r\n" in UTF-8.
std::string FormatJournalLine(const LocalStamp& stamp, JournalTag tag, std::wstring_view text);

} // namespace brv
