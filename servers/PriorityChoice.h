#pragma once
// Process priority classes: which values a launch accepts, and the priority drop-down (1012) as the
// supervision thread reads it for a restart.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brv {

// The platform's six priority classes: idle, below normal, normal, above normal, high, real time.
inline constexpr uint32_t kPriorityClasses[] = {0x40, 0x4000, 0x20, 0x8000, 0x80, 0x100};

// True for one of the six. Any other value would carry further creation flags into the launch (a
// suspended or debugged server), so it is refused.
bool IsPriorityClass(uint32_t value);

// The refusal's text, with the value as the profile writes it (hexadecimal).
std::wstring FormatBadPriority(uint32_t value);

// The priority list and drop-down 1012's selection, kept current by the window thread and read by
// any thread, never by asking the control.
class PriorityChoice {
public:
    void SetClasses(std::vector<uint32_t> classes);
    void Select(int index);
    // The class selected now; none when the selection names no entry of the list.
    std::optional<uint32_t> Selected() const;

private:
    mutable std::mutex m_mutex;
    std::vector<uint32_t> m_classes;
    int m_selection = -1;
};

} // namespace brv
