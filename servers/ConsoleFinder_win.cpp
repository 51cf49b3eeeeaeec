#include "servers/ConsoleFinder.h"

#include "servers/ProcessTree.h"

#include <windows.h>

#include <algorithm>
#include <optional>

namespace brv {

namespace {

struct ConsoleWindow {
    HWND window;
    DWORD owner;
};

std::vector<ConsoleWindow> ConsoleWindows() {
    std::vector<ConsoleWindow> out;
    for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, L"Console"); w != nullptr;
         w = FindWindowExW(nullptr, w, nullptr, L"Console")) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        out.push_back({w, owner});
    }
    return out;
}

// A sighting no start has claimed is kept this long, for a start told after its console appeared.
constexpr uint64_t kSightingKeptMs = 5000;
constexpr size_t kSightingsKept = 64;

// The server's own window may hang; the finder does not hang with it.
void SetTitle(HWND window, const std::wstring& title) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()),
                        SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000, &result);
}

} // namespace

ConsoleFinder::ConsoleFinder(ServerTable& table, Found found, ConsoleSearch search)
    : m_table(table), m_found(std::move(found)), m_search(search),
      m_stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_wakeEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_watch({kConsoleTitle}, [this](brvWindow w, const std::wstring&, uint32_t pid) { Sighted(w, pid); }) {
    if (m_search.ownWatch) {
        m_watch.Start();
    }
    m_thread = std::thread([this] { Run(); });
}

ConsoleFinder::~ConsoleFinder() {
    Stop();
    for (const Awaited& a : m_awaited) {
        CloseHandle(static_cast<HANDLE>(a.ended));
    }
    CloseHandle(static_cast<HANDLE>(m_stopEvent));
    CloseHandle(static_cast<HANDLE>(m_wakeEvent));
}

void ConsoleFinder::Sighted(brvWindow window, uint32_t owner) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sighted.push_back({window, owner, GetTickCount64()});
    }
    SetEvent(static_cast<HANDLE>(m_wakeEvent)); // looked at by the finder's own thread at once
}

void ConsoleFinder::Stop() {
    m_watch.Stop();
    if (m_thread.joinable()) {
        SetEvent(static_cast<HANDLE>(m_stopEvent));
        m_thread.join();
    }
}

void ConsoleFinder::Watch(const brvRunSL& record) {
    // Duplicated under the table's lock, while the record still owns its handle: a stop or the
    // supervision may take the server and close that handle at any moment.
    HANDLE ended = m_table.Locked([&record](const ServerTable::Records& r) -> HANDLE {
        for (const brvRunSL& rec : r) {
            HANDLE dup = nullptr;
            if (rec.process == record.process && rec.processId == record.processId &&
                rec.process != nullptr &&
                DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(rec.process), GetCurrentProcess(),
                                &dup, SYNCHRONIZE, FALSE, 0)) {
                return dup;
            }
        }
        return nullptr;
    });
    if (ended == nullptr) {
        return; // already gone: no console to find
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_awaited.push_back({ended, record.process, record.processId, record.serverTitle,
                             GetTickCount64() + m_search.waitMs});
    }
    SetEvent(static_cast<HANDLE>(m_wakeEvent));
}

size_t ConsoleFinder::Pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_awaited.size();
}

std::vector<bool> ConsoleFinder::Look(const std::vector<Awaited>& awaited, std::vector<Sighting>* sighted) {
    const uint64_t now = GetTickCount64();
    std::vector<bool> settled(awaited.size(), false);
    std::vector<ConsoleWindow> windows;
    if (sighted != nullptr) {
        for (const Sighting& x : *sighted) {
            windows.push_back({static_cast<HWND>(x.window), x.owner});
        }
    } else {
        windows = ConsoleWindows();
    }
    std::optional<ProcessTree> tree; // a walk of every process, only with a walk of every window
    auto ownedBy = [&](DWORD owner, DWORD pid) {
        if (sighted != nullptr) {
            return OwnedBy(owner, pid);
        }
        if (owner == pid) {
            return true;
        }
        if (!tree) {
            tree = ReadProcessTree();
        }
        return OwnedBy(*tree, owner, pid);
    };
    for (size_t i = 0; i < awaited.size(); ++i) {
        const Awaited& a = awaited[i];
        if (WaitForSingleObject(static_cast<HANDLE>(a.ended), 0) != WAIT_TIMEOUT) {
            settled[i] = true; // no window will come
            continue;
        }
        auto match = std::find_if(windows.begin(), windows.end(),
                                  [&](const ConsoleWindow& w) { return ownedBy(w.owner, a.processId); });
        if (match != windows.end()) {
            SetTitle(match->window, a.title);
            if (m_table.SetConsoleWindow(a.process, a.processId, match->window)) {
                m_found(a.title);
            }
            if (sighted != nullptr) {
                sighted->erase(sighted->begin() + (match - windows.begin())); // the same order
            }
            windows.erase(match);
            settled[i] = true;
        } else if (now >= a.deadline) {
            settled[i] = true;
        }
    }
    return settled;
}

void ConsoleFinder::Run() {
    HANDLE events[2] = {static_cast<HANDLE>(m_stopEvent), static_cast<HANDLE>(m_wakeEvent)};
    uint64_t walkDue = 0; // the next walk of every window; 0: none due while nothing is awaited
    for (;;) {
        std::vector<Awaited> awaited;
        std::vector<Sighting> sighted;
        const uint64_t now = GetTickCount64();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            awaited = m_awaited;
            sighted.swap(m_sighted);
        }
        if (awaited.empty()) {
            walkDue = 0;
        } else if (walkDue == 0) {
            walkDue = now + m_search.pauseMs; // a start's console comes later than its Watch
        }
        std::vector<bool> settled(awaited.size(), false);
        if (!awaited.empty() && !sighted.empty()) {
            settled = Look(awaited, &sighted);
        }
        if (!awaited.empty() && now >= walkDue) {
            const std::vector<bool> walked = Look(awaited, nullptr);
            for (size_t i = 0; i < walked.size(); ++i) {
                settled[i] = settled[i] || walked[i];
            }
            walkDue = now + m_search.pauseMs;
        }
        bool more = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (size_t i = 0; i < awaited.size(); ++i) {
                if (!settled[i]) {
                    continue;
                }
                auto it = std::find_if(m_awaited.begin(), m_awaited.end(),
                                       [&](const Awaited& a) { return a.ended == awaited[i].ended; });
                if (it != m_awaited.end()) {
                    CloseHandle(static_cast<HANDLE>(it->ended));
                    m_awaited.erase(it);
                }
            }
            // A console seen before its start was told waits for it a little while.
            for (const Sighting& x : sighted) {
                if (now - x.at < kSightingKeptMs && m_sighted.size() < kSightingsKept) {
                    m_sighted.push_back(x);
                }
            }
            more = !m_awaited.empty();
        }
        const uint64_t after = GetTickCount64();
        const DWORD timeout = !more ? INFINITE : walkDue > after ? static_cast<DWORD>(walkDue - after) : 0;
        if (WaitForMultipleObjects(2, events, FALSE, timeout) == WAIT_OBJECT_0) {
            return;
        }
    }
}

} // namespace brv
