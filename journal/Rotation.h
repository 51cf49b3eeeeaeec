#pragma once
// "Brivan.log" does not grow without end: past its limit it becomes "Brivan.1.log", the older ones
// shift up to "Brivan.4.log", the oldest is dropped, and a new one begins.
#include <cstdint>
#include <string>
#include <vector>

namespace brv {

inline constexpr const wchar_t* kJournalFileName = L"Brivan.log";
inline constexpr uint64_t kJournalRotateBytes = 1024 * 1024;
inline constexpr int kJournalKeptGenerations = 4;

// "Brivan.log" for 0, "Brivan.<n>.log" for the older ones.
std::wstring JournalGenerationName(int generation);

// True when a journal of this size is to be rotated before anything more is appended.
bool JournalNeedsRotation(uint64_t size, uint64_t limit = kJournalRotateBytes);

struct RotationStep {
    std::wstring from; // full path
    std::wstring to;   // full path; empty: delete `from`
};

// The steps in the order they must run, for a journal in `folder` (no trailing separator): drop the
// oldest, shift each older one up by one, then the current one becomes generation 1. A step whose
// `from` does not exist is simply skipped by the caller.
std::vector<RotationStep> JournalRotationPlan(const std::wstring& folder, int kept = kJournalKeptGenerations);

} // namespace brv
