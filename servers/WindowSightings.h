#pragma once
// Which sightings of top-level windows are worth telling, and which windows to read again. A window
// may get its title after it was created (a message box sets its caption once it is initialised) and
// a platform need not tell when that happens, so a window is followed for a while after each sighting:
// its title is read again, often at first and less often as it ages. The same window seen twice with
// the same watched title (created, then shown) is told once. Portable: the watcher feeds it times.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class WindowSightings {
public:
    using Key = uintptr_t; // the window's handle value
    struct Read {
        Key window;
        uint32_t owner; // as given at its first sighting
    };

    // `followMs`: how long a window is read again after it was first seen; `maxPauseMs`: the longest
    // pause between two reads of one window (the first reads follow each other within a millisecond).
    WindowSightings(std::vector<std::wstring> titles, uint64_t followMs = 2000, uint64_t maxPauseMs = 20);

    bool Watched(const std::wstring& title) const;

    // The window of process `owner` was seen with this title at `nowMs` (created, shown, renamed, or read
    // again). True when it is to be told: the title is watched and differs from the one last told for
    // this window.
    bool Seen(Key window, const std::wstring& title, uint64_t nowMs, uint32_t owner = 0);
    // The window is gone: no more reads.
    void Gone(Key window);

    // Windows whose next read is due at `nowMs`; their next read is scheduled. Windows followed for
    // `followMs` are forgotten here.
    std::vector<Read> Due(uint64_t nowMs);
    // Milliseconds until the next read is due; none when no window is followed.
    std::optional<uint64_t> WaitMs(uint64_t nowMs) const;
    size_t Followed() const { return m_followed.size(); }

private:
    struct Follow {
        std::wstring told; // the watched title last told for this window, empty when none
        uint32_t owner = 0;
        uint64_t firstSeen = 0;
        uint64_t nextRead = 0;
    };
    uint64_t PauseAt(uint64_t ageMs) const;

    std::vector<std::wstring> m_titles;
    uint64_t m_followMs;
    uint64_t m_maxPauseMs;
    std::unordered_map<Key, Follow> m_followed;
};
