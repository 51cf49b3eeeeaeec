#pragma once
// The [Schedule] settings of "Brivan.ini" as the scheduler uses them, and how their text is read.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brv {

inline constexpr const wchar_t* kDefaultWarnText = L"say Сервер будет перезапущен через %d мин.";
inline constexpr int kLatestWarnMinutes = 1439; // a warning comes less than a day before its restart

struct ScheduleRules {
    std::optional<int> restartAt; // minutes after local midnight; none: no scheduled restarts
    std::vector<int> warnMinutes; // distinct, largest first
    std::wstring warnText = kDefaultWarnText;
};

// "HH:MM" (or "H:MM"), 00:00 to 23:59, blanks around allowed; empty or blank gives none. False for
// any other text, leaving `minutes` unchanged.
bool ParseRestartAt(std::wstring_view text, std::optional<int>& minutes);
// "5,1": whole numbers from 1 to 1439 separated by commas, blanks allowed, repeats merged; empty gives
// none. False for any other text, leaving `minutes` unchanged.
bool ParseWarnMinutes(std::wstring_view text, std::vector<int>& minutes);

// The warning text with every "%d" replaced by the minutes and "%%" by "%"; any other "%" stays as it
// is. The text is never used as a format, so no sequence in it can read what is not there.
std::wstring FormatWarning(std::wstring_view text, int minutes);

} // namespace brv
