#pragma once
// A "429 Too Many Requests" answer says when to come back: Retry-After holds either seconds or an HTTP
// date. The webhook waits that long instead of counting the notice lost.
#include <cstdint>
#include <optional>
#include <string_view>

namespace brv {

// Seconds to wait from `nowUnixSeconds`; 0 for a date already past; nothing when the value is neither
// a number of seconds nor a date in one of HTTP's three forms ("Sun, 06 Nov 1994 08:49:37 GMT",
// "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994").
std::optional<uint64_t> RetryAfterSeconds(std::wstring_view value, int64_t nowUnixSeconds);

// Seconds since 1970-01-01 UTC of a civil date and time (proleptic Gregorian).
int64_t UnixSecondsOf(int year, int month, int day, int hour, int minute, int second);

} // namespace brv
