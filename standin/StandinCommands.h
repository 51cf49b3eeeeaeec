#pragma once
// The stand-in's console commands and its start-up switch file, read without the platform.
#include <cstdint>
#include <string>
#include <string_view>

namespace standin {

enum class CommandKind {
    Status,        // "status": logs hostname, port and map
    Quit,          // "quit": ends with code 0
    Crash,         // "crash": a "Fatal Error - Dedicated server" window, then code 3 once it is closed
    Crash2,        // "crash2": the same with the title "Fatal Error"
    LauncherError, // "launcher_error": a "Half-Life Dedicated Server Error" window, then code -1 once closed
    AccessViolation, // "access_violation": writes through a null pointer, with no handler of its own
    Hang,            // "hang": the main loop stops for good
    Stall,           // "stall N": the main loop stops for N seconds
    ConsoleMode,     // "console_mode": logs its console's input mode
    Other,           // anything else is echoed to the log
};

struct Command {
    CommandKind kind = CommandKind::Other;
    unsigned seconds = 0; // for Stall, at most kMaxStallSeconds
    std::string text;     // the line without its line end and surrounding blanks
};

inline constexpr unsigned kMaxStallSeconds = 3600;

// One line as the channel or the console hands it over ("stall 5 \n").
Command ParseCommand(std::string_view line);

// While this file lies in the working directory, every start ends at once with the code it names.
inline constexpr wchar_t kDieFile[] = L"standin.die";
// The same for the server on one port alone ("standin-27015.die"), so one of many can be made to fail.
std::wstring DieFileFor(std::wstring_view port);
// The code: the file's text as a decimal number (a minus sign allowed, -1 gives 0xFFFFFFFF) or as
// 0x and hex digits; 1 when it holds no such number.
uint32_t DieExitCode(std::string_view fileText);

} // namespace standin
