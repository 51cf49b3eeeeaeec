#pragma once
// The clocks a schedule reads: the wall clock as the operator sees it (local time, which the system
// time, sleep and daylight saving move) and a steady count (never set, never stepped). Replaceable, so
// tests can move them as the world does.
#include <cstdint>

namespace brv {

struct LocalTime {
    int year = 2000;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Days from 1970-01-01 to the date (proleptic Gregorian; negative before).
int64_t DaysFromCivil(int year, int month, int day);
// Seconds of a local reading counted as if every day had 24 hours: a plain number to compare and
// subtract wall-clock readings with. Not a real instant: daylight saving makes it repeat or skip.
int64_t WallSeconds(const LocalTime& t);

class ScheduleClock {
public:
    virtual ~ScheduleClock() = default;
    virtual LocalTime Now() const = 0;
    // Milliseconds that keep counting through sleep and that no setting of the clock changes.
    virtual uint64_t SteadyMs() const = 0;
};

// The system's local time and its tick count since start (GetLocalTime, GetTickCount64).
const ScheduleClock& SystemClock();

} // namespace brv
