#include "journal/Rotation.h"

namespace brv {

std::wstring JournalGenerationName(int generation) {
    return generation == 0 ? std::wstring(kJournalFileName)
                           : L"Brivan." + std::to_wstring(generation) + L".log";
}

bool JournalNeedsRotation(uint64_t size, uint64_t limit) {
    return size >= limit;
}

std::vector<RotationStep> JournalRotationPlan(const std::wstring& folder, int kept) {
    auto path = [&folder](int g) { return folder + L"\\" + JournalGenerationName(g); };
    std::vector<RotationStep> steps;
    if (kept < 1) {
        steps.push_back({path(0), L""});
        return steps;
    }
    steps.push_back({path(kept), L""});
    for (int g = kept - 1; g >= 0; --g) {
        steps.push_back({path(g), path(g + 1)});
    }
    return steps;
}

} // namespace brv
