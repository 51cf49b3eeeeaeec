#pragma once
// What the probe's modes share: their output, and a Brivan.exe started with its main window up. The
// driving itself is the driver library's (tests/driver).
#include "tests/driver/Driver.h"

#include <cstdarg>
#include <cstdio>

namespace probe {

// printf to standard output, flushed at once (the shell scripts read it as it comes).
inline void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

// Starts the program and waits until its main window answers; says why when it does not.
inline bool Launch(e2e::Brivan& brivan, unsigned ms = 60000) {
    if (!brivan.Start()) {
        Say("cannot start Brivan.exe (error %lu)\n", GetLastError());
        return false;
    }
    return brivan.WaitMainWindow(ms) != nullptr;
}

} // namespace probe
