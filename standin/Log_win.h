#pragma once
// The stand-in's log: "standin.log" in its working directory, one line per event, shared safely by
// every instance (each line is one append).
#include <cstdint>
#include <string_view>

namespace standin {

void OpenLog();
// Appends one line and hands it to the on-screen view, if any.
void Log(std::string_view event, std::string_view detail);
using LogView = void (*)(std::string_view line);
void SetLogView(LogView view);
uint32_t Pid();
// Milliseconds since this process was created.
long long MillisSinceStart();
// Logs why and ends the process with `code`.
[[noreturn]] void End(const char* reason, unsigned code);

} // namespace standin
