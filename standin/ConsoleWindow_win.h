#pragma once
// The window mode's console: a top-level window titled "Console" with the log in a list, created
// and pumped by the main loop's thread.
#include <string>

namespace standin {

// Creates and shows the window; what was logged before it existed is listed first.
void CreateConsoleWindow(void* instance, int show, const std::string& hostname);

} // namespace standin
