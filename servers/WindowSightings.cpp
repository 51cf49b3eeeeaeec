#include "servers/WindowSightings.h"

#include <algorithm>

WindowSightings::WindowSightings(std::vector<std::wstring> titles, uint64_t followMs, uint64_t maxPauseMs)
    : m_titles(std::move(titles)), m_followMs(followMs), m_maxPauseMs(std::max<uint64_t>(maxPauseMs, 1)) {}

bool WindowSightings::Watched(const std::wstring& title) const {
    return std::find(m_titles.begin(), m_titles.end(), title) != m_titles.end();
}

// A tenth of the window's age: a title that comes late is still caught within a tenth of the time it
// took to come, and a window that keeps its title costs a few dozen reads in all.
uint64_t WindowSightings::PauseAt(uint64_t ageMs) const {
    return std::clamp<uint64_t>(ageMs / 10, 1, m_maxPauseMs);
}

bool WindowSightings::Seen(Key window, const std::wstring& title, uint64_t nowMs, uint32_t owner) {
    auto [it, added] = m_followed.try_emplace(window);
    Follow& f = it->second;
    if (added) {
        f.owner = owner;
        f.firstSeen = nowMs;
        f.nextRead = nowMs + PauseAt(0);
    }
    if (!Watched(title)) {
        // Renamed away: the same title coming back is news again.
        f.told.clear();
        return false;
    }
    if (f.told == title) {
        return false;
    }
    f.told = title;
    return true;
}

void WindowSightings::Gone(Key window) {
    m_followed.erase(window);
}

std::vector<WindowSightings::Read> WindowSightings::Due(uint64_t nowMs) {
    std::vector<Read> due;
    for (auto it = m_followed.begin(); it != m_followed.end();) {
        Follow& f = it->second;
        const uint64_t age = nowMs - std::min(nowMs, f.firstSeen);
        if (age >= m_followMs) {
            it = m_followed.erase(it);
            continue;
        }
        if (f.nextRead <= nowMs) {
            due.push_back({it->first, f.owner});
            f.nextRead = nowMs + PauseAt(age);
        }
        ++it;
    }
    return due;
}

std::optional<uint64_t> WindowSightings::WaitMs(uint64_t nowMs) const {
    std::optional<uint64_t> wait;
    for (const auto& [key, f] : m_followed) {
        const uint64_t until = std::min(f.nextRead, f.firstSeen + m_followMs);
        const uint64_t left = until > nowMs ? until - nowMs : 0;
        wait = std::min(wait.value_or(left), left);
    }
    return wait;
}
