#pragma once
// The real-console mode (-standin_console): a console of its own titled "Console", commands typed
// into it as key presses as real servers do, and its lines read on a thread of their own and handed
// to the main loop.
#include <string>

namespace standin {

using LineHandler = void (*)(const std::string& line);
// Creates the console and starts the reader; each line read goes to `run` (on the reader thread).
void StartRealConsole(LineHandler run);
// The channel's sink in this mode: the request typed into the console's input.
void TypeLine(const std::string& line);
// "in=0x000001F7 quickedit=1 extended=1" for the console's input, or "none" without a console.
std::string ConsoleInputMode();

} // namespace standin
