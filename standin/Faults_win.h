#pragma once
// The ways a real server fails that a launcher has to cope with, on request.
#include <string>

namespace standin {

// Ends at once with the code "standin.die" (or this port's own die file) names, while that file lies in
// the working directory.
void DieIfAsked(const std::wstring& port);

// The engine's fatal error: a message box with this title whose static text says why; once it is
// closed the process ends with code 3.
[[noreturn]] void FatalErrorWindow(const wchar_t* title, const char* reason);
// The launcher's error: a "Half-Life Dedicated Server Error" box that waits for ever; once it is
// closed the process ends with code -1.
[[noreturn]] void LauncherErrorWindow();
// A write through a null pointer with no handler of ours: the system ends the process with
// 0xC0000005 (at once when the error mode it inherited suppresses the crash window).
[[noreturn]] void AccessViolation();
// The calling thread (the main loop) stops for good, or for `seconds`.
[[noreturn]] void HangForGood();
void Stall(unsigned seconds);

} // namespace standin
