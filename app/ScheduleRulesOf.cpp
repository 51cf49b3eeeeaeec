#include "app/ScheduleRulesOf.h"

#include <algorithm>

namespace brv {

ScheduleRules RulesOf(const ScheduleSettings& schedule) {
    ScheduleRules rules;
    if (!ParseRestartAt(schedule.restartAt, rules.restartAt)) {
        rules.restartAt.reset();
    }
    rules.warnMinutes.clear();
    for (int m : schedule.warnMinutes) {
        if (m >= 1 && m <= kLatestWarnMinutes &&
            std::find(rules.warnMinutes.begin(), rules.warnMinutes.end(), m) == rules.warnMinutes.end()) {
            rules.warnMinutes.push_back(m);
        }
    }
    std::sort(rules.warnMinutes.rbegin(), rules.warnMinutes.rend());
    rules.warnText = schedule.warnText;
    return rules;
}

} // namespace brv
