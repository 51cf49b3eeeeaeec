#include "schedule/ScheduleClock.h"

#include <windows.h>

namespace brv {
namespace {

class System : public ScheduleClock {
public:
    LocalTime Now() const override {
        SYSTEMTIME s;
        GetLocalTime(&s);
        return {s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond};
    }
    // Counts the time the machine slept, unlike the unbiased interrupt time.
    uint64_t SteadyMs() const override { return GetTickCount64(); }
};

} // namespace

const ScheduleClock& SystemClock() {
    static const System clock;
    return clock;
}

} // namespace brv
