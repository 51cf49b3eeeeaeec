#pragma once
// The scheduler's rules from the [Schedule] settings of "Brivan.ini".
#include "schedule/ScheduleRules.h"
#include "settings/BrivanSettings.h"

namespace brv {

// An unreadable restart time turns the daily restart off; warnings outside 1..1439 minutes are
// dropped, repeats merged, the largest first.
ScheduleRules RulesOf(const ScheduleSettings& schedule);

} // namespace brv
